#pragma once

// The watch page's door: one TCP port that answers GET for a few fixed paths and upgrades one
// path to a WebSocket for watchers. Watchers only listen. Every bound is here, so that a
// browser left open on a phone, a port scanner or a hostile page can cost the game nothing:
// the request head is bounded in size, lines and time; connections and watchers are bounded in
// all and per address (as the game's session bounds its players); a watcher that cannot keep up
// misses frames instead of growing a queue; anything a watcher sends closes it.
// Qt HTTP Server (a technology preview in Qt 6.4) sets no bound on a request head's size, lines
// or time and upgrades a WebSocket before the caller can see its path or Origin, so the head is
// read here, on a plain QTcpServer, and only an upgrade that passed is handed to
// QWebSocketServer::handleConnection with its head still unread.

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "protocol/session/address_key.h"

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

namespace quorvex::session::watch {

struct WatchLimits {
    std::size_t maxHeadBytes = 8192;  // request line and headers together
    std::size_t maxHeaderLines = 64;
    int headTimeoutMs = 5000;      // the whole head must arrive within this (slowloris)
    int maxReading = 64;           // connections whose head is still being read
    int maxReadingPerAddress = 8;  // this machine: held to the total only
    int maxWatchers = 64;
    int maxWatchersPerAddress = 8;  // this machine: held to the total only
    // Bytes a watcher may leave unsent before its next frames are dropped (about a second of
    // frames); a watcher stuck past this for `stuckWatcherMs` is closed.
    std::int64_t maxBacklogBytes = 32 * 1024;
    int stuckWatcherMs = 10'000;
    std::size_t maxBodyBytes = 4 << 20;  // of any page answered
};

// Why the door turned something away, for the metrics.
enum class WatchRefusal : std::uint8_t {
    BadRequest,    // malformed head
    HeadTooLarge,  // over maxHeadBytes or maxHeaderLines
    SlowHead,      // not complete within headTimeoutMs
    Method,        // anything but GET
    NotFound,
    WrongOrigin,   // an upgrade from a page of another site
    Busy,          // too many connections reading, in all or from the address
    WatchersFull,  // too many watchers, in all or from the address
    WatcherSent,   // a watcher sent a message
    Count,
};
const char* WatchRefusalName(WatchRefusal refusal);

struct HttpResponse {
    std::string contentType;
    std::string body;
    int status = 200;
};

struct WatchCounters {
    std::uint64_t requests = 0;  // heads read whole, answered or upgraded
    std::uint64_t framesSent = 0;
    std::uint64_t framesDropped = 0;  // not sent to a watcher over its backlog
    std::uint64_t bytesSent = 0;
    std::array<std::uint64_t, static_cast<std::size_t>(WatchRefusal::Count)> refusals{};
};

class WatchListener : public QObject {
    Q_OBJECT
  public:
    // `page(path)`: the answer to a GET of a path, none for a path not served. `streamPath`:
    // the one path upgraded to a WebSocket. `greeting()`: the first frame a new watcher gets.
    WatchListener(WatchLimits limits,
                  std::function<std::optional<HttpResponse>(const std::string&)> page,
                  std::string streamPath, std::function<std::string()> greeting,
                  QObject* parent = nullptr);
    ~WatchListener() override;

    // Listens on `address` and `port` (0: any free one); the error text when it cannot.
    std::optional<std::string> Listen(const QHostAddress& address, quint16 port);
    void Close();
    bool IsListening() const;
    quint16 Port() const;

    // One text frame to every watcher with room for it; the others miss it.
    void Broadcast(const std::string& text);
    int Watchers() const { return static_cast<int>(watchers_.size()); }
    const WatchCounters& Counters() const { return counters_; }

  private:
    struct Reader;
    struct Watcher;
    void Accept();
    void ReadHead(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, int status, const std::string& contentType,
                const std::string& body);
    void Refuse(QTcpSocket* socket, WatchRefusal why, int status, const std::string& text);
    void Upgraded();
    void Forget(QTcpSocket* socket);
    void DropWatcher(QWebSocket* socket, WatchRefusal* why);
    int Count(const std::map<AddressKey, int>& counts, const AddressKey& key) const;

    WatchLimits limits_;
    std::function<std::optional<HttpResponse>(const std::string&)> page_;
    std::string streamPath_;
    std::function<std::string()> greeting_;
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QWebSocketServer> upgrader_;
    std::map<QTcpSocket*, std::unique_ptr<Reader>> readers_;
    std::map<QWebSocket*, std::unique_ptr<Watcher>> watchers_;
    std::map<AddressKey, int> readingFrom_;
    std::map<AddressKey, int> watchingFrom_;
    // Upgrades handed to the WebSocket side, not yet through its handshake, by the peer's
    // address and port (what both sockets of one connection tell alike).
    struct Upgrading {
        QTcpSocket* socket;
        AddressKey key;
    };
    std::map<std::pair<QString, quint16>, Upgrading> upgrading_;
    WatchCounters counters_;
};

}  // namespace quorvex::session::watch
