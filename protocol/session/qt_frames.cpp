#include "protocol/session/qt_frames.h"

#include <algorithm>
#include <array>

namespace quorvex::session {

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
