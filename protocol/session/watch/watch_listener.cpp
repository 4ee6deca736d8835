#include "protocol/session/watch/watch_listener.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <chrono>
#include <variant>

#include "protocol/session/qt_address_key.h"
#include "protocol/session/watch/http_request.h"

namespace quorvex::session::watch {
namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* StatusText(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Error";
    }
}

WatchRefusal RefusalOfStatus(int status) {
    return status == 431 ? WatchRefusal::HeadTooLarge : WatchRefusal::BadRequest;
}

}  // namespace

const char* WatchRefusalName(WatchRefusal refusal) {
    switch (refusal) {
        case WatchRefusal::BadRequest:
            return "bad_request";
        case WatchRefusal::HeadTooLarge:
            return "head_too_large";
        case WatchRefusal::SlowHead:
            return "slow_head";
        case WatchRefusal::Method:
            return "method";
        case WatchRefusal::NotFound:
            return "not_found";
        case WatchRefusal::WrongOrigin:
            return "wrong_origin";
        case WatchRefusal::Busy:
            return "busy";
        case WatchRefusal::WatchersFull:
            return "watchers_full";
        case WatchRefusal::WatcherSent:
            return "watcher_sent";
        case WatchRefusal::Count:
            break;
    }
    return "unknown";
}

struct WatchListener::Reader {
    AddressKey key;
    QTimer deadline;
};

struct WatchListener::Watcher {
    AddressKey key;
    std::int64_t stuckSinceMs = -1;  // when its backlog first went over the bound
};

WatchListener::WatchListener(WatchLimits limits,
                             std::function<std::optional<HttpResponse>(const std::string&)> page,
                             std::string streamPath, std::function<std::string()> greeting,
                             QObject* parent)
    : QObject(parent),
      limits_(limits),
      page_(std::move(page)),
      streamPath_(std::move(streamPath)),
      greeting_(std::move(greeting)) {}

WatchListener::~WatchListener() {
    Close();
}

std::optional<std::string> WatchListener::Listen(const QHostAddress& address, quint16 port) {
    Close();
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(address, port)) {
        return "cannot listen on " + address.toString().toStdString() + " port " +
               std::to_string(port) + ": " + server->errorString().toStdString();
    }
    server->setMaxPendingConnections(limits_.maxReading);
    connect(server.get(), &QTcpServer::newConnection, this, &WatchListener::Accept);
    upgrader_ = std::make_unique<QWebSocketServer>(QStringLiteral("quorvex-watch"),
                                                   QWebSocketServer::NonSecureMode);
    upgrader_->setHandshakeTimeout(limits_.headTimeoutMs);
    upgrader_->setMaxPendingConnections(limits_.maxWatchers);
    connect(upgrader_.get(), &QWebSocketServer::newConnection, this, &WatchListener::Upgraded);
    server_ = std::move(server);
    return std::nullopt;
}

void WatchListener::Close() {
    if (server_) {
        server_->close();
        server_.reset();
    }
    for (auto& [socket, reader] : readers_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    readers_.clear();
    readingFrom_.clear();
    for (auto& [socket, watcher] : watchers_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    watchers_.clear();
    watchingFrom_.clear();
    upgrading_.clear();
    upgrader_.reset();
}

bool WatchListener::IsListening() const {
    return server_ && server_->isListening();
}

quint16 WatchListener::Port() const {
    return server_ ? server_->serverPort() : 0;
}

int WatchListener::Count(const std::map<AddressKey, int>& counts, const AddressKey& key) const {
    const auto it = counts.find(key);
    return it == counts.end() ? 0 : it->second;
}

void WatchListener::Accept() {
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        const AddressKey key = KeyOf(socket->peerAddress());
        const bool full =
            static_cast<int>(readers_.size()) >= limits_.maxReading ||
            (!IsThisMachine(key) && Count(readingFrom_, key) >= limits_.maxReadingPerAddress);
        if (full) {
            ++counters_.refusals[static_cast<std::size_t>(WatchRefusal::Busy)];
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto reader = std::make_unique<Reader>();
        reader->key = key;
        ++readingFrom_[key];
        reader->deadline.setSingleShot(true);
        connect(&reader->deadline, &QTimer::timeout, socket, [this, socket] {
            Refuse(socket, WatchRefusal::SlowHead, 408, "the request head came too slowly");
        });
        reader->deadline.start(limits_.headTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadHead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            Forget(socket);
            socket->deleteLater();
        });
        // Never more than one head plus a byte is buffered: the rest waits in the kernel.
        socket->setReadBufferSize(static_cast<qint64>(limits_.maxHeadBytes) + 1);
        readers_.emplace(socket, std::move(reader));
        ReadHead(socket);
    }
}

// The head is only peeked at: an upgrade hands the socket on with its head still unread.
void WatchListener::ReadHead(QTcpSocket* socket) {
    if (!readers_.contains(socket)) {
        return;
    }
    const QByteArray bytes = socket->peek(static_cast<qint64>(limits_.maxHeadBytes) + 1);
    const auto parsed = ParseRequestHead(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        limits_.maxHeadBytes, limits_.maxHeaderLines);
    if (std::holds_alternative<HttpIncomplete>(parsed)) {
        return;
    }
    if (const auto* refusal = std::get_if<HttpRefusal>(&parsed)) {
        Refuse(socket, RefusalOfStatus(refusal->status), refusal->status, refusal->reason);
        return;
    }
    const auto& request = std::get<HttpRequest>(parsed);
    if (request.method != "GET") {
        Refuse(socket, WatchRefusal::Method, 405, "only GET is answered here");
        return;
    }
    ++counters_.requests;
    if (request.path == streamPath_) {
        if (!OriginMatchesHost(request)) {
            Refuse(socket, WatchRefusal::WrongOrigin, 403,
                   "the stream is only for pages of this server");
            return;
        }
        const AddressKey key = readers_.at(socket)->key;
        const int pending = static_cast<int>(watchers_.size() + upgrading_.size());
        int fromThere = Count(watchingFrom_, key);
        for (const auto& [peer, other] : upgrading_) {
            fromThere += other.key == key ? 1 : 0;
        }
        if (pending >= limits_.maxWatchers ||
            (!IsThisMachine(key) && fromThere >= limits_.maxWatchersPerAddress)) {
            Refuse(socket, WatchRefusal::WatchersFull, 503, "too many watchers already");
            return;
        }
        Forget(socket);
        socket->disconnect(this);
        socket->setReadBufferSize(0);
        const std::pair peer{socket->peerAddress().toString(), socket->peerPort()};
        upgrading_[peer] = Upgrading{socket, key};
        // A handshake that fails ends its socket; one that succeeds was counted off already.
        const auto ended = [this, socket, peer] {
            if (const auto it = upgrading_.find(peer);
                it != upgrading_.end() && it->second.socket == socket) {
                upgrading_.erase(it);
            }
        };
        connect(socket, &QObject::destroyed, this, ended);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, ended] {
            ended();
            if (server_ && socket->parent() == server_.get()) {
                socket->deleteLater();  // never taken over by a watcher
            }
        });
        upgrader_->handleConnection(socket);
        return;
    }
    auto answer = page_ ? page_(request.path) : std::nullopt;
    if (!answer) {
        Refuse(socket, WatchRefusal::NotFound, 404, "no such page");
        return;
    }
    Answer(socket, answer->status, answer->contentType, answer->body);
}

void WatchListener::Answer(QTcpSocket* socket, int status, const std::string& contentType,
                           const std::string& body) {
    Forget(socket);
    const std::string& sent = body.size() > limits_.maxBodyBytes ? std::string() : body;
    const std::string head = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) +
                             "\r\nContent-Type: " + contentType +
                             "\r\nContent-Length: " + std::to_string(sent.size()) +
                             "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff"
                             "\r\nConnection: close\r\n\r\n";
    socket->write(head.data(), static_cast<qint64>(head.size()));
    socket->write(sent.data(), static_cast<qint64>(sent.size()));
    socket->disconnectFromHost();
}

void WatchListener::Refuse(QTcpSocket* socket, WatchRefusal why, int status,
                           const std::string& text) {
    ++counters_.refusals[static_cast<std::size_t>(why)];
    Answer(socket, status, "text/plain; charset=utf-8", text + "\n");
}

void WatchListener::Forget(QTcpSocket* socket) {
    const auto it = readers_.find(socket);
    if (it == readers_.end()) {
        return;
    }
    if (--readingFrom_[it->second->key] <= 0) {
        readingFrom_.erase(it->second->key);
    }
    readers_.erase(it);
}

void WatchListener::Upgraded() {
    while (upgrader_ && upgrader_->hasPendingConnections()) {
        QWebSocket* socket = upgrader_->nextPendingConnection();
        auto watcher = std::make_unique<Watcher>();
        watcher->key = KeyOf(socket->peerAddress());
        if (const auto it = upgrading_.find({socket->peerAddress().toString(), socket->peerPort()});
            it != upgrading_.end()) {
            watcher->key = it->second.key;
            // Its socket is the watcher's now: what was to clean up after a failed handshake
            // must not touch it.
            it->second.socket->disconnect(this);
            upgrading_.erase(it);
        }
        // A watcher has nothing to say; a large frame is refused before it is buffered.
        socket->setMaxAllowedIncomingFrameSize(125);
        socket->setMaxAllowedIncomingMessageSize(125);
        const auto sent = [this, socket] {
            WatchRefusal why = WatchRefusal::WatcherSent;
            DropWatcher(socket, &why);
        };
        connect(socket, &QWebSocket::textMessageReceived, this, sent);
        connect(socket, &QWebSocket::binaryMessageReceived, this, sent);
        connect(socket, &QWebSocket::disconnected, this,
                [this, socket] { DropWatcher(socket, nullptr); });
        ++watchingFrom_[watcher->key];
        watchers_.emplace(socket, std::move(watcher));
        if (greeting_) {
            const std::string first = greeting_();
            socket->sendTextMessage(
                QString::fromUtf8(first.data(), static_cast<qsizetype>(first.size())));
        }
    }
}

void WatchListener::DropWatcher(QWebSocket* socket, WatchRefusal* why) {
    const auto it = watchers_.find(socket);
    if (it == watchers_.end()) {
        return;
    }
    if (why != nullptr) {
        ++counters_.refusals[static_cast<std::size_t>(*why)];
    }
    if (--watchingFrom_[it->second->key] <= 0) {
        watchingFrom_.erase(it->second->key);
    }
    watchers_.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void WatchListener::Broadcast(const std::string& text) {
    if (watchers_.empty()) {
        return;
    }
    const QString frame = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const std::int64_t now = NowMs();
    std::vector<QWebSocket*> stuck;
    for (auto& [socket, watcher] : watchers_) {
        if (socket->bytesToWrite() > limits_.maxBacklogBytes) {
            ++counters_.framesDropped;
            if (watcher->stuckSinceMs < 0) {
                watcher->stuckSinceMs = now;
            } else if (now - watcher->stuckSinceMs > limits_.stuckWatcherMs) {
                stuck.push_back(socket);
            }
            continue;
        }
        watcher->stuckSinceMs = -1;
        ++counters_.framesSent;
        counters_.bytesSent += static_cast<std::uint64_t>(socket->sendTextMessage(frame));
    }
    for (QWebSocket* socket : stuck) {
        DropWatcher(socket, nullptr);
    }
}

}  // namespace quorvex::session::watch
