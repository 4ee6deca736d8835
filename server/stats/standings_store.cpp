#include "server/stats/standings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cstdlib>

namespace quorvex::server::stats {
namespace {

constexpr const char* kSchema[] = {
    "CREATE TABLE IF NOT EXISTS rounds (id INTEGER PRIMARY KEY, ended_at INTEGER NOT NULL, "
    "game_type TEXT NOT NULL, miss_limit TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS results (round_id INTEGER NOT NULL REFERENCES rounds(id), "
    "name TEXT NOT NULL, wins INTEGER NOT NULL, misses INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS rounds_by_time ON rounds(ended_at)",
};

// A lock held by someone else is reported at once rather than waited out: the event loop that
// runs the ball must not stall on a file.
constexpr const char* kPragmas[] = {
    "PRAGMA busy_timeout = 0",
    "PRAGMA journal_mode = WAL",
    "PRAGMA synchronous = FULL",
};

std::string ErrorOf(const QSqlQuery& query) {
    return query.lastError().text().toStdString();
}

std::string EnvOr(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

StandingsStore::StandingsStore() {
    static std::atomic<int> next{0};
    connection_ = "quorvex-standings-" + std::to_string(next++);
}

StandingsStore::~StandingsStore() {
    if (QSqlDatabase::contains(QString::fromStdString(connection_))) {
        QSqlDatabase::database(QString::fromStdString(connection_), false).close();
        QSqlDatabase::removeDatabase(QString::fromStdString(connection_));
    }
}

std::optional<std::string> StandingsStore::Open(const std::string& path) {
    path_ = path;
    const QString file = QString::fromStdString(path);
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        return "cannot make the folder of " + path;
    }
    auto db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromStdString(connection_));
    if (!db.isValid()) {
        return "Qt's SQLite driver is missing (libqt6sql6-sqlite)";
    }
    db.setDatabaseName(file);
    if (!db.open()) {
        return db.lastError().text().toStdString();
    }
    QSqlQuery query(db);
    for (const char* statement : kPragmas) {
        if (!query.exec(QString::fromUtf8(statement))) {
            return ErrorOf(query);
        }
    }
    for (const char* statement : kSchema) {
        if (!query.exec(QString::fromUtf8(statement))) {
            return ErrorOf(query);
        }
    }
    open_ = true;
    return std::nullopt;
}

std::optional<std::string> StandingsStore::Record(const RoundResult& round) {
    if (!open_) {
        return "the standings file is not open";
    }
    auto db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    if (!db.transaction()) {
        return db.lastError().text().toStdString();
    }
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("INSERT INTO rounds (ended_at, game_type, miss_limit) VALUES (?, ?, ?)"));
    query.addBindValue(static_cast<qlonglong>(round.endedAtMs));
    query.addBindValue(QString::fromStdString(round.gameType));
    query.addBindValue(QString::fromStdString(round.limit));
    if (!query.exec()) {
        const auto error = ErrorOf(query);
        db.rollback();
        return error;
    }
    const QVariant roundId = query.lastInsertId();
    query.prepare(
        QStringLiteral("INSERT INTO results (round_id, name, wins, misses) VALUES (?, ?, ?, ?)"));
    for (const auto& player : round.players) {
        query.addBindValue(roundId);
        query.addBindValue(
            QString::fromUtf8(player.name.data(), static_cast<qsizetype>(player.name.size())));
        query.addBindValue(player.wins);
        query.addBindValue(static_cast<qlonglong>(player.misses));
        if (!query.exec()) {
            const auto error = ErrorOf(query);
            db.rollback();
            return error;
        }
    }
    if (!db.commit()) {
        const auto error = db.lastError().text().toStdString();
        db.rollback();
        return error;
    }
    return std::nullopt;
}

std::vector<Standing> StandingsStore::Since(std::int64_t sinceMs, std::size_t count) const {
    std::vector<Standing> standings;
    if (!open_) {
        return standings;
    }
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.prepare(
        QStringLiteral("SELECT name, SUM(wins), SUM(misses), COUNT(*) FROM results JOIN rounds ON "
                       "rounds.id = results.round_id WHERE rounds.ended_at >= ? GROUP BY name "
                       "ORDER BY SUM(wins) DESC, SUM(misses) ASC, name LIMIT ?"));
    query.addBindValue(static_cast<qlonglong>(sinceMs));
    query.addBindValue(static_cast<qlonglong>(count));
    if (!query.exec()) {
        return standings;
    }
    while (query.next()) {
        standings.push_back({query.value(0).toString().toStdString(), query.value(1).toLongLong(),
                             query.value(2).toLongLong(), query.value(3).toLongLong()});
    }
    return standings;
}

std::int64_t StandingsStore::Rounds() const {
    if (!open_) {
        return 0;
    }
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    return query.exec(QStringLiteral("SELECT COUNT(*) FROM rounds")) && query.next()
               ? query.value(0).toLongLong()
               : 0;
}

std::string DefaultStandingsPath() {
    std::string folder = EnvOr("STATE_DIRECTORY");
    if (const auto colon = folder.find(':'); colon != std::string::npos) {
        folder.resize(colon);  // systemd lists several folders separated by colons
    }
    if (folder.empty()) {
        const std::string xdg = EnvOr("XDG_STATE_HOME");
        folder = xdg.empty() ? EnvOr("HOME") + "/.local/state/quorvex" : xdg + "/quorvex";
    }
    return folder + "/standings.sqlite";
}

}  // namespace quorvex::server::stats
