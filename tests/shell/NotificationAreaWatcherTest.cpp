#include "shell/NotificationAreaWatcher.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vireo {
namespace {

// An object whose name changes stand for the platform's announcements of a new tray manager.
class NotificationAreaWatcherTest : public testing::Test {
protected:
    void Announce() { announcer.setObjectName(announcer.objectName() + "x"); }

    QObject announcer;
    bool areaThere = false;
    NotificationAreaWatcher watcher{&announcer, SIGNAL(objectNameChanged(QString)),
                                    [this] { return areaThere; }};
};

TEST_F(NotificationAreaWatcherTest, AnAnnouncementWithoutAnAreaKeepsWatching) {
    QSignalSpy appeared(&watcher, &NotificationAreaWatcher::appeared);
    Announce();
    EXPECT_EQ(appeared.count(), 0);
    EXPECT_TRUE(watcher.Watching());
}

TEST_F(NotificationAreaWatcherTest, TheFirstAnnouncementWithAnAreaReportsItOnceAndStops) {
    QSignalSpy appeared(&watcher, &NotificationAreaWatcher::appeared);
    Announce();
    areaThere = true;
    Announce();
    EXPECT_EQ(appeared.count(), 1);
    EXPECT_FALSE(watcher.Watching());
    Announce();
    EXPECT_EQ(appeared.count(), 1) << "a second tray manager brought a second icon";
}

TEST_F(NotificationAreaWatcherTest, APlatformWithoutAnnouncementsGivesNoWatcher) {
    // The tests run on the offscreen platform, which has no tray managers to announce.
    EXPECT_EQ(NotificationAreaWatcher::ForPlatform(), nullptr);
}

} // namespace
} // namespace vireo
