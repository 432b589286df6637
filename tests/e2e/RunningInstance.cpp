#include "RunningInstance.h"

#include "shell/InstanceChannel.h"
#include "shell/InstanceMessage.h"

#include <QLocalSocket>

namespace vireo::test {

QString RunningCaption() {
    QLocalSocket socket;
    socket.connectToServer(DefaultInstanceEndpoint().socketPath);
    if (!socket.waitForConnected(1000))
        return {};
    QByteArray received;
    while (socket.waitForReadyRead(1000)) {
        received += socket.readAll();
        const auto status = instance::DecodeStatus(received);
        if (status.state != instance::DecodeState::NeedMore)
            return status.message.caption;
    }
    return {};
}

} // namespace vireo::test
