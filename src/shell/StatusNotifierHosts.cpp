#include "shell/StatusNotifierHosts.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace vireo {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kStartAnswerMs = 2000;

QDBusMessage HostQuestion() {
    QDBusMessage question = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    question << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    return question;
}

bool HostAnswer(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

StatusNotifierHosts::StatusNotifierHosts(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , services_(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!bus_.isConnected())
        return;
    connect(&services_, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierHosts::WatcherCame);
    connect(&services_, &QDBusServiceWatcher::serviceUnregistered, this,
            &StatusNotifierHosts::WatcherGone);
    // From whichever process owns the watcher's name now or later.
    bus_.connect(QString(), kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                 this, SLOT(HostRegistered()));
    bus_.connect(QString(), kWatcherPath, kWatcher,
                 QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(HostUnregistered()));
    if (bus_.interface()->isServiceRegistered(kWatcher))
        hostThere_ = HostAnswer(bus_.call(HostQuestion(), QDBus::Block, kStartAnswerMs));
}

// A watcher that has just come asks its hosts to register: they may be there already.
void StatusNotifierHosts::WatcherCame() {
    AskWatcher();
}

void StatusNotifierHosts::WatcherGone() {
    ++questions_;
    Set(false);
}

void StatusNotifierHosts::HostRegistered() {
    ++questions_;
    Set(true);
}

// Another host may still be registered.
void StatusNotifierHosts::HostUnregistered() {
    AskWatcher();
}

void StatusNotifierHosts::AskWatcher() {
    const int question = ++questions_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(HostQuestion()), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, question](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                Answered(question, HostAnswer(call->reply()));
            });
}

void StatusNotifierHosts::Answered(int question, bool hostThere) {
    if (question == questions_)
        Set(hostThere);
}

void StatusNotifierHosts::Set(bool hostThere) {
    if (hostThere == hostThere_)
        return;
    hostThere_ = hostThere;
    emit changed();
}

} // namespace vireo
