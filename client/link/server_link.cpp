#include "client/link/server_link.h"

#include <QCoreApplication>

namespace quorvex::client {

ServerLink::ServerLink(LinkPlayer& player, Prompter& prompter, std::int32_t port,
                       session::Limits limits)
    : player_(player), prompter_(prompter), port_(port), limits_(limits) {
    clock_.start();
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setSingleShot(true);
    QObject::connect(&timer1_, &QTimer::timeout, [this] { Timer1_Timer(); });
    timer2_.setInterval(kTimer2Interval);
    QObject::connect(&timer2_, &QTimer::timeout, [this] {
        // At rest what came since the last tick is taken in first, in the same wake-up.
        if (atRest_ && sessionLink_) {
            sessionLink_->ReadNow();
            if (ended_ || !timer2_.isActive()) {
                return;
            }
        }
        player_.OnTimer2(Now());
        player_.Changed();
    });
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { TryResume(); });
}

ServerLink::~ServerLink() {
    CloseSession();
}

bool ServerLink::SessionInit() {
    sessionLink_ = std::make_unique<session::SessionClient>(limits_);
    hostAddress_ = {};
    sessionLink_->RegisterMessageHandler(this);
    sessionLink_->GatherReads(RestReadMs());
    for (const auto& status : {hostAddress_.SetSP(session::kProviderTcpIp),
                               hostAddress_.AddComponentLong("port", port_)}) {
        if (!status.Ok()) {
            Fail(kSessionInitTitle, status);
            return false;
        }
    }
    return true;
}

bool ServerLink::ConnectToHost() {
    if (!sessionLink_) {
        Fail(kConnectTitle, session::Status::Failure(session::ErrorCode::NotReady,
                                                     "The session was not initialised"));
        return false;
    }
    // No other check: whatever was typed is the host, and the session says what it makes of it.
    ChoiceAnswer answer{options_.host.value_or("")};
    while (answer.text.empty()) {
        answer = options_.hostChoices != nullptr
                     ? prompter_
                           .AskTextWithChoices(kHostPrompt, kHostTitle, options_.hostDefault,
                                               *options_.hostChoices)
                           .value_or(ChoiceAnswer{})
                     : ChoiceAnswer{prompter_.AskText(kHostPrompt, kHostTitle, options_.hostDefault)
                                        .value_or("")};
        typedHost_ = answer.text;
    }
    // A server picked from the list is reached on the port it named; a typed host on ours.
    const std::int32_t port = answer.port != 0 ? answer.port : port_;
    for (const auto& status : {hostAddress_.AddComponentString("hostname", answer.text),
                               hostAddress_.AddComponentLong("port", port)}) {
        if (!status.Ok()) {
            Fail(kConnectTitle, status);
            return false;
        }
    }
    AskPlayerName();
    if (const auto status = StartConnect(); !status.Ok()) {
        Fail(kConnectTitle, status);
        return false;
    }
    return true;
}

void ServerLink::AskPlayerName() {
    if (options_.name) {
        player_.State().SetMyName(*options_.name);
        return;
    }
    // An empty name, even from a cancelled box, is a name like any other.
    const auto answer = prompter_.AskText(kNamePrompt, kNameTitle, options_.nameDefault);
    player_.State().SetMyName(answer.value_or(""));
    if (answer && options_.nameTyped) {
        options_.nameTyped(*answer);
    }
}

session::Status ServerLink::StartConnect() {
    const auto info = sessionLink_->SetClientInfo(session::PlayerInfo{player_.State().MyName()});
    if (!info.Ok()) {
        return info;
    }
    if (options_.password) {
        sessionLink_->SetPassword(*options_.password);
    }
    if (!reconnect_ && options_.loadTicket) {
        const auto stored = options_.loadTicket(ServerKey());
        resumingAtStart_ = stored && stored->name == player_.State().MyName();
        sessionLink_->SetResume(resumingAtStart_ ? std::optional(stored->ticket) : std::nullopt);
        playerId_ = resumingAtStart_ ? stored->id : 0;
    }
    session::ApplicationDesc desc;
    desc.applicationId = session::kApplicationId;
    return sessionLink_->Connect(desc, hostAddress_);
}

std::string ServerLink::ServerKey() const {
    return hostAddress_.String("hostname").value_or("") + ":" + std::to_string(port_);
}

void ServerLink::KeepTicket() {
    ticket_ = sessionLink_->Ticket();
    playerId_ = sessionLink_->LocalPlayerId();
    if (options_.saveTicket) {
        options_.saveTicket(
            ServerKey(),
            ticket_ ? std::optional(StoredTicket{*ticket_, playerId_, player_.State().MyName()})
                    : std::nullopt);
    }
}

void ServerLink::ForgetTicket() {
    ticket_.reset();
    if (options_.saveTicket) {
        options_.saveTicket(ServerKey(), std::nullopt);
    }
}

void ServerLink::Renew(std::optional<session::ResumeTicket> resume, int connectTimeoutMs) {
    if (sessionLink_) {
        sessionLink_->UnRegisterMessageHandler();
        sessionLink_->Close();
        finished_.push_back(std::move(sessionLink_));
    }
    session::Limits limits = limits_;
    limits.connectTimeoutMs = connectTimeoutMs;
    sessionLink_ = std::make_unique<session::SessionClient>(limits);
    sessionLink_->RegisterMessageHandler(this);
    sessionLink_->SetResume(std::move(resume));
    sessionLink_->GatherReads(RestReadMs());
}

void ServerLink::SetAtRest(bool atRest) {
    if (atRest == atRest_) {
        return;
    }
    atRest_ = atRest;
    if (sessionLink_) {
        sessionLink_->GatherReads(RestReadMs());
    }
}

void ServerLink::RetryLater() {
    const auto wait = reconnect_->NextWaitMs(Now());
    if (!wait) {
        GiveUp();
        return;
    }
    retry_.start(static_cast<int>(*wait));
}

void ServerLink::TryResume() {
    if (!reconnect_ || ended_) {
        return;
    }
    Renew(ticket_, static_cast<int>(reconnect_->AttemptMs(Now())));
    if (!StartConnect().Ok()) {
        RetryLater();
    }
}

void ServerLink::GiveUp() {
    reconnect_.reset();
    retry_.stop();
    ForgetTicket();
    player_.State().OnTerminateSession();
    player_.OnLost();
    player_.Changed();
}

bool ServerLink::RetryWithPassword() {
    askedPassword_ = true;
    options_.password = prompter_.AskText(kPasswordPrompt, kPasswordTitle, "");
    if (!options_.password || options_.password->empty()) {
        return false;
    }
    sessionLink_->UnRegisterMessageHandler();
    finished_.push_back(std::move(sessionLink_));
    sessionLink_ = std::make_unique<session::SessionClient>(limits_);
    sessionLink_->RegisterMessageHandler(this);
    if (const auto status = StartConnect(); !status.Ok()) {
        Fail(kConnectTitle, status);
    }
    return true;
}

void ServerLink::Leave() {
    if (player_.State().Exiting() || ended_) {
        return;
    }
    // Leaving on purpose: nothing to come back to, now or after a restart.
    ForgetTicket();
    if (reconnect_) {
        reconnect_.reset();
        retry_.stop();
    }
    player_.State().BeginExit();
    timer2_.stop();
    timer1_.start(player_.State().Timer1Interval());
    player_.Changed();
}

void ServerLink::Timer1_Timer() {
    if (player_.State().Timer1_Timer()) {
        End(0);
    } else {
        timer1_.start(player_.State().Timer1Interval());
    }
}

void ServerLink::CloseSession() {
    if (!sessionLink_) {
        return;
    }
    sessionLink_->CancelAsyncOperation();
    sessionLink_->UnRegisterMessageHandler();
    sessionLink_->Close();
    finished_.push_back(std::move(sessionLink_));
}

void ServerLink::End(int exitCode) {
    CloseSession();
    if (ended_) {
        return;
    }
    ended_ = true;
    timer1_.stop();
    timer2_.stop();
    retry_.stop();
    player_.Changed();
    if (end_) {
        end_(exitCode);
        return;
    }
    // Queued, so that an end decided before the event loop runs still takes effect.
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [exitCode] { QCoreApplication::exit(exitCode); });
}

bool ServerLink::Send(const Buffer& message) {
    return sessionLink_ && sessionLink_->Send(message).Ok();
}

void ServerLink::ConnectComplete(const session::Status& result) {
    if (reconnect_) {
        if (result.Ok() && sessionLink_->LocalPlayerId() == playerId_) {
            reconnect_.reset();
            KeepTicket();
            player_.State().OnResumed(playerId_);
            player_.OnResumed();
            player_.Changed();
        } else if (!result.Ok() && WorthRetrying(result.code) &&
                   !sessionLink_->NothingListening()) {
            // A link still down, or a server busy: tried again. A port that answers that
            // nothing listens there is a server that closed: nothing to come back to.
            RetryLater();
        } else {
            GiveUp();
        }
        return;
    }
    if (resumingAtStart_) {
        resumingAtStart_ = false;
        if (result.Ok() && sessionLink_->LocalPlayerId() == playerId_) {
            KeepTicket();
            player_.State().OnConnectComplete(true);
            player_.State().OnResumed(playerId_);
            player_.OnResumed();
            player_.Changed();
            return;
        }
        // The kept ticket is of no use any more (the grace ran out, the server restarted):
        // the player joins anew, as without one.
        ForgetTicket();
        if (!player_.State().Exiting()) {
            Renew(std::nullopt, limits_.connectTimeoutMs);
            if (const auto status = StartConnect(); !status.Ok()) {
                Fail(kConnectTitle, status);
            }
        }
        return;
    }
    if (result.Ok()) {
        KeepTicket();
        if (typedHost_ && options_.hostConnected) {
            options_.hostConnected(*typedHost_);
        }
        player_.State().OnConnectComplete(true);
        player_.Changed();
        return;
    }
    if (result.code == session::ErrorCode::PasswordRequired && !askedPassword_ &&
        !player_.State().Exiting() && RetryWithPassword()) {
        return;
    }
    // A connection that never came about leaves nothing to play: the player is told why, as
    // for a Connect refused at once. A program already closing just goes on closing.
    if (!player_.State().Exiting()) {
        Fail(kConnectTitle, result);
    }
}

void ServerLink::TerminateSession() {
    // A blip: the window stays as it is while the link tries to come back within the grace.
    if (ticket_ && sessionLink_ && !sessionLink_->EndedForGood() && !player_.State().Exiting() &&
        !ended_) {
        reconnect_.emplace(Now(), static_cast<std::int64_t>(ticket_->graceMs));
        player_.State().OnReconnecting();
        player_.OnReconnecting();
        player_.Changed();
        RetryLater();
        return;
    }
    ForgetTicket();
    player_.State().OnTerminateSession();
    player_.OnLost();
    player_.Changed();
}

void ServerLink::Receive(session::PlayerId /*from*/, ByteView message) {
    player_.OnMessage(message, Now());
    const ClientState& state = player_.State();
    if (state.Timer2Running() && !state.Exiting() && !ended_ && !timer2_.isActive()) {
        timer2_.start();
    }
    player_.Changed();
}

void ServerLink::Fail(const char* title, const session::Status& status) {
    prompter_.ShowCritical(title, session::ErrorText(status));
    End(1);
}

}  // namespace quorvex::client
