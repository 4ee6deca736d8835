// The watch page's door against what a hostile or broken client sends, over loopback.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QWebSocket>

#include <string>

#include "protocol/session/watch/watch_listener.h"
#include "tests/support/wait.h"

namespace quorvex::session::watch {
namespace {

using test::WaitUntil;

constexpr char kUpgrade[] =
    "GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";

struct Door {
    explicit Door(WatchLimits limits = Short())
        : listener(
              limits,
              [](const std::string& path) -> std::optional<HttpResponse> {
                  if (path != "/") {
                      return std::nullopt;
                  }
                  return HttpResponse{"text/plain", "page"};
              },
              "/stream", [] { return std::string("hello"); }) {
        EXPECT_FALSE(listener.Listen(QHostAddress::LocalHost, 0));
    }
    static WatchLimits Short() {
        WatchLimits limits;
        limits.headTimeoutMs = 300;
        limits.maxHeadBytes = 1024;
        limits.maxHeaderLines = 8;
        return limits;
    }
    WatchListener listener;
};

// What the door answers to `request`: the status line, or "" when it only closed.
std::string Exchange(Door& door, const std::string& request, const QHostAddress& from) {
    QTcpSocket socket;
    socket.bind(from);
    socket.connectToHost(QHostAddress::LocalHost, door.listener.Port());
    // One the door turns away may be closed again before it is seen connected.
    WaitUntil([&] {
        return socket.state() == QAbstractSocket::ConnectedState ||
               socket.state() == QAbstractSocket::UnconnectedState;
    });
    socket.write(request.data(), static_cast<qint64>(request.size()));
    QByteArray answer;
    WaitUntil(
        [&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        3000);
    answer += socket.readAll();
    return answer.left(answer.indexOf("\r\n")).toStdString();
}

struct Hostile {
    const char* what;
    std::string request;
    const char* status;
    WatchRefusal counted;
};

TEST(WatchDoor, AnswersOnlyItsOwnGetsAndRefusesTheRest) {
    const Hostile table[] = {
        {"a page", "GET / HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 200 OK", WatchRefusal::Count},
        {"another method", "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n\r\n",
         "HTTP/1.1 405 Method Not Allowed", WatchRefusal::Method},
        {"an unknown path", "GET /etc/passwd HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found",
         WatchRefusal::NotFound},
        {"a header past the size bound", "GET / HTTP/1.1\r\nX: " + std::string(2000, 'a'),
         "HTTP/1.1 431 Request Header Fields Too Large", WatchRefusal::HeadTooLarge},
        {"a header line without a colon", "GET / HTTP/1.1\r\nxxxx\r\n\r\n",
         "HTTP/1.1 400 Bad Request", WatchRefusal::BadRequest},
        {"more lines than the bound",
         [] {
             std::string many = "GET / HTTP/1.1\r\n";
             for (int i = 0; i < 9; ++i)
                 many += "X-" + std::to_string(i) + ": 1\r\n";
             return many + "\r\n";
         }(),
         "HTTP/1.1 431 Request Header Fields Too Large", WatchRefusal::HeadTooLarge},
        {"a head that never ends (slowloris)", "GET / HTTP/1.1\r\nHost: a\r\n",
         "HTTP/1.1 408 Request Timeout", WatchRefusal::SlowHead},
        {"a stream asked from another site",
         std::string(kUpgrade) + "Origin: http://evil.example\r\n\r\n", "HTTP/1.1 403 Forbidden",
         WatchRefusal::WrongOrigin},
        {"a header name with a space", "GET / HTTP/1.1\r\nHost : a\r\n\r\n",
         "HTTP/1.1 400 Bad Request", WatchRefusal::BadRequest},
        {"a target that is not a path", "GET http://a/ HTTP/1.1\r\n\r\n",
         "HTTP/1.1 400 Bad Request", WatchRefusal::BadRequest},
        {"another protocol", "GET / HTTP/2.0\r\n\r\n", "HTTP/1.1 505 HTTP Version Not Supported",
         WatchRefusal::BadRequest},
    };
    Door door;
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        const auto before = door.listener.Counters().refusals;
        EXPECT_EQ(Exchange(door, row.request, QHostAddress::LocalHost), row.status);
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(door.listener.Counters().refusals[i] - before[i],
                      i == static_cast<std::size_t>(row.counted) ? 1u : 0u)
                << WatchRefusalName(static_cast<WatchRefusal>(i));
        }
    }
}

struct Watching {
    explicit Watching(Door& door, const QString& origin) {
        QNetworkRequest request(
            QUrl(QStringLiteral("ws://127.0.0.1:%1/stream").arg(door.listener.Port())));
        if (!origin.isEmpty()) {
            request.setRawHeader("Origin", origin.toUtf8());
        }
        QObject::connect(&socket, &QWebSocket::textMessageReceived,
                         [this](const QString& text) { received << text; });
        socket.open(request);
    }
    bool Open() {
        return WaitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; });
    }
    QWebSocket socket;
    QStringList received;
};

TEST(WatchDoor, WatchersGetTheGreetingAndFramesAndAreBoundedAndSilent) {
    WatchLimits limits = Door::Short();
    limits.maxWatchers = 2;
    Door door(limits);
    Watching first(door, QStringLiteral("http://127.0.0.1:%1").arg(door.listener.Port()));
    Watching second(door, {});
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(second.Open());
    ASSERT_TRUE(WaitUntil([&] { return door.listener.Watchers() == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return first.received == QStringList{"hello"}; }));

    Watching third(door, {});
    EXPECT_TRUE(WaitUntil([&] {
        return door.listener.Counters().refusals[static_cast<int>(WatchRefusal::WatchersFull)] == 1;
    }));

    door.listener.Broadcast("frame");
    EXPECT_TRUE(WaitUntil([&] { return second.received == QStringList{"hello", "frame"}; }));

    // A watcher has nothing to say: a word from it ends it.
    first.socket.sendTextMessage(QStringLiteral("kick 101"));
    EXPECT_TRUE(WaitUntil([&] { return door.listener.Watchers() == 1; }));
    EXPECT_EQ(door.listener.Counters().refusals[static_cast<int>(WatchRefusal::WatcherSent)], 1u);
}

TEST(WatchDoor, AWatcherWithFramesStillUnsentMissesTheNext) {
    WatchLimits limits = Door::Short();
    limits.maxBacklogBytes = 1000;
    Door door(limits);
    Watching watcher(door, {});
    ASSERT_TRUE(WaitUntil([&] { return door.listener.Watchers() == 1; }));
    // Nothing leaves before the event loop turns: the second frame finds the first unsent.
    door.listener.Broadcast(std::string(1200, 'x'));
    door.listener.Broadcast("next");
    EXPECT_EQ(door.listener.Counters().framesDropped, 1u);
    EXPECT_TRUE(WaitUntil([&] { return watcher.received.size() == 2; }));  // greeting, 1200
    test::Pump(50);
    door.listener.Broadcast("after");
    EXPECT_TRUE(WaitUntil([&] { return watcher.received.size() == 3; }));
}

TEST(WatchDoor, OneAddressCannotTakeEveryReadingPlace) {
    WatchLimits limits = Door::Short();
    limits.maxReadingPerAddress = 2;
    Door door(limits);
    const QHostAddress stranger(QStringLiteral("127.0.0.2"));
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 2; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->bind(stranger);
        idle.back()->connectToHost(QHostAddress::LocalHost, door.listener.Port());
    }
    ASSERT_TRUE(WaitUntil([&] {
        return idle[0]->state() == QAbstractSocket::ConnectedState &&
               idle[1]->state() == QAbstractSocket::ConnectedState;
    }));
    test::Pump(50);
    EXPECT_EQ(Exchange(door, "GET / HTTP/1.1\r\n\r\n", stranger), "");
    EXPECT_EQ(Exchange(door, "GET / HTTP/1.1\r\n\r\n", QHostAddress::LocalHost), "HTTP/1.1 200 OK");
}

}  // namespace
}  // namespace quorvex::session::watch
