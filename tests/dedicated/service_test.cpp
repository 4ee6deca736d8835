// The dedicated server as a service: its control socket, the settings file read again on
// SIGHUP, and bans kept across a restart, each with the real program.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "kit/recording_player.h"
#include "protocol/session/control_socket.h"
#include "protocol/session/refusals.h"
#include "tests/dedicated/dedicated_process.h"
#include "tests/support/raw_peer.h"

namespace quorvex::test {
namespace {

struct Reply {
    std::string text;
    int code = -1;
};

// `quorvex-server --command LINE`, as an operator's shell runs it.
Reply Command(const QString& control, const std::string& line) {
    QProcess client;
    client.start(QStringLiteral(QUORVEX_SERVER),
                 {"--command", QString::fromStdString(line), "--control", control});
    client.waitForFinished(15000);
    return {client.readAllStandardOutput().toStdString(), client.exitCode()};
}

void WriteFile(const QString& path, const char* text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// A client of the control socket that connects and says nothing.
struct RawLocal {
    explicit RawLocal(const std::string& path) : fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    ~RawLocal() { close(fd); }
    int fd;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Service, ControlSocketCommandsReplyAndTakeEffect) {
    QTemporaryDir dir;
    const QString control = dir.filePath("control");
    Dedicated server({"--headless", "--players", "5", "--port", "0", "--control", control});
    const quint16 port = server.Port();
    ASSERT_TRUE(server.Next("control socket " + control.toStdString()));
    kit::RecordingPlayer ann(port, "Ann", session::Limits{});
    ASSERT_TRUE(ann.WaitConnected());
    ASSERT_TRUE(server.Next("joined: "));
    const std::string id = std::to_string(ann.Id());
    const struct {
        std::string line;
        std::string reply;  // a part of the reply
        int code;
    } rows[] = {
        {"list", "player " + id + " \"Ann\"; seat 0", 0},
        {"limit 7", "settings: game free4all, limit 7", 0},
        {"list", "limit 7", 0},
        {"limit 100", "error: ", 1},
        {"kick 999", "error: no player 999", 1},
        {"frobnicate", "error: unknown command", 1},
        {std::string(5000, 'x'), "error: command line too long", 1},
        {"ban " + id + " 5", "kicked: " + id + " \"Ann\"", 0},
        {"bans", "\"Ann\", 5 min left", 0},
        {"unban Ann", "lifted 1 ban", 0},
        {"quit", "quit; closing the session", 0},
    };
    for (const auto& row : rows) {
        const Reply reply = Command(control, row.line);
        EXPECT_TRUE(Contains(reply.text, row.reply))
            << row.line.substr(0, 20) << ": " << reply.text;
        EXPECT_EQ(reply.code, row.code) << row.line.substr(0, 20);
    }
    EXPECT_TRUE(server.Exited());
    EXPECT_EQ(Command(control, "list").code, 1);  // nobody answers any more
}

TEST(Service, TellsTheServiceManagerReadyStatusAndHeartbeats) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("notify").toStdString();
    const int manager = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(manager, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("NOTIFY_SOCKET", QString::fromStdString(path));
    environment.insert("WATCHDOG_USEC", "400000");
    QProcess server;
    server.setProcessEnvironment(environment);
    server.start(QStringLiteral(QUORVEX_SERVER),
                 {"--headless", "--players", "3", "--port", "0", "--control", dir.filePath("c")});
    std::string heard;
    WaitUntil(
        [&] {
            char datagram[512];
            for (ssize_t got; (got = recv(manager, datagram, sizeof datagram, 0)) > 0;)
                heard.append(datagram, static_cast<std::size_t>(got)) += '|';
            return Contains(heard, "WATCHDOG=1|WATCHDOG=1|");
        },
        5000);
    server.kill();
    server.waitForFinished(3000);
    close(manager);
    EXPECT_TRUE(Contains(heard, "READY=1\nSTATUS=0 players, game free4all, limit 0|")) << heard;
    EXPECT_TRUE(Contains(heard, "WATCHDOG=1|WATCHDOG=1|")) << heard;
}

TEST(Service, OnlyTheServersOwnUserAndRootMayCommand) {
    const struct {
        uid_t peer, self;
        bool allowed;
    } rows[] = {{1000, 1000, true}, {0, 1000, true}, {1001, 1000, false}, {65534, 0, false}};
    for (const auto& row : rows)
        EXPECT_EQ(session::ControlPeerAllowed(row.peer, row.self), row.allowed) << row.peer;
}

TEST(Service, ControlSocketRefusesOtherUsersAndSilentClients) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to try the socket as another user";
    }
    QTemporaryDir dir;
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    const QString control = dir.filePath("control");
    Dedicated server({"--headless", "--players", "3", "--port", "0", "--control", control});
    ASSERT_TRUE(server.Next("control socket "));
    // Only the peer's credentials stand in the way now.
    chmod(control.toLocal8Bit().constData(), 0666);
    const pid_t child = fork();
    if (child == 0) {
        std::string reply;
        const bool answered = setuid(65534) == 0 &&
                              session::SendControlCommand(control.toStdString(), "quit", &reply);
        if (!answered || reply != "error: not allowed\n") {
            std::fprintf(stderr, "refused peer got: %s\n", reply.c_str());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(server.Next("refused a peer of user 65534"));

    RawLocal silent(control.toStdString());
    EXPECT_TRUE(server.Next("sent no command in time", 8000));
    EXPECT_EQ(Command(control, "list").code, 0);  // still running
}

TEST(Service, SighupAppliesAGoodFileAndRefusesABadOne) {
    QTemporaryDir dir;
    const QString config = dir.filePath("server.conf");
    WriteFile(config, "[server]\nheadless = true\nplayers = 4\nlimit = 3\n");
    Dedicated server({"--config", config, "--port", "0", "--control", dir.filePath("c")});
    const quint16 port = server.Port();
    ASSERT_TRUE(server.Next("control socket "));
    const auto pid = static_cast<pid_t>(server.process.processId());

    WriteFile(config, "[server]\nheadless = true\nplayers = 4\nlimit = lots\n");
    kill(pid, SIGHUP);
    EXPECT_TRUE(server.Next("settings not reloaded, the old ones stay: " + config.toStdString() +
                            ":4: --limit takes"));
    WriteFile(config, "[server]\nheadless = true\nplayers = 4\nlimit = 5\nmotd = Be kind, all\n");
    kill(pid, SIGHUP);
    EXPECT_TRUE(server.Next("settings reloaded: limit 5, motd"));

    // The greeting reaches the newcomer once and nobody else.
    kit::RecordingPlayer ann(port, "Ann", session::Limits{});
    ASSERT_TRUE(ann.WaitConnected());
    kit::RecordingPlayer bob(port, "Bob", session::Limits{});
    ASSERT_TRUE(bob.WaitConnected());
    ASSERT_TRUE(WaitUntil([&] { return !bob.All<msg::Chat>().empty(); }));
    Pump(200);
    EXPECT_EQ(ann.All<msg::Chat>(), std::vector<msg::Chat>{{"Server:>Be kind, all"}});
    EXPECT_EQ(bob.All<msg::Chat>(), std::vector<msg::Chat>{{"Server:>Be kind, all"}});
}

TEST(Service, BansOutliveARestart) {
    QTemporaryDir dir;
    const QStringList arguments{"--headless", "--players",       "4",           "--port",  "0",
                                "--control",  dir.filePath("c"), "--state-dir", dir.path()};
    {
        Dedicated server(arguments);
        const quint16 port = server.Port();
        RawPeer mal(port, "127.0.0.2");
        mal.SendHello(session::kApplicationId, "Mal");
        const auto welcome = mal.NextFrame();
        ASSERT_TRUE(welcome && welcome->first == session::FrameKind::Welcome);
        const auto id = *session::DecodeWelcome(welcome->second);
        ASSERT_TRUE(server.Next("joined: "));
        EXPECT_EQ(Command(dir.filePath("c"), "ban " + std::to_string(id)).code, 0);
        server.Command("quit");
        ASSERT_TRUE(server.Exited());
    }
    Dedicated again(arguments);
    const quint16 port = again.Port();
    EXPECT_TRUE(again.Next("bans: 1 read from "));
    for (const auto& [from, name] : {std::pair{"127.0.0.2", "Zed"}, {"127.0.0.3", "Mal"}}) {
        RawPeer peer(port, from);
        peer.SendHello(session::kApplicationId, name);
        const auto answer = peer.NextFrame();
        ASSERT_TRUE(answer && answer->first == session::FrameKind::Refuse) << from << name;
        EXPECT_EQ(session::DecodeRefusal(answer->second)->reason, session::RefuseReason::Banned);
    }
}

}  // namespace
}  // namespace quorvex::test
