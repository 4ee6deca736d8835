#include "server/watch/watch_service.h"

#include <QFile>
#include <QNetworkInterface>

#include "protocol/messages.h"
#include "protocol/session/session_server.h"
#include "server/watch/json_text.h"

namespace quorvex::server::watch {
namespace {

std::optional<std::string> Resource(const char* name) {
    QFile file(QStringLiteral(":/watch/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

std::string StandingsArray(const std::vector<stats::Standing>& standings) {
    std::string out = "[";
    for (std::size_t i = 0; i < standings.size(); ++i) {
        const auto& s = standings[i];
        out += (i == 0 ? "{" : ",{") + std::string("\"name\":") + JsonString(s.name) +
               ",\"wins\":" + std::to_string(s.wins) + ",\"misses\":" + std::to_string(s.misses) +
               ",\"rounds\":" + std::to_string(s.rounds) + "}";
    }
    return out + "]";
}

}  // namespace

WatchService::WatchService(GameHost& host, const stats::StandingsKeeper* standings,
                           session::watch::WatchLimits limits)
    : host_(host),
      standings_(standings),
      listener_(
          limits, [this](const std::string& path) { return Page(path); }, kStreamPath,
          [this] { return Frame(); }) {
    frames_.setInterval(kFrameIntervalMs);
    connect(&frames_, &QTimer::timeout, this, [this] {
        // The ball's own frames are on time: this one only fills in while it stands still.
        if (!sinceFrame_.isValid() ||
            sinceFrame_.elapsed() >= kFrameIntervalMs + kFrameAfterBallMs) {
            SendFrame();
        }
    });
    afterBall_.setSingleShot(true);
    afterBall_.setInterval(kFrameAfterBallMs);
    connect(&afterBall_, &QTimer::timeout, this, &WatchService::SendFrame);
    lagProbe_.setInterval(kFrameIntervalMs);
    lagProbe_.setTimerType(Qt::PreciseTimer);
    connect(&lagProbe_, &QTimer::timeout, this, &WatchService::ProbeLag);
}

WatchService::~WatchService() {
    host_.SetSentTap({});
}

std::optional<std::string> WatchService::Start(quint16 port, bool loopbackOnly) {
    loopbackOnly_ = loopbackOnly;
    if (auto error =
            listener_.Listen(loopbackOnly ? QHostAddress::LocalHost : QHostAddress::Any, port)) {
        return error;
    }
    // Only while the page is served does the game's traffic pass through here.
    host_.SetSentTap([this](ByteView message) { Sent(message); });
    frames_.start();
    sinceProbe_.start();
    lagProbe_.start();
    return std::nullopt;
}

void WatchService::Stop() {
    host_.SetSentTap({});
    frames_.stop();
    afterBall_.stop();
    lagProbe_.stop();
    listener_.Close();
}

std::string WatchService::Url() const {
    QString host = loopbackOnly_ ? QStringLiteral("127.0.0.1")
                                 : session::PreferredHostAddress(QNetworkInterface::allAddresses());
    if (host.contains(QLatin1Char(':'))) {
        host = QLatin1Char('[') + host + QLatin1Char(']');
    }
    return "http://" + host.toStdString() + ":" + std::to_string(Port()) + "/";
}

std::string WatchService::Frame() {
    return snapshot_.Frame(host_.Game(), standings_ != nullptr ? standings_->RoundsEnded() : 0);
}

void WatchService::Sent(ByteView message) {
    const auto type = msg::PeekType(message);
    if (listener_.Watchers() == 0) {
        // Paddles are reported ten times a second: a first watcher has them at once anyway.
        if (type == static_cast<std::uint8_t>(msg::Type::Chat)) {
            snapshot_.Sent(message);
        }
        return;
    }
    snapshot_.Sent(message);
    if (type == static_cast<std::uint8_t>(msg::Type::BallUpdate) && !afterBall_.isActive()) {
        afterBall_.start();
    }
}

void WatchService::SendFrame() {
    if (listener_.Watchers() > 0) {
        sinceFrame_.start();
        listener_.Broadcast(Frame());
    }
}

void WatchService::ProbeLag() {
    const double late =
        static_cast<double>(sinceProbe_.nsecsElapsed()) / 1e9 - kFrameIntervalMs / 1000.0;
    sinceProbe_.restart();
    lag_.Add(late > 0 ? late : 0);
}

std::string WatchService::Metrics() const {
    MetricsSample sample;
    const ServerGame& game = host_.Game();
    sample.players = game.Roster().size();
    sample.seats = game.Seats().size();
    if (standings_ != nullptr) {
        sample.rounds = standings_->RoundsEnded();
        sample.standingsWriteFailures = standings_->WriteFailures();
    }
    if (const auto* server = host_.Server()) {
        sample.session = server->Counters();
    }
    sample.watch = listener_.Counters();
    sample.watchers = listener_.Watchers();
    return MetricsText(sample, lag_);
}

std::string WatchService::StandingsJson() const {
    if (standings_ == nullptr || !standings_->Store().IsOpen()) {
        return "{\"kept\":false,\"tonight\":[],\"allTime\":[]}";
    }
    return "{\"kept\":true,\"tonight\":" + StandingsArray(standings_->Tonight(kStandingsShown)) +
           ",\"allTime\":" + StandingsArray(standings_->AllTime(kStandingsShown)) + "}";
}

std::optional<session::watch::HttpResponse> WatchService::Page(const std::string& path) const {
    if (path == "/" || path == "/index.html") {
        if (auto page = Resource("index.html")) {
            return session::watch::HttpResponse{"text/html; charset=utf-8", std::move(*page)};
        }
    } else if (path == "/watch.js") {
        if (auto script = Resource("watch.js")) {
            return session::watch::HttpResponse{"text/javascript; charset=utf-8",
                                                std::move(*script)};
        }
    } else if (path == "/watch.css") {
        if (auto style = Resource("watch.css")) {
            return session::watch::HttpResponse{"text/css; charset=utf-8", std::move(*style)};
        }
    } else if (path == "/standings.json") {
        return session::watch::HttpResponse{"application/json", StandingsJson()};
    } else if (path == "/metrics") {
        return session::watch::HttpResponse{"text/plain; version=0.0.4; charset=utf-8", Metrics()};
    }
    return std::nullopt;
}

}  // namespace quorvex::server::watch
