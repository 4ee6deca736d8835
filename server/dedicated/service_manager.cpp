#include "server/dedicated/service_manager.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <csignal>
#include <cstdint>

namespace quorvex::server {

ServiceManager::ServiceManager(std::function<std::string()> status, std::function<void()> reload)
    : status_(std::move(status)), reload_(std::move(reload)) {
    std::uint64_t watchdogUs = 0;
    watchdog_ = sd_watchdog_enabled(0, &watchdogUs) > 0;
    // Twice within the manager's limit; the status line rides on the same beat.
    const auto beatMs = watchdog_ ? std::clamp<std::uint64_t>(watchdogUs / 2000, 100, 1000) : 1000;
    QObject::connect(&beat_, &QTimer::timeout, [this] { Beat(); });
    beat_.start(static_cast<int>(beatMs));
    hangup_ = std::make_unique<SignalEvents>(std::vector<int>{SIGHUP}, [this](int) { reload_(); });
}

ServiceManager::~ServiceManager() = default;

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
