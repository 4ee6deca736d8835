// The watch page's frames: the arena as the clients build it, paddles as reported, and any
// player name carried as valid JSON.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "protocol/messages.h"
#include "server/watch/snapshot.h"
#include "tests/support/recording_outbox.h"

namespace quorvex::server::watch {
namespace {

QJsonObject Parsed(const std::string& frame) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(frame), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << frame;
    return document.object();
}

struct Table {
    explicit Table(int players) {
        game.OnCreatePlayer(1, "server");
        for (int i = 0; i < players; ++i) {
            game.AddPlayer(names[i % 4], 101 + i);  // a newcomer takes a seat at once
        }
    }
    const char* names[4] = {"Ann \"the <b>\"", "Bo\\b", "\x01\xff\xfe", "Zoë"};
    test::RecordingOutbox outbox;
    ServerGame game{outbox};
    SnapshotBuilder builder;
};

TEST(WatchFrames, SidesAndPaddlesFollowTheSeatTable) {
    for (const int seats : {0, 1, 2, 3, 4, 7}) {
        SCOPED_TRACE(seats);
        Table table(seats);
        const auto frame = Parsed(table.builder.Frame(table.game, 0));
        EXPECT_EQ(frame["sides"].toArray().size(), std::max(seats, 3));
        EXPECT_EQ(frame["dividers"].toArray().size(), std::max(seats, 3));
        EXPECT_EQ(frame["paddles"].toArray().size(), seats);
        EXPECT_EQ(frame["seats"].toArray().size(), seats);
    }
}

TEST(WatchFrames, NamesOfAnyBytesArriveAsText) {
    Table table(4);
    const auto seats = Parsed(table.builder.Frame(table.game, 0))["seats"].toArray();
    EXPECT_EQ(seats[0]["name"].toString(), QStringLiteral("Ann \"the <b>\""));
    EXPECT_EQ(seats[1]["name"].toString(), QStringLiteral("Bo\\b"));
    EXPECT_EQ(seats[2]["name"].toString(), QString::fromUtf8("\x01\xef\xbf\xbd\xef\xbf\xbd"));
    EXPECT_EQ(seats[3]["name"].toString(), QStringLiteral("Zoë"));
    EXPECT_EQ(table.builder.Frame(table.game, 0).find('<'), std::string::npos);
}

TEST(WatchFrames, PaddlesAreTheLastReportOfAnExistingSeat) {
    Table table(3);
    const auto paddle = [](const char* seat, const char* x) {
        return test::Bytes(msg::PaddleUpdate{seat, x, "2", "3", "4"});
    };
    table.builder.Sent(paddle("1", "10"));
    table.builder.Sent(paddle("1", "11"));
    table.builder.Sent(paddle("-1", "5"));
    table.builder.Sent(paddle("1.5", "5"));
    table.builder.Sent(paddle("40000", "5"));
    const auto paddles = Parsed(table.builder.Frame(table.game, 0))["paddles"].toArray();
    EXPECT_TRUE(paddles[0].isNull());
    EXPECT_EQ(paddles[1].toArray()[0].toDouble(), 11);
    EXPECT_TRUE(paddles[2].isNull());
}

TEST(WatchFrames, ChatOnlyWhenShownAndOnlyTheLatestLines) {
    Table table(1);
    table.builder.Sent(test::Bytes(msg::Chat{"hidden"}));
    EXPECT_FALSE(Parsed(table.builder.Frame(table.game, 0)).contains("chat"));
    table.builder.SetChatShown(true);
    for (std::size_t i = 0; i <= kChatLinesKept; ++i) {
        table.builder.Sent(test::Bytes(msg::Chat{"line " + std::to_string(i)}));
    }
    const auto chat = Parsed(table.builder.Frame(table.game, 0))["chat"].toArray();
    ASSERT_EQ(chat.size(), static_cast<qsizetype>(kChatLinesKept));
    EXPECT_EQ(chat[0].toString(), QStringLiteral("line 1"));
}

}  // namespace
}  // namespace quorvex::server::watch
