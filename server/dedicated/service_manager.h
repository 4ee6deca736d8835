#pragma once

// What a service manager (systemd) hears from the dedicated server: ready once the port is
// open, a status line with the players and the game, and a heartbeat from the event loop
// itself, so that a loop that has stopped turning is seen and restarted. Without a service
// manager every call does nothing. SIGHUP, which asks for the settings to be read again, arrives
// here too, as an event on the loop.

#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "ui/signal_events.h"

namespace quorvex::server {

class ServiceManager {
  public:
    // `status` is asked for the status line once a second; `reload` runs on SIGHUP.
    ServiceManager(std::function<std::string()> status, std::function<void()> reload);
    ~ServiceManager();
    ServiceManager(const ServiceManager&) = delete;
    ServiceManager& operator=(const ServiceManager&) = delete;

    void Ready();
    void Reloading();
    void Stopping();

  private:
    void Beat();

    std::function<std::string()> status_;
    std::function<void()> reload_;
    std::string lastStatus_;
    bool watchdog_ = false;
    QTimer beat_;
    std::unique_ptr<SignalEvents> hangup_;
};

}  // namespace quorvex::server
