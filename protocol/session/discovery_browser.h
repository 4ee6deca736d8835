#pragma once

// The client's end of LAN discovery: asks every target once a second while it runs and hands
// on each answer to one of its recent asks, with where it came from and how long it took. What
// to believe of an answer is the listener's to decide.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "protocol/session/discovery.h"

class QUdpSocket;

namespace quorvex::session {

inline constexpr int kDiscoveryAskIntervalMs = 1000;
// Answers to this many of the latest asks are taken: a slow answer still counts, an answer to
// an ask long gone does not.
inline constexpr std::size_t kDiscoveryAsksAnswered = 4;

class DiscoveryBrowser : public QObject {
    Q_OBJECT
  public:
    // Where to ask, worked out again before every ask: an interface may come up (or get its
    // carrier) while the prompt is open. DiscoveryTargets in the program.
    using Targets = std::function<QList<QHostAddress>()>;

    // Asks on `port` of each of `targets()`.
    explicit DiscoveryBrowser(Targets targets, std::uint16_t port = kDiscoveryPort,
                              QObject* parent = nullptr);
    ~DiscoveryBrowser() override;

    void Start();
    void Stop();
    bool Running() const { return asking_.isActive(); }
    std::uint16_t Port() const { return port_; }
    // Each answer to one of the latest asks, as it comes.
    void SetHeardCallback(std::function<void(const HeardReply&)> heard) {
        heard_ = std::move(heard);
    }
    // After each ask, once a second while running.
    void SetAskedCallback(std::function<void()> asked) { asked_ = std::move(asked); }

  private:
    void Ask();
    void OnReadyRead(QUdpSocket& socket);

    struct SentAsk {
        std::uint32_t token = 0;
        qint64 sentNs = -1;
    };

    Targets targets_;
    std::uint16_t port_;
    std::unique_ptr<QUdpSocket> v4_;
    std::unique_ptr<QUdpSocket> v6_;
    // Each ask has a token of its own, so that an answer tells which ask it answers.
    std::array<SentAsk, kDiscoveryAsksAnswered> asks_{};
    std::size_t nextAsk_ = 0;
    QTimer asking_;
    QElapsedTimer since_;
    std::function<void(const HeardReply&)> heard_;
    std::function<void()> asked_;
};

}  // namespace quorvex::session
