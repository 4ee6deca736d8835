#include "kit/null_sink.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quorvex::kit {
namespace {

// The output of a shell command, empty when it failed.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[512];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            text.append(chunk, got);
        }
        if (pclose(pipe) != 0) {
            return {};
        }
    }
    return text;
}

}  // namespace

std::string FindProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

NullSinkServer::NullSinkServer() {
    const std::string pulseaudio = FindProgram("pulseaudio");
    if (pulseaudio.empty() || FindProgram("pactl").empty()) {
        problem_ = "pulseaudio or pactl is not installed (pulseaudio, pulseaudio-utils)";
        return;
    }
    char folder[] = "/tmp/quorvex-pulse-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        problem_ = "no scratch folder for the sound server";
        return;
    }
    folder_ = folder;
    const std::string socket = folder_ + "/native";
    // Only what the tests need: no hardware, no D-Bus, no session, anyone here may connect.
    std::ofstream(folder_ + "/default.pa")
        << "load-module module-null-sink sink_name=" << kNullSinkName << "\n"
        << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket << "\n"
        << "set-default-sink " << kNullSinkName << "\n";
    setenv("PULSE_RUNTIME_PATH", folder_.c_str(), 1);
    setenv("PULSE_STATE_PATH", folder_.c_str(), 1);
    setenv("HOME", folder_.c_str(), 1);  // its cookie and state stay in the scratch folder
    // As root it needs --system=false said aloud and no pid file; it warns and runs.
    server_ = std::make_unique<ChildProcess>(
        pulseaudio,
        std::vector<std::string>{"--daemonize=no", "--system=false", "-n", "--exit-idle-time=-1",
                                 "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
                                 "--log-level=0", "-F", folder_ + "/default.pa"});
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    for (int i = 0; i < 100 && server_->Running(); ++i) {
        if (!Output("pactl info 2>/dev/null").empty()) {
            running_ = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    problem_ = "the sound server did not start (pulseaudio refused to run here)";
}

NullSinkServer::~NullSinkServer() {
    server_.reset();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

int NullSinkServer::PlaybackStreams() const {
    if (!running_) {
        return -1;
    }
    const std::string list = Output("pactl list short sink-inputs 2>/dev/null");
    int lines = 0;
    for (const char c : list) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

}  // namespace quorvex::kit
