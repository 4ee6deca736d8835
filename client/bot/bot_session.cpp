#include "client/bot/bot_session.h"

#include <QCoreApplication>

#include <cstdio>

#include "protocol/session/session_types.h"

namespace quorvex::client::bot {
BotSession::BotSession(const BotOptions& options, std::uint32_t seed, session::Limits limits)
    : options_(options), link_(limits), player_(*this, options.name, options.skill, seed) {
    clock_.start();
    timer2_.setInterval(kTimer2Interval);
    QObject::connect(&timer2_, &QTimer::timeout, [this] { player_.OnTimer2(Now()); });
    ready_.setSingleShot(true);
    QObject::connect(&ready_, &QTimer::timeout, [this] {
        player_.PressReadyIfDue(Now());
        ArmReady();  // a timer that fired a little early tries again
    });
    timer1_.setSingleShot(true);
    QObject::connect(&timer1_, &QTimer::timeout, [this] {
        if (player_.State().Timer1_Timer()) {
            CloseSession();
            End(0);
        } else {
            timer1_.start(player_.State().Timer1Interval());
        }
    });
}

BotSession::~BotSession() {
    CloseSession();
}

bool BotSession::Start() {
    link_.RegisterMessageHandler(this);
    const auto status =
        session::ConnectScripted(link_, options_.name, options_.host, options_.port);
    if (!status.Ok()) {
        End(1, session::ErrorText(status));
        return false;
    }
    timer2_.start();
    return true;
}

void BotSession::Leave() {
    if (player_.State().Exiting() || ended_) {
        return;
    }
    player_.Leave();
    timer2_.stop();
    ready_.stop();
    timer1_.start(player_.State().Timer1Interval());
}

bool BotSession::Send(const Buffer& message) {
    return link_.Send(message).Ok();
}

void BotSession::ConnectComplete(const session::Status& result) {
    if (!result.Ok() && !player_.State().Exiting()) {
        End(1, session::ErrorText(result));
    }
}

void BotSession::TerminateSession() {
    // The server is gone: there is nobody left to play with or to say goodbye to.
    CloseSession();
    End(0);
}

void BotSession::Receive(session::PlayerId /*from*/, ByteView message) {
    if (ended_) {
        return;
    }
    player_.OnMessage(message, Now());
    if (player_.Removed()) {
        // Kicked: the server has already let us go, so no PlayerLeft of our own.
        CloseSession();
        End(0);
        return;
    }
    ArmReady();
}

void BotSession::ArmReady() {
    const auto due = player_.ReadyDueAt();
    if (!due || ended_) {
        ready_.stop();
        return;
    }
    ready_.start(static_cast<int>(std::max<std::int64_t>(0, *due - Now())));
}

void BotSession::CloseSession() {
    link_.CancelAsyncOperation();
    link_.UnRegisterMessageHandler();
    link_.Close();
}

void BotSession::End(int exitCode, const std::string& why) {
    if (ended_) {
        return;
    }
    ended_ = true;
    timer2_.stop();
    ready_.stop();
    timer1_.stop();
    if (!why.empty()) {
        std::fprintf(stderr, "quorvex-client: %s\n", why.c_str());
    }
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [exitCode] { QCoreApplication::exit(exitCode); });
}

}  // namespace quorvex::client::bot
