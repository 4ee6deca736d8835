#pragma once

// The watch page: serves the page, its stream of frames, the standings and the metrics from
// one port, beside the game. Off until Start; while nobody watches, no frame is built.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

#include "protocol/session/watch/watch_listener.h"
#include "server/host/game_host.h"
#include "server/stats/standings_keeper.h"
#include "server/watch/metrics_text.h"
#include "server/watch/snapshot.h"

namespace quorvex::server::watch {

inline constexpr char kStreamPath[] = "/stream";
// Frames a second: the page moves smoothly between them at the display's own rate.
inline constexpr int kFrameIntervalMs = 100;
// A frame follows each ball step this long after it, so that the watchers' writes never stand
// between the players and their BallUpdate.
inline constexpr int kFrameAfterBallMs = 40;
inline constexpr std::size_t kStandingsShown = 20;

class WatchService : public QObject {
    Q_OBJECT
  public:
    // `standings`: none when the standings are not kept.
    WatchService(GameHost& host, const stats::StandingsKeeper* standings,
                 session::watch::WatchLimits limits = {});
    ~WatchService() override;

    // Listens on every address, or on loopback only; the error when it cannot.
    std::optional<std::string> Start(quint16 port, bool loopbackOnly);
    void Stop();
    bool IsRunning() const { return listener_.IsListening(); }
    quint16 Port() const { return listener_.Port(); }
    // What a person opens: the host's address for others (loopback when only that listens).
    std::string Url() const;
    void SetChatShown(bool shown) { snapshot_.SetChatShown(shown); }

    std::string Metrics() const;
    std::string StandingsJson() const;
    const session::watch::WatchListener& Listener() const { return listener_; }

  private:
    std::optional<session::watch::HttpResponse> Page(const std::string& path) const;
    std::string Frame();
    void SendFrame();
    void Sent(ByteView message);
    void ProbeLag();

    GameHost& host_;
    const stats::StandingsKeeper* standings_;
    SnapshotBuilder snapshot_;
    session::watch::WatchListener listener_;
    bool loopbackOnly_ = false;
    QTimer frames_;     // while the ball stands still
    QTimer afterBall_;  // while it runs
    QElapsedTimer sinceFrame_;
    QTimer lagProbe_;
    QElapsedTimer sinceProbe_;
    LagHistogram lag_;
};

}  // namespace quorvex::server::watch
