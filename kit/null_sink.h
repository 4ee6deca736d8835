#pragma once

// A private PulseAudio server with one null sink, for the tests and benchmarks that listen to
// the client: started here, as whatever user runs them (root too), in a scratch runtime folder,
// and ended with this object. Its monitor source records what the sink plays.

#include <memory>
#include <string>

#include "kit/child_process.h"

namespace quorvex::kit {

inline constexpr char kNullSinkName[] = "quorvex_null";

class NullSinkServer {
  public:
    // Starts the server and points this process's PULSE_SERVER at it; check Running().
    NullSinkServer();
    ~NullSinkServer();
    NullSinkServer(const NullSinkServer&) = delete;
    NullSinkServer& operator=(const NullSinkServer&) = delete;

    bool Running() const { return running_; }
    // Why it is not running, for a skip message.
    const std::string& Problem() const { return problem_; }
    // The source that records the sink: give it to parec -d.
    std::string Monitor() const { return std::string(kNullSinkName) + ".monitor"; }
    // How many playback streams are open on the server now; -1 when pactl cannot tell.
    int PlaybackStreams() const;

  private:
    std::string folder_;
    std::unique_ptr<ChildProcess> server_;
    bool running_ = false;
    std::string problem_;
};

// The full path of `program` on PATH; empty when it is not there.
std::string FindProgram(const std::string& program);

}  // namespace quorvex::kit
