#include "tests/support/raw_peer.h"

#include "protocol/session/limits.h"
#include "protocol/session/qt_frames.h"
#include "tests/support/wait.h"

namespace quorvex::test {

RawPeer::RawPeer(quint16 port) {
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    WaitUntil([this] { return socket_.state() == QAbstractSocket::ConnectedState; }, 3000);
}

bool RawPeer::Connected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

void RawPeer::SendBytes(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
}

void RawPeer::SendFrame(session::FrameKind kind, ByteView payload) {
    SendBytes(session::FrameBytes(kind, payload));
}

void RawPeer::SendHello(const std::string& applicationId, const std::string& name) {
    const Buffer hello =
        session::EncodeHello(session::Hello{session::kProtocolVersion, applicationId, name});
    SendFrame(session::FrameKind::Hello, hello);
}

bool RawPeer::ClosedByServer() {
    socket_.readAll();
    return socket_.state() == QAbstractSocket::UnconnectedState;
}

}  // namespace quorvex::test
