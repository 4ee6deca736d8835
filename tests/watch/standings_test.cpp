// The standings: who won a round, when an evening starts, and the file across a restart.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "server/stats/standings_store.h"

namespace quorvex::server::stats {
namespace {

std::vector<SeatRow> Seats(std::initializer_list<const char*> misses) {
    std::vector<SeatRow> seats;
    for (const char* m : misses) {
        seats.push_back(
            {std::to_string(101 + seats.size()), "P" + std::to_string(seats.size()), "0", m});
    }
    return seats;
}

TEST(Standings, RoundWinners) {
    struct Row {
        GameType type;
        const char* limit;
        std::vector<SeatRow> seats;
        std::vector<int> wins;
    };
    const Row table[] = {
        {GameType::Points, "3", Seats({"3", "1", "2"}), {0, 1, 0}},
        {GameType::Points, "3", Seats({"3", "1", "1"}), {0, 1, 1}},
        {GameType::Survivor, "1", Seats({"2", "1", "0"}), {0, 1, 1}},
        {GameType::Survivor, "0", Seats({"1", "0", "0"}), {0, 1, 1}},
    };
    for (const auto& row : table) {
        const auto result = ResultOf(row.type, row.limit, row.seats, 0);
        std::vector<int> wins;
        for (const auto& player : result.players) {
            wins.push_back(player.wins);
        }
        EXPECT_EQ(wins, row.wins);
    }
}

TEST(Standings, AnEveningRunsFromSixToSix) {
    constexpr std::int64_t h = 3'600'000;
    constexpr std::int64_t day = 24 * h;
    const struct {
        std::int64_t now, offsetSeconds, start;
    } table[] = {
        {10 * day + 22 * h, 0, 10 * day + 6 * h},
        {10 * day + 2 * h, 0, 9 * day + 6 * h},   // past midnight: still last evening
        {10 * day + 6 * h, 0, 10 * day + 6 * h},  // six o'clock starts the next
        {10 * day + 5 * h, 3600, 10 * day + 5 * h},
        {10 * day + 5 * h - 1, 3600, 9 * day + 5 * h},
    };
    for (const auto& row : table) {
        EXPECT_EQ(EveningStartMs(row.now, row.offsetSeconds), row.start) << row.now;
    }
}

TEST(Standings, KeptAcrossARestart) {
    QTemporaryDir folder;
    const std::string path =
        folder.filePath(QStringLiteral("state/standings.sqlite")).toStdString();
    {
        StandingsStore store;
        ASSERT_FALSE(store.Open(path));
        EXPECT_FALSE(store.Record({1000, "points", "3", {{"Ann", 1, 0}, {"Bo", 0, 3}}}));
        EXPECT_FALSE(store.Record({2000, "points", "3", {{"Ann", 0, 3}, {"Bo", 1, 1}}}));
    }
    StandingsStore reopened;
    ASSERT_FALSE(reopened.Open(path));
    EXPECT_FALSE(reopened.Record({3000, "survivor", "0", {{"Bo", 1, 0}, {"Cy", 0, 1}}}));
    EXPECT_EQ(reopened.Rounds(), 3);
    const auto all = reopened.Since(0, 10);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "Bo");
    EXPECT_EQ(all[0].wins, 2);
    EXPECT_EQ(all[0].misses, 4);
    EXPECT_EQ(all[0].rounds, 3);
    EXPECT_EQ(all[1].name, "Ann");
    const auto late = reopened.Since(2000, 1);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].name, "Bo");
    EXPECT_EQ(late[0].wins, 2);
}

TEST(Standings, AFileThatIsNoDatabaseIsReportedNotUsed) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("standings.sqlite"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    StandingsStore store;
    EXPECT_TRUE(store.Open(path.toStdString()));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_TRUE(store.Record({1, "points", "1", {{"Ann", 1, 0}}}));
    EXPECT_TRUE(store.Since(0, 10).empty());
}

}  // namespace
}  // namespace quorvex::server::stats
