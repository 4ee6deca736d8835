#include "server/dedicated/service_manager.h"

#include <fcntl.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>

namespace quorvex::server {
namespace {

int hangupPipe[2] = {-1, -1};

void OnHangup(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = write(hangupPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

ServiceManager::ServiceManager(std::function<std::string()> status, std::function<void()> reload)
    : status_(std::move(status)), reload_(std::move(reload)) {
    std::uint64_t watchdogUs = 0;
    watchdog_ = sd_watchdog_enabled(0, &watchdogUs) > 0;
    // Twice within the manager's limit; the status line rides on the same beat.
    const auto beatMs = watchdog_ ? std::clamp<std::uint64_t>(watchdogUs / 2000, 100, 1000) : 1000;
    QObject::connect(&beat_, &QTimer::timeout, [this] { Beat(); });
    beat_.start(static_cast<int>(beatMs));
    if (pipe2(hangupPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnHangup;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
    hangup_ = std::make_unique<QSocketNotifier>(hangupPipe[0], QSocketNotifier::Read);
    QObject::connect(hangup_.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        bool asked = false;
        while (read(hangupPipe[0], &byte, 1) == 1) {
            asked = true;
        }
        if (asked) {
            reload_();
        }
    });
}

ServiceManager::~ServiceManager() {
    std::signal(SIGHUP, SIG_DFL);
    hangup_.reset();
    for (int& fd : hangupPipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

void ServiceManager::Ready() {
    lastStatus_ = status_();
    sd_notify(0, ("READY=1\nSTATUS=" + lastStatus_).c_str());
}

void ServiceManager::Reloading() {
    // Reading the file again is quick; the manager hears it began and ended in one go.
    sd_notify(0, "RELOADING=1");
    sd_notify(0, "READY=1");
}

void ServiceManager::Stopping() {
    sd_notify(0, "STOPPING=1");
}

void ServiceManager::Beat() {
    if (watchdog_) {
        sd_notify(0, "WATCHDOG=1");
    }
    if (std::string status = status_(); status != lastStatus_) {
        lastStatus_ = std::move(status);
        sd_notify(0, ("STATUS=" + lastStatus_).c_str());
    }
}

}  // namespace quorvex::server
