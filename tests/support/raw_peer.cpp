#include "tests/support/raw_peer.h"

#include "protocol/session/limits.h"
#include "tests/support/wait.h"

namespace quorvex::test {

RawPeer::RawPeer(quint16 port, const char* from) {
    if (from != nullptr) {
        socket_.bind(QHostAddress(QString::fromLatin1(from)));
    }
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
    SendBytes(FrameBytes(kind, payload));
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

std::optional<std::pair<session::FrameKind, Buffer>> RawPeer::NextFrame() {
    std::optional<std::pair<session::FrameKind, Buffer>> got;
    WaitUntil([&] {
        const QByteArray bytes = socket_.readAll();
        parser_.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     static_cast<std::size_t>(bytes.size()));
        if (const auto frame = parser_.Next()) {
            got.emplace(frame->kind, Buffer(frame->payload.begin(), frame->payload.end()));
        }
        return got.has_value();
    });
    return got;
}

std::vector<std::pair<session::FrameKind, Buffer>> RawPeer::FramesUntilClosed() {
    std::vector<std::pair<session::FrameKind, Buffer>> frames;
    const auto drain = [&] {
        const QByteArray bytes = socket_.readAll();
        parser_.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     static_cast<std::size_t>(bytes.size()));
        while (const auto frame = parser_.Next()) {
            frames.emplace_back(frame->kind, Buffer(frame->payload.begin(), frame->payload.end()));
        }
    };
    WaitUntil([&] {
        drain();
        return socket_.state() == QAbstractSocket::UnconnectedState;
    });
    drain();
    return frames;
}

}  // namespace quorvex::test
