#include "protocol/session/qt_frames.h"

#include <sys/socket.h>

#include <algorithm>
#include <array>

namespace quorvex::session {

std::size_t WriteNow(QTcpSocket& socket, const char* data, std::size_t size) {
    std::size_t done = 0;
    const qint64 held = socket.bytesToWrite();
    if (held == 0 && socket.state() == QAbstractSocket::ConnectedState) {
        const ssize_t sent = ::send(static_cast<int>(socket.socketDescriptor()), data, size,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        // On EAGAIN or a real error Qt takes everything; it reports errors itself.
        done = sent > 0 ? static_cast<std::size_t>(sent) : 0;
    }
    if (done < size) {
        socket.write(data + done, static_cast<qint64>(size - done));
        return static_cast<std::size_t>(socket.bytesToWrite());
    }
    return 0;
}

bool PumpSocket(QTcpSocket& socket, FrameParser& parser) {
    std::array<std::uint8_t, 64 * 1024> chunk;
    const auto available = static_cast<std::size_t>(std::max<qint64>(socket.bytesAvailable(), 0));
    const std::size_t wanted = std::min({available, parser.Room(), chunk.size()});
    if (wanted == 0) {
        return false;
    }
    const qint64 got = socket.read(reinterpret_cast<char*>(chunk.data()), qint64(wanted));
    if (got <= 0) {
        return false;
    }
    parser.Feed(chunk.data(), static_cast<std::size_t>(got));
    return true;
}

}  // namespace quorvex::session
