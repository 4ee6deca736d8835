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

// Moves what the socket has (as much as the parser has room for) into the parser.
// False when nothing could be moved.
bool PumpSocket(QTcpSocket& socket, FrameParser& parser);

}  // namespace quorvex::session
