#include "shell/InstanceChannel.h"

#include "InstanceTestSupport.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

using namespace std::chrono_literals;
using instance::DecodeState;
using testing::ElementsAre;
using testing::IsEmpty;

const QString kPrefix = QStringLiteral("Sonexa Vireo Mixer -");
const QString kCaption = QStringLiteral("Sonexa Vireo Mixer - Default.mix");
const InstanceTiming kFast{300ms, 20ms, 200ms};

// What a listening channel emitted, in order: "front" and "path <path>".
class Recorder {
public:
    void attach(InstanceChannel& channel) {
        QObject::connect(&channel, &InstanceChannel::bringToFrontRequested, &channel,
                         [this] { add("front"); });
        QObject::connect(&channel, &InstanceChannel::settingsFileHandedOver, &channel,
                         [this](const QString& path) { add("path " + path); });
    }
    QStringList events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool waitForCount(qsizetype count) {
        return test::WaitFor([&] { return events().size() >= count; });
    }

private:
    void add(const QString& event) {
        std::lock_guard lock(mutex_);
        events_ << event;
    }
    mutable std::mutex mutex_;
    QStringList events_;
};

// A listening channel on a thread of its own, so that a start in the test's thread can
// block on it as a second process would.
class ThreadedListener {
public:
    ThreadedListener(const InstanceEndpoint& endpoint, InstanceStatus status) {
        thread_.start();
        context_.moveToThread(&thread_);
        QMetaObject::invokeMethod(
            &context_,
            [&] {
                channel_ = new InstanceChannel(kPrefix, endpoint, kFast);
                channel_->start({});
                channel_->setStatusProvider([status] { return status; });
                recorder.attach(*channel_);
            },
            Qt::BlockingQueuedConnection);
    }
    ~ThreadedListener() {
        QMetaObject::invokeMethod(
            &context_, [this] { delete channel_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    bool isListening() const { return channel_->isListening(); }

    Recorder recorder;

private:
    QThread thread_;
    QObject context_;
    InstanceChannel* channel_ = nullptr;
};

class InstanceChannelTest : public testing::Test {
protected:
    QTemporaryDir folder{test::privateHome().path() + "/run/channel-XXXXXX"};
    InstanceEndpoint endpoint = InstanceEndpointIn(folder.path());

    std::unique_ptr<InstanceChannel> listener(InstanceStatus status = {kCaption, false}) {
        auto channel = std::make_unique<InstanceChannel>(kPrefix, endpoint, kFast);
        EXPECT_EQ(channel->start({}), InstanceChannel::Outcome::Running);
        EXPECT_TRUE(channel->isListening());
        channel->setStatusProvider([status] { return status; });
        return channel;
    }
};

// A raw client in the listener's own thread: everything goes through the event loop.
struct RawClient {
    QLocalSocket socket;
    QByteArray received;

    explicit RawClient(const QString& path) {
        socket.connectToServer(path);
        QObject::connect(&socket, &QLocalSocket::readyRead,
                         [this] { received += socket.readAll(); });
    }
    instance::Decoded<instance::StatusMessage> status() {
        test::WaitFor([this] {
            return instance::DecodeStatus(received).state != DecodeState::NeedMore ||
                   socket.state() == QLocalSocket::UnconnectedState;
        });
        return instance::DecodeStatus(received);
    }
    bool dropped(int timeoutMs = 5000) {
        return test::WaitFor([this] { return socket.state() == QLocalSocket::UnconnectedState; },
                             timeoutMs);
    }
};

TEST(InstanceHandOffTest, OnlyTheFirstArgumentIsHandedOverAndMadeAbsolute) {
    EXPECT_EQ(HandOffFor({}, "/w").path, std::nullopt);
    EXPECT_EQ(HandOffFor({"a b.mix", "/other.mix"}, "/w d").path, "/w d/a b.mix");
    EXPECT_EQ(HandOffFor({"/abs/x.mix"}, "/w").path, "/abs/x.mix");
    EXPECT_EQ(HandOffFor({"sub/../x.mix"}, "/w").path, "/w/sub/../x.mix");
    EXPECT_EQ(HandOffFor({""}, "/w").path, QString());
    EXPECT_EQ(HandOffFor({":x.mix"}, "/w/").path, "/w/:x.mix"); // not one of Qt's resources
}

TEST_F(InstanceChannelTest, ClientsAreToldTheCaptionAndWhetherTheWindowIsMinimised) {
    const auto channel = listener({"Sonexa Vireo Mixer - Ünï.mix", true});
    RawClient client(endpoint.socketPath);
    const auto status = client.status();
    ASSERT_EQ(status.state, DecodeState::Complete);
    EXPECT_EQ(status.message.caption, "Sonexa Vireo Mixer - Ünï.mix");
    EXPECT_TRUE(status.message.minimised);
}

TEST_F(InstanceChannelTest, AHandOffBringsTheWindowForwardThenHandsThePathOnce) {
    const auto channel = listener();
    Recorder recorder;
    recorder.attach(*channel);
    RawClient client(endpoint.socketPath);
    ASSERT_EQ(client.status().state, DecodeState::Complete);
    const QByteArray frame = instance::EncodeHandOff({true, "/a b/\"c\".mix"});
    client.socket.write(frame + instance::EncodeHandOff({true, "/again.mix"}));
    ASSERT_TRUE(recorder.waitForCount(2));
    EXPECT_TRUE(client.dropped());
    test::WaitFor([] { return false; }, 100);
    EXPECT_THAT(recorder.events(), ElementsAre("front", "path /a b/\"c\".mix"));
}

TEST_F(InstanceChannelTest, SilentGarbageOrUnfinishedClientsAreDroppedAndDeliverNothing) {
    const auto channel = listener();
    Recorder recorder;
    recorder.attach(*channel);

    RawClient silent(endpoint.socketPath);
    RawClient garbage(endpoint.socketPath);
    RawClient unfinished(endpoint.socketPath);
    garbage.socket.write("GET / HTTP/1.0\r\n\r\n");
    unfinished.socket.write(instance::EncodeHandOff({true, "/never/finished.mix"}).chopped(3));

    EXPECT_TRUE(garbage.dropped(150)) << "garbage goes before the timeout";
    EXPECT_TRUE(silent.dropped());
    EXPECT_TRUE(unfinished.dropped());
    EXPECT_THAT(recorder.events(), IsEmpty());

    RawClient good(endpoint.socketPath);
    ASSERT_EQ(good.status().state, DecodeState::Complete);
    good.socket.write(instance::EncodeHandOff({false, "/after.mix"}));
    ASSERT_TRUE(recorder.waitForCount(1));
    EXPECT_THAT(recorder.events(), ElementsAre("path /after.mix"));
}

TEST_F(InstanceChannelTest, ClientsBeyondTheLimitAreTurnedAwayUntilOthersEnd) {
    const auto channel = listener();
    std::vector<std::unique_ptr<RawClient>> waiting;
    for (int i = 0; i < 8; ++i) {
        waiting.push_back(std::make_unique<RawClient>(endpoint.socketPath));
        ASSERT_EQ(waiting.back()->status().state, DecodeState::Complete);
    }
    RawClient extra(endpoint.socketPath);
    EXPECT_EQ(extra.status().state, DecodeState::NeedMore);
    EXPECT_TRUE(extra.dropped(150));

    EXPECT_TRUE(waiting.back()->dropped());
    RawClient later(endpoint.socketPath);
    EXPECT_EQ(later.status().state, DecodeState::Complete);
}

TEST_F(InstanceChannelTest, SocketIsForThisUserOnlyAndGoesWithTheChannel) {
    auto channel = listener();
    const int mode = test::FileMode(endpoint.socketPath);
    EXPECT_TRUE(S_ISSOCK(mode));
    EXPECT_EQ(mode & 077, 0);
    EXPECT_TRUE(endpoint.socketPath.contains(QString::number(geteuid())));
    EXPECT_TRUE(QFile::exists(endpoint.lockPath));

    channel.reset();
    EXPECT_FALSE(QFile::exists(endpoint.socketPath));
    EXPECT_FALSE(QFile::exists(endpoint.lockPath));
    EXPECT_TRUE(listener()->isListening()) << "the next start takes over";
}

TEST_F(InstanceChannelTest, AnUnrecognisedCaptionMeansAFullStartWithoutAListener) {
    for (const QString& caption : {QString("Sonexa Vireo Mixer"), QString("sonexa vireo mixer - a"),
                                   QString("Sonexa Vireo Mixe"), QString()}) {
        ThreadedListener running(endpoint, {caption, false});
        InstanceChannel starter(kPrefix, endpoint, kFast);
        EXPECT_EQ(starter.start({"/x.mix"}), InstanceChannel::Outcome::Running)
            << qPrintable(caption);
        EXPECT_FALSE(starter.isListening());
        EXPECT_THAT(running.recorder.events(), IsEmpty());
    }
}

TEST_F(InstanceChannelTest, APathTooLongForThePlatformArrivesEmpty) {
    ThreadedListener running(endpoint, {kCaption, true});
    InstanceChannel starter(kPrefix, endpoint, kFast);
    EXPECT_EQ(starter.start({'/' + QString(instance::MaxPathBytes(), 'p')}),
              InstanceChannel::Outcome::HandedOff);
    ASSERT_TRUE(running.recorder.waitForCount(1));
    EXPECT_THAT(running.recorder.events(), ElementsAre("path "));
}

TEST_F(InstanceChannelTest, ASocketLeftByACrashIsReplacedByTheNextStart) {
    ASSERT_TRUE(test::MakeDeadSocket(endpoint.socketPath));
    const auto channel = listener();
    RawClient client(endpoint.socketPath);
    EXPECT_EQ(client.status().state, DecodeState::Complete);
}

TEST_F(InstanceChannelTest, WhileAnotherHoldsTheLockItsSocketIsLeftAloneAndTheStartRunsFully) {
    QLockFile other(endpoint.lockPath);
    ASSERT_TRUE(other.tryLock(0));
    ASSERT_TRUE(test::MakeDeadSocket(endpoint.socketPath));

    InstanceChannel starter(kPrefix, endpoint, kFast);
    EXPECT_EQ(starter.start({"/x.mix"}), InstanceChannel::Outcome::Running);
    EXPECT_FALSE(starter.isListening());
    EXPECT_TRUE(S_ISSOCK(test::FileMode(endpoint.socketPath)));
    EXPECT_TRUE(other.isLocked());
}

TEST_F(InstanceChannelTest, AnInstanceThatNeverAnswersDoesNotHoldTheStartBeyondItsBudget) {
    const auto channel = listener(); // this thread never runs its events during the start
    InstanceChannel starter(kPrefix, endpoint, kFast);
    EXPECT_EQ(starter.start({"/x.mix"}), InstanceChannel::Outcome::Running);
    EXPECT_FALSE(starter.isListening());
}

class DefaultEndpointTest : public testing::Test {
protected:
    void SetUp() override {
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        savedTemp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
    }
    void TearDown() override {
        qputenv("XDG_RUNTIME_DIR", savedRuntime_);
        savedTemp_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp_);
    }
    QTemporaryDir temp{test::privateHome().path() + "/tmp-XXXXXX"};
    const QString privateFolder = temp.path() + "/sonexa-vireo-mixer-" + QString::number(geteuid());

private:
    QByteArray savedRuntime_, savedTemp_;
};

TEST_F(DefaultEndpointTest, LivesInTheRuntimeFolderWithTheUsersId) {
    qputenv("XDG_RUNTIME_DIR", temp.path().toLocal8Bit());
    const auto endpoint = DefaultInstanceEndpoint();
    EXPECT_EQ(endpoint.socketPath, privateFolder + ".socket");
    EXPECT_EQ(endpoint.lockPath, privateFolder + ".lock");
}

TEST_F(DefaultEndpointTest, WithoutARuntimeFolderUsesAPrivateFolderBelowTheTemporaryOne) {
    qunsetenv("XDG_RUNTIME_DIR");
    const auto endpoint = DefaultInstanceEndpoint();
    EXPECT_TRUE(endpoint.socketPath.startsWith(privateFolder + '/'));
    EXPECT_EQ(test::FileMode(privateFolder) & 0777, 0700);
}

TEST_F(DefaultEndpointTest, APrivateFolderOthersCouldReachIsRefused) {
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir().mkdir(privateFolder));
    QFile::setPermissions(privateFolder, QFile::Permissions(0x7777));
    const auto endpoint = DefaultInstanceEndpoint();
    EXPECT_TRUE(endpoint.socketPath.isEmpty());

    InstanceChannel channel(kPrefix, endpoint, kFast);
    EXPECT_EQ(channel.start({"/x.mix"}), InstanceChannel::Outcome::Running);
    EXPECT_FALSE(channel.isListening());
}

} // namespace
} // namespace vireo
