// Who gets through the server's door, over real loopback: joins per address, the password's
// lockout and the server's own proof, kicks that end the connection, bans, and a roster that
// connect-and-drop cannot grow. 127.0.0.1 is this machine, spared the limits per address;
// 127.0.0.2 stands for a stranger's host.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "kit/recording_player.h"
#include "kit/session_ends.h"
#include "protocol/session/password.h"
#include "protocol/session/refusals.h"
#include "server/dedicated/console_commands.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/raw_peer.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::ErrorCode;
using session::FrameKind;

// A greeting from `from` named `name`: the refusal's reason, or none when welcomed.
struct Greeter : RawPeer {
    Greeter(quint16 port, const char* from, const std::string& name) : RawPeer(port, from) {
        SendHello(session::kApplicationId, name);
        answer = NextFrame();
    }
    bool Welcomed() const { return answer && answer->first == FrameKind::Welcome; }
    std::optional<session::Status> Refused() const {
        if (!answer || answer->first != FrameKind::Refuse) {
            return std::nullopt;
        }
        return session::StatusOfRefusal(*session::DecodeRefusal(answer->second));
    }
    std::optional<std::pair<FrameKind, Buffer>> answer;
};

TEST(Door, AStrangersHostJoinsFiveTimesInTenSecondsThisMachineAnyNumber) {
    const struct {
        const char* from;
        int welcomed;  // of 7 joins in a row
    } rows[] = {{"127.0.0.2", 5}, {"127.0.0.1", 7}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        kit::HostedServer host;
        std::vector<std::unique_ptr<Greeter>> joins;
        for (int i = 0; i < 7; ++i) {
            joins.push_back(std::make_unique<Greeter>(host.Port(), row.from, "p"));
            EXPECT_EQ(joins.back()->Welcomed(), i < row.welcomed) << i;
        }
        if (row.welcomed < 7) {
            const auto refused = joins.back()->Refused();
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->code, ErrorCode::TooManyJoins);
            EXPECT_TRUE(Contains(session::ErrorText(*refused), "Too many joins from this address"))
                << session::ErrorText(*refused);
        }
    }
}

// A real client with a wrong password never answers (the server's proof does not match), so
// the guesses come from a script, with the older exchange: a proof of the server's nonce.
TEST(Door, ThreeWrongPasswordsLockTheAddressOutEvenForTheRightOne) {
    const struct {
        std::vector<std::string> tries;
        std::string results;  // each try: W a wrong password, L locked out, + welcomed
    } rows[] = {{{"a", "b", "sesame", "c", "d", "sesame"}, "WW+WW+"},
                {{"a", "b", "c", "sesame"}, "WWLL"}};
    for (const auto& row : rows) {
        kit::HostedServer host;
        host.server.SetPassword("sesame");
        for (std::size_t i = 0; i < row.tries.size(); ++i) {
            RawPeer guesser(host.Port(), "127.0.0.2");
            guesser.SendHello(session::kApplicationId, "Eve");
            auto frame = guesser.NextFrame();
            ASSERT_TRUE(frame);
            if (frame->first == FrameKind::Challenge) {
                const auto challenge = session::DecodeChallenge(frame->second);
                ASSERT_TRUE(challenge);
                guesser.SendFrame(FrameKind::Answer,
                                  session::PasswordProof(row.tries[i], challenge->nonce));
                frame = guesser.NextFrame();
                ASSERT_TRUE(frame);
            }
            using Reason = session::RefuseReason;
            const char expected = row.results[i];
            EXPECT_EQ(frame->first, expected == '+' ? FrameKind::Welcome : FrameKind::Refuse) << i;
            if (frame->first == FrameKind::Refuse) {
                EXPECT_EQ(session::DecodeRefusal(frame->second)->reason,
                          expected == 'W' ? Reason::WrongPassword : Reason::PasswordLockout)
                    << i << " " << row.tries[i];
            }
        }
    }
}

// A server that asks for the password with a proof of its own making, and notes whether the
// client ever answered.
struct StrangersServer {
    explicit StrangersServer(Buffer proof) {
        listener.listen(QHostAddress::LocalHost);
        QObject::connect(&listener, &QTcpServer::newConnection, [this, proof] {
            socket = listener.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [this, proof] {
                const QByteArray bytes = socket->readAll();
                parser.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            static_cast<std::size_t>(bytes.size()));
                while (const auto frame = parser.Next()) {
                    if (frame->kind == FrameKind::Answer) {
                        answered = true;
                    } else if (frame->kind == FrameKind::Hello) {
                        const Buffer body = session::EncodeChallenge({session::NewNonce(), proof});
                        socket->write(FrameBytes(FrameKind::Challenge, body));
                    }
                }
            });
        });
    }
    QTcpServer listener;
    QTcpSocket* socket = nullptr;
    session::FrameParser parser{1024};
    bool answered = false;
};

TEST(Door, AServerThatCannotProveThePasswordGetsNoAnswer) {
    const struct {
        Buffer proof;
        ErrorCode result;
    } rows[] = {{Buffer(session::kProofBytes, 7), ErrorCode::WrongPassword},
                {Buffer{}, ErrorCode::ServerUnproven}};
    for (const auto& row : rows) {
        StrangersServer stranger(row.proof);
        kit::ConnectedClient client(stranger.listener.serverPort(), "Ann");
        client.client.SetPassword("sesame");
        EXPECT_FALSE(client.WaitConnected());
        EXPECT_EQ(client.events.completions.at(0).code, row.result);
        Pump(100);
        EXPECT_FALSE(stranger.answered);
    }
    // The real server proves it, and is answered.
    kit::HostedServer host;
    host.server.SetPassword("sesame");
    kit::ConnectedClient client(host.Port(), "Ann");
    client.client.SetPassword("sesame");
    EXPECT_TRUE(client.WaitConnected());
}

struct Hosted : TestServer {
    explicit Hosted(int maxPlayers = 3) : TestServer(maxPlayers) {}
    std::unique_ptr<kit::RecordingPlayer> Join(const std::string& name) {
        auto bot = std::make_unique<kit::RecordingPlayer>(Port(), name);
        EXPECT_TRUE(bot->WaitConnected()) << name;
        EXPECT_TRUE(WaitUntil([&] { return Game().FindPlayer(bot->Id()) != nullptr; }));
        return bot;
    }
    std::vector<std::string> Run(const std::string& line) {
        return server::RunConsoleCommand(Game(), line, "", &host).lines;
    }
};

TEST(Door, AKickEndsTheConnectionAndFreesItsPlace) {
    Hosted server;  // room for two
    auto first = server.Join("Sq1");
    auto second = server.Join("Sq2");
    for (kit::RecordingPlayer* kicked : {first.get(), second.get()}) {
        server.Run("kick " + std::to_string(kicked->Id()));
        EXPECT_TRUE(WaitUntil([&] { return kicked->Link().events.terminated == 1; }));
    }
    EXPECT_TRUE(server.Game().Roster().empty());
    auto honest = server.Join("Ann");
    // A player already gone: the kick only takes its row, as before.
    const auto id = honest->Id();
    honest.reset();
    ASSERT_TRUE(WaitUntil([&] { return server.Game().IsDropped(id); }));
    EXPECT_TRUE(server.Run("kick " + std::to_string(id)).empty());
    EXPECT_TRUE(server.Game().Roster().empty());
}

TEST(Door, ABanRefusesTheAddressAndTheNameUntilLifted) {
    Hosted server(11);
    Greeter eve(server.Port(), "127.0.0.2", "Eve");
    ASSERT_TRUE(eve.Welcomed());
    const auto id = *session::DecodeWelcome(eve.answer->second);
    ASSERT_TRUE(WaitUntil([&] { return server.Game().FindPlayer(id) != nullptr; }));
    EXPECT_EQ(server.Run("ban " + std::to_string(id)).at(0),
              "ban 1: player " + std::to_string(id) + " for 10 min");
    EXPECT_TRUE(WaitUntil([&] { return eve.ClosedByServer(); }));
    EXPECT_EQ(server.Run("bans").at(1), "ban 1: 127.0.0.2, \"Eve\", 10 min left");

    const struct {
        const char* from;
        const char* name;
        bool banned;
    } rows[] = {{"127.0.0.2", "Zed", true},
                {"127.0.0.1", "Eve", true},
                {"127.0.0.1", "Ann", false},
                {"127.0.0.3", "Zed", false}};
    for (const bool lifted : {false, true}) {
        for (const auto& row : rows) {
            Greeter g(server.Port(), row.from, row.name);
            const auto refused = g.Refused();
            EXPECT_EQ(refused && refused->code == ErrorCode::Banned, row.banned && !lifted)
                << row.from << " " << row.name << " lifted " << lifted;
        }
        if (!lifted) {
            EXPECT_EQ(server.Run("unban 127.0.0.2").at(0), "lifted 1 ban");
        }
    }
}

TEST(Door, PlayersWhoConnectAndHangUpNeverGrowTheRosterPastTheMaximum) {
    Hosted server;  // room for two
    auto ann = server.Join("Ann");
    for (int i = 0; i < 6; ++i) {
        auto gone = server.Join("x" + std::to_string(i));
        const auto id = gone->Id();
        gone.reset();
        ASSERT_TRUE(WaitUntil([&] { return server.Game().IsDropped(id); }));
        EXPECT_EQ(server.Game().Roster().size(), 2U);
    }
    EXPECT_EQ(server.Game().Roster().front().name, "Ann");
    // With nobody lost, a full session still says so.
    auto bob = server.Join("Bob");
    kit::RecordingPlayer third(server.Port(), "Cid");
    EXPECT_FALSE(third.WaitConnected());
    EXPECT_EQ(third.Link().events.completions.at(0).code, ErrorCode::SessionFull);
}

}  // namespace
}  // namespace quorvex::test
