#include "bench/client_frame/jitter_run.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "client/motion/drawn_ball.h"
#include "client/motion/next_step.h"
#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "protocol/outbox.h"

namespace quorvex::bench {
namespace {

constexpr int kSeats = 6;
constexpr double kLatencyMs = 5;
constexpr double kFrameMs = 1000.0 / 60;
constexpr double kTwipsPerMs = 2.55;  // 255 twips a step, a step every 100 ms
constexpr double kPixel = 15;
constexpr double kRadius = 127.5;
constexpr float kStartLeft = 5235;
constexpr float kStartTop = 3750;
constexpr std::int32_t kOwnId = 100;

// The drawing as it was before: runs on from each arrival along the judged direction for one
// interval, eases into a report within 60 twips of the drawn ball, jumps to any other.
class Before {
  public:
    void Report(const ball::Ball& ball, double nowMs) {
        const motion::Point drawn = At(nowMs);
        const double gapX = drawn.x - ball.left;
        const double gapY = drawn.y - ball.top;
        ease_ =
            reported_ && std::hypot(gapX, gapY) <= 60 ? motion::Point{gapX, gapY} : motion::Point{};
        at_ = {ball.left, ball.top};
        step_ = {};
        if (const auto degrees = StrictNumber(ball.direction)) {
            const auto s = ball::StepAlong(*degrees);
            step_ = {s.x, s.y};
        }
        reportMs_ = nowMs;
        reported_ = true;
    }
    motion::Point At(double nowMs) const {
        const double f = std::clamp((nowMs - reportMs_) / 100, 0.0, 1.0);
        return {at_.x + step_.x * f + ease_.x * (1 - f), at_.y + step_.y * f + ease_.y * (1 - f)};
    }

  private:
    bool reported_ = false;
    motion::Point at_, step_, ease_;
    double reportMs_ = 0;
};

struct SentEvents : Outbox {
    bool Send(const Buffer& message) override {
        sent.push_back(message);
        return true;
    }
    std::vector<Buffer> sent;
};

struct PathPoint {
    double ms;
    double x, y;
    int run;
};

class Simulation {
  public:
    Simulation(Scheme scheme, double jitterMs, bool seated, unsigned seed)
        : scheme_(scheme),
          jitterMs_(jitterMs),
          seated_(seated),
          rng_(seed),
          state_(outbox_),
          drawn_(scheme == Scheme::kInterpolate ? motion::kReportIntervalMs : 0) {
        arena::SetUpArena(truth_, kSeats);
        for (int s = 0; s < kSeats; ++s) {
            aimError_.push_back(0);
        }
        msg::Roster roster;
        msg::Scoreboard board;
        for (int s = 0; s < kSeats; ++s) {
            const std::int32_t id = seated && s == 0 ? kOwnId : s + 1;
            if (id != kOwnId) {
                roster.entries.push_back({"p" + std::to_string(id), id});
            }
            board.seats.push_back({FormatInteger(id), "0", "0"});
        }
        roster.entries.push_back({"Me", kOwnId});
        board_ = board;
        Send(0, *msg::Encode(roster));
        Send(0, *msg::Encode(board));
        dir_ = "37";
        path_.push_back({0, left_, top_, 0});
    }

    JitterFigures Run(int seconds) {
        const double end = seconds * 1000.0;
        double nextStep = 100, nextFrame = 0.5, nextAim = 0;
        while (nextFrame < end) {
            const double nextDelivery = pending_.empty() ? end + 1 : pending_.front().first;
            const double t = std::min({nextStep, nextFrame, nextDelivery, nextAim});
            if (t == nextAim) {
                Aim(t);
                nextAim += 10;
            } else if (t == nextDelivery) {
                Deliver(t);
            } else if (t == nextStep) {
                Step(t);
                nextStep += 100;
            } else {
                Frame(t);
                nextFrame += kFrameMs;
            }
        }
        Measure();
        JitterFigures f = figures_;
        const double counted = std::max(1.0, static_cast<double>(counted_));
        f.stillShare = still_ / counted;
        f.jumpedShare = jumped_ / counted;
        f.missWaitShare = missWait_ / counted;
        f.lagMs = lagSum_ / counted;
        f.beyondPx = beyond_ / kPixel;
        return f;
    }

  private:
    void Send(double at, Buffer message) {
        std::uniform_real_distribution<double> hold(0, 2 * jitterMs_);
        const double arrive = std::max(lastArrival_, at + kLatencyMs + hold(rng_));
        lastArrival_ = arrive;
        pending_.emplace_back(arrive, std::move(message));
    }

    // Every player steers towards the ball, off by an error that changes now and then: most
    // balls are hit back, some missed.
    void Aim(double t) {
        std::uniform_real_distribution<double> error(-650, 650);
        for (int s = 0; s < kSeats; ++s) {
            if (static_cast<long>(t) % 1500 == s * 10) {
                aimError_[static_cast<std::size_t>(s)] = error(rng_);
            }
            const float x =
                left_ + 127.5f - 500 + static_cast<float>(aimError_[static_cast<std::size_t>(s)]);
            const float y =
                top_ + 127.5f - 500 + static_cast<float>(aimError_[static_cast<std::size_t>(s)]);
            arena::MovePaddle(truth_, s, x, y);
            if (seated_ && s == 0) {
                state_.Form_MouseMove(x, y);
            }
            if (static_cast<long>(t) % 100 == (13 * s + 7) % 100 && !(seated_ && s == 0)) {
                const auto& p = truth_.players[static_cast<std::size_t>(s)];
                Send(t, *msg::Encode(msg::PaddleUpdate{FormatInteger(s), FormatSingle(p.x1),
                                                       FormatSingle(p.y1), FormatSingle(p.x2),
                                                       FormatSingle(p.y2)}));
            }
        }
    }

    void Reset(double t) {
        left_ = kStartLeft;
        top_ = kStartTop;
        dir_ = FormatInteger(std::uniform_int_distribution<int>(0, 359)(rng_));
        path_.push_back({t, left_, top_, ++run_});
        Send(t, *msg::Encode(board_));
    }

    void Step(double t) {
        // The seated client's own reports, where they arrived before this step.
        while (!ownEvents_.empty() && ownEvents_.front().first <= t) {
            const auto event = msg::Decode<msg::BallEvent>(ownEvents_.front().second);
            ownEvents_.pop_front();
            if (event && event->kind == msg::kBallBounce) {
                dir_ = event->value;
            } else if (event) {
                Reset(t);
            }
        }
        const double a = *StrictNumber(dir_) * (3.14 / 180);
        left_ = static_cast<float>(std::floor(left_ + std::sin(a) * 255));
        top_ = static_cast<float>(std::floor(top_ - std::cos(a) * 255));
        path_.push_back({t, left_, top_, run_});
        Send(t, *msg::Encode(msg::BallUpdate{FormatSingle(left_), FormatSingle(top_), dir_}));
        // The other players judge it at once, each with its own paddle as it is now.
        const ball::Ball at{left_, top_, 255, 255, dir_};
        const ball::Bounds bounds{client::kOuterWidth, client::kSeparatorY};
        const auto walls = ball::WallsReached(at, bounds);
        const auto wallEvents =
            static_cast<std::size_t>(std::count(walls.begin(), walls.end(), true));
        std::optional<std::string> walled, hit;
        for (int s = seated_ ? 1 : 0; s < kSeats; ++s) {
            ball::Ball judged = at;
            const auto events = ball::BallSatus(judged, truth_, s, bounds);
            if (events.size() > wallEvents && events.back().kind != 1) {
                Reset(t + 30);
                return;
            }
            if (events.size() > wallEvents) {
                hit = judged.direction;
            } else if (!events.empty()) {
                walled = judged.direction;
            }
        }
        if (hit || walled) {
            dir_ = hit ? *hit : *walled;
        }
    }

    void Deliver(double t) {
        Buffer message = std::move(pending_.front().second);
        pending_.pop_front();
        outbox_.sent.clear();
        state_.HandleMessage(message);
        for (Buffer& event : outbox_.sent) {
            if (msg::Decode<msg::BallEvent>(event)) {
                ownEvents_.emplace_back(t + kLatencyMs, std::move(event));
            }
        }
        if ((state_.TakeChanges() & client::kBallChanged) == 0) {
            return;
        }
        const ball::Ball& reported = state_.ReportedBall();
        if (scheme_ == Scheme::kBefore) {
            before_.Report(state_.Ball(), t);
            return;
        }
        const auto next = motion::NextStep(reported, state_.Arena(), state_.Seats().size(),
                                           {state_.OuterWidth(), client::kSeparatorY});
        if (next && lastNext_ && (reported.left != lastNext_->x || reported.top != lastNext_->y)) {
            ++figures_.wrongGuesses;
        }
        lastNext_ = next;
        waitingAtMiss_ = !next;
        drawn_.Report({reported.left, reported.top}, next, t);
    }

    // How far a ball whose corner is at (x, y) reaches beyond the sides and the walls, the
    // furthest of them, for each.
    std::vector<double> Depths(double x, double y) const {
        std::vector<double> depths;
        const double cx = x + kRadius, cy = y + kRadius;
        for (const auto& side : truth_.barriers) {
            const double dx = side.x2 - side.x1, dy = side.y2 - side.y1;
            const double len = std::hypot(dx, dy);
            double nx = dy / len, ny = -dx / len;
            const double mx = (side.x1 + side.x2) / 2 - arena::kArenaCenterX;
            const double my = (side.y1 + side.y2) / 2 - arena::kArenaCenterY;
            if (nx * mx + ny * my < 0) {
                nx = -nx;
                ny = -ny;
            }
            depths.push_back((cx - side.x1) * nx + (cy - side.y1) * ny + kRadius);
        }
        depths.push_back(-x);
        depths.push_back(-y);
        depths.push_back(x + 2 * kRadius - client::kOuterWidth);
        return depths;
    }

    // Where on the server's path the drawn point lies: its time there, and the segment.
    std::pair<double, std::size_t> Nearest(double x, double y, double expectMs) const {
        double best = 1e18, bestMs = 0;
        std::size_t bestSeg = segment_;
        const std::size_t from = segment_ > 3 ? segment_ - 3 : 0;
        for (std::size_t j = from; j + 1 < path_.size() && j <= segment_ + 6; ++j) {
            const PathPoint& a = path_[j];
            const PathPoint& b = path_[j + 1];
            if (a.run != b.run) {
                continue;
            }
            const double vx = b.x - a.x, vy = b.y - a.y;
            const double len2 = vx * vx + vy * vy;
            const double f =
                len2 > 0 ? std::clamp(((x - a.x) * vx + (y - a.y) * vy) / len2, 0.0, 1.0) : 0;
            const double d = std::hypot(a.x + vx * f - x, a.y + vy * f - y);
            const double ms = a.ms + (b.ms - a.ms) * f;
            const bool better = d < best - 2 || (d < best + 2 && std::fabs(ms - expectMs) <
                                                                     std::fabs(bestMs - expectMs));
            if (better) {
                best = std::min(best, d);
                bestMs = ms;
                bestSeg = j;
            }
        }
        return {bestMs, bestSeg};
    }

    void Frame(double t) {
        const motion::Point p = scheme_ == Scheme::kBefore ? before_.At(t) : drawn_.At(t);
        samples_.push_back({t, p, scheme_ != Scheme::kBefore && waitingAtMiss_});
    }

    // Against the server's whole path, known once the run is over.
    void Measure() {
        const double expected = kTwipsPerMs * kFrameMs;
        for (std::size_t i = 1; i < samples_.size(); ++i) {
            const Sample& now = samples_[i];
            const motion::Point& p = now.at;
            const motion::Point& before = samples_[i - 1].at;
            const double moved = std::hypot(p.x - before.x, p.y - before.y);
            ++figures_.frames;
            const bool teleport = moved > 1500;
            if (teleport) {
                while (segment_ + 2 < path_.size() && path_[segment_ + 1].ms < now.ms - 300) {
                    ++segment_;
                }
                sinceTeleport_ = 0;
            }
            const auto [ms, seg] = Nearest(p.x, p.y, previousMs_ + kFrameMs);
            segment_ = seg;
            if (!teleport && sinceTeleport_ > 10 && now.ms > 1000) {
                ++counted_;
                const double progress = ms - previousMs_;
                if (moved < 0.75) {
                    ++(now.waitingAtMiss ? missWait_ : still_);
                } else if (moved > expected + 3 * kPixel ||
                           std::fabs(progress - kFrameMs) * kTwipsPerMs > 3 * kPixel) {
                    ++jumped_;
                }
                if (progress * kTwipsPerMs < -kPixel) {
                    ++figures_.backwards;
                }
                lagSum_ += now.ms - ms;
                const auto drawnDepth = Depths(p.x, p.y);
                const auto a = Depths(path_[seg].x, path_[seg].y);
                const auto b = Depths(path_[seg + 1].x, path_[seg + 1].y);
                for (std::size_t k = 0; k < drawnDepth.size(); ++k) {
                    const double over = drawnDepth[k] - std::max({0.0, a[k], b[k]});
                    beyond_ = std::max(beyond_, over);
                }
            }
            ++sinceTeleport_;
            previousMs_ = ms;
        }
    }

    struct Sample {
        double ms;
        motion::Point at;
        bool waitingAtMiss;
    };
    std::vector<Sample> samples_;

    Scheme scheme_;
    double jitterMs_;
    bool seated_;
    std::mt19937 rng_;
    SentEvents outbox_;
    client::ClientState state_;
    motion::DrawnBall drawn_;
    Before before_;
    arena::Arena truth_ = arena::MakeInitialArena();
    std::vector<double> aimError_;
    msg::Scoreboard board_;
    float left_ = kStartLeft, top_ = kStartTop;
    std::string dir_;
    int run_ = 0;
    std::deque<std::pair<double, Buffer>> pending_;
    std::deque<std::pair<double, Buffer>> ownEvents_;
    double lastArrival_ = 0;
    std::vector<PathPoint> path_;
    std::size_t segment_ = 0;
    std::optional<motion::Point> lastNext_;
    bool waitingAtMiss_ = false;
    double previousMs_ = 0;
    long sinceTeleport_ = 100;
    long counted_ = 0, still_ = 0, jumped_ = 0, missWait_ = 0;
    double lagSum_ = 0, beyond_ = 0;
    JitterFigures figures_;
};

}  // namespace

JitterFigures RunJitter(Scheme scheme, double jitterMs, bool seated, int seconds, unsigned seed) {
    Simulation simulation(scheme, jitterMs, seated, seed);
    return simulation.Run(seconds);
}

}  // namespace quorvex::bench
