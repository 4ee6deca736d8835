#pragma once

// Frames as Qt byte arrays, so one encoding can be handed to many sockets without copies.

#include <QByteArray>
#include <QTcpSocket>

#include "protocol/session/frame.h"

namespace quorvex::session {

inline QByteArray FrameBytes(FrameKind kind, ByteView payload) {
    const Buffer frame = MakeFrame(kind, payload);
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

// Low delay: without it small messages wait for the next ones and play stutters.
inline void TuneSocket(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket.setReadBufferSize(64 * 1024);
}

// Hands bytes to the kernel at once when Qt holds nothing older for this socket; whatever the
// kernel does not take goes through Qt's own buffer, so the order stays. Writing through Qt
// alone switches the socket's write notifier on and off for every flush, and each switch wakes
// the event loop with a syscall of its own: two thirds of all syscalls under load.
// Returns how much Qt now holds for this socket.
std::size_t WriteNow(QTcpSocket& socket, const char* data, std::size_t size);

// Moves what the socket has (as much as the parser has room for) into the parser.
// False when nothing could be moved.
bool PumpSocket(QTcpSocket& socket, FrameParser& parser);

}  // namespace quorvex::session
