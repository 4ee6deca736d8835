#pragma once

// A bare TCP connection for tests that misbehave on purpose: garbage, half handshakes,
// silence, never reading.

#include <QByteArray>
#include <QTcpSocket>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/session/frame.h"

namespace quorvex::test {

// A whole frame as bytes to write on a bare socket.
inline QByteArray FrameBytes(session::FrameKind kind, ByteView payload) {
    const Buffer frame = session::MakeFrame(kind, payload);
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

class RawPeer {
  public:
    // From `from` (another 127.x address is a host of its own to the server's limits).
    explicit RawPeer(quint16 port, const char* from = nullptr);
    bool Connected() const;
    void SendBytes(const QByteArray& bytes);
    void SendFrame(session::FrameKind kind, ByteView payload);
    void SendHello(const std::string& applicationId, const std::string& name);
    // True once the server has closed this connection.
    bool ClosedByServer();
    // The next whole frame the server sends, waited for; empty when none comes in time.
    std::optional<std::pair<session::FrameKind, Buffer>> NextFrame();
    // Every frame the server sends until it closes the connection.
    std::vector<std::pair<session::FrameKind, Buffer>> FramesUntilClosed();
    QTcpSocket& Socket() { return socket_; }

  private:
    QTcpSocket socket_;
    session::FrameParser parser_{1024};
};

}  // namespace quorvex::test
