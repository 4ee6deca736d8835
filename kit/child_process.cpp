#include "kit/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "kit/figures.h"

namespace quorvex::kit {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        return;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    pid_ = pid;
    toChild_ = in[1];
    fromChild_ = out[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (toChild_ >= 0) {
        close(toChild_);
    }
    if (fromChild_ >= 0) {
        close(fromChild_);
    }
}

void ChildProcess::Send(const std::string& line) {
    const std::string text = line + "\n";
    if (toChild_ >= 0) {
        (void)!write(toChild_, text.data(), text.size());
    }
}

std::optional<std::string> ChildProcess::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (fromChild_ < 0 || left <= 0) {
            return std::nullopt;
        }
        pollfd fd{fromChild_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[65536];
        const ssize_t got = read(fromChild_, chunk, sizeof chunk);
        if (got <= 0) {
            close(fromChild_);
            fromChild_ = -1;
            continue;
        }
        pending_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> ChildProcess::Answer(const std::string& prefix, int timeoutMs) {
    const auto deadline = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    while (MonotonicNs() < deadline) {
        const auto line = ReadLine(timeoutMs);
        if (!line) {
            return std::nullopt;
        }
        if (line->rfind(prefix, 0) == 0) {
            return line->substr(prefix.size());
        }
    }
    return std::nullopt;
}

std::vector<std::string> ChildProcess::ReadRemainingLines(int timeoutMs) {
    std::vector<std::string> lines;
    while (auto line = ReadLine(timeoutMs)) {
        lines.push_back(std::move(*line));
    }
    return lines;
}

std::optional<long> ChildProcess::StatusField(const std::string& field) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream in(line.substr(field.size() + 1));
            long kb = 0;
            if (in >> kb) {
                return kb;
            }
        }
    }
    return std::nullopt;
}

std::optional<long> ChildProcess::PeakRssKb() const {
    return StatusField("VmHWM");
}

std::optional<long> ChildProcess::RssKb() const {
    return StatusField("VmRSS");
}

std::optional<double> ChildProcess::CpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)),
                           std::istreambuf_iterator<char>());
    // The name in parentheses may hold spaces; the numbered fields follow the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(text.substr(close + 1));
    std::string skip;
    for (int field = 3; field < 14; ++field) {
        fields >> skip;
    }
    long user = 0;
    long system = 0;
    if (!(fields >> user >> system)) {
        return std::nullopt;
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::optional<rusage> ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    rusage usage{};
    int status = 0;
    while (wait4(pid_, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            wait4(pid_, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return usage;
}

std::string OwnDirectory() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return ".";
    }
    std::string full(path, static_cast<std::size_t>(n));
    return full.substr(0, full.rfind('/'));
}

}  // namespace quorvex::kit
