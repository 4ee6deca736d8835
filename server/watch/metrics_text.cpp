#include "server/watch/metrics_text.h"

#include <cstdio>

namespace quorvex::server::watch {
namespace {

// Index: the session's RefuseReason; 0 for a reason it does not know.
constexpr const char* kSessionReasons[] = {
    "other",
    "wrong_application",
    "session_full",
    "bad_handshake",
    "name_too_long",
    "no_identifiers_left",
    "wrong_password",
    "banned",
    "too_many_joins",
    "busy",
    "password_lockout",
};

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void Metric(std::string& out, const std::string& name, const char* type, const char* help,
            std::uint64_t value) {
    out += "# HELP " + name + " " + help + "\n# TYPE " + name + " " + type + "\n" + name + " " +
           std::to_string(value) + "\n";
}

}  // namespace

void LagHistogram::Add(double seconds) {
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i]) {
            ++buckets_[i];
        }
    }
    ++count_;
    sum_ += seconds;
}

std::string LagHistogram::Text(const std::string& name) const {
    std::string out = "# HELP " + name + " How late the event loop ran a 100 ms timer.\n# TYPE " +
                      name + " histogram\n";
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        out += name + "_bucket{le=\"" + Number(kBounds[i]) + "\"} " + std::to_string(buckets_[i]) +
               "\n";
    }
    out += name + "_bucket{le=\"+Inf\"} " + std::to_string(count_) + "\n";
    out += name + "_sum " + Number(sum_) + "\n" + name + "_count " + std::to_string(count_) + "\n";
    return out;
}

std::string MetricsText(const MetricsSample& sample, const LagHistogram& lag) {
    std::string out;
    Metric(out, "quorvex_players", "gauge", "Players on the roster, lost ones included.",
           sample.players);
    Metric(out, "quorvex_seats", "gauge", "Rows of the seat table.", sample.seats);
    Metric(out, "quorvex_rounds_total", "counter", "Rounds ended since the server started.",
           static_cast<std::uint64_t>(sample.rounds));
    Metric(out, "quorvex_standings_write_failures_total", "counter",
           "Rounds the standings file could not take.",
           static_cast<std::uint64_t>(sample.standingsWriteFailures));
    Metric(out, "quorvex_messages_in_total", "counter", "Game messages received from players.",
           sample.session.messagesIn);
    Metric(out, "quorvex_bytes_in_total", "counter", "Bytes of game messages received.",
           sample.session.bytesIn);
    Metric(out, "quorvex_messages_out_total", "counter",
           "Game messages queued for players, one per player.", sample.session.messagesOut);
    Metric(out, "quorvex_bytes_out_total", "counter", "Bytes of framed game messages queued.",
           sample.session.bytesOut);
    out +=
        "# HELP quorvex_frames_dropped_total Frames dropped by a limit.\n"
        "# TYPE quorvex_frames_dropped_total counter\n";
    out += "quorvex_frames_dropped_total{limit=\"player_sending\"} " +
           std::to_string(sample.session.framesDropped) + "\n";
    out += "quorvex_frames_dropped_total{limit=\"watcher_backlog\"} " +
           std::to_string(sample.watch.framesDropped) + "\n";
    out +=
        "# HELP quorvex_refusals_total Connections and requests turned away, by reason.\n"
        "# TYPE quorvex_refusals_total counter\n";
    for (std::size_t i = 0; i < std::size(kSessionReasons); ++i) {
        out += "quorvex_refusals_total{door=\"game\",reason=\"" + std::string(kSessionReasons[i]) +
               "\"} " + std::to_string(sample.session.refusals[i]) + "\n";
    }
    for (std::size_t i = 0; i < sample.watch.refusals.size(); ++i) {
        out += "quorvex_refusals_total{door=\"watch\",reason=\"" +
               std::string(
                   session::watch::WatchRefusalName(static_cast<session::watch::WatchRefusal>(i))) +
               "\"} " + std::to_string(sample.watch.refusals[i]) + "\n";
    }
    out += lag.Text("quorvex_event_loop_lag_seconds");
    Metric(out, "quorvex_watchers", "gauge", "Watchers of the watch page's stream.",
           static_cast<std::uint64_t>(sample.watchers));
    Metric(out, "quorvex_watch_requests_total", "counter", "HTTP requests read whole.",
           sample.watch.requests);
    Metric(out, "quorvex_watch_frames_sent_total", "counter", "Stream frames sent to watchers.",
           sample.watch.framesSent);
    Metric(out, "quorvex_watch_bytes_sent_total", "counter", "Bytes of stream frames sent.",
           sample.watch.bytesSent);
    return out;
}

}  // namespace quorvex::server::watch
