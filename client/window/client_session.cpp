#include "client/window/client_session.h"

#include <QCoreApplication>
#include <QTimer>

namespace quorvex::client {

ClientSession::ClientSession(Prompter& prompter, std::int32_t port, session::Limits limits)
    : prompter_(prompter), port_(port), limits_(limits), state_(*this) {}

ClientSession::~ClientSession() {
    CloseSession();
}

bool ClientSession::SessionInit() {
    sessionLink_ = std::make_unique<session::SessionClient>(limits_);
    deviceAddress_ = {};
    hostAddress_ = {};
    sessionLink_->RegisterMessageHandler(this);
    for (const auto& status : {deviceAddress_.SetSP(session::kProviderTcpIp),
                               hostAddress_.SetSP(session::kProviderTcpIp),
                               hostAddress_.AddComponentLong("port", port_)}) {
        if (!status.Ok()) {
            Fail(kSessionInitTitle, status);
            return false;
        }
    }
    return true;
}

bool ClientSession::ConnectToHost() {
    if (!sessionLink_) {
        Fail(kConnectTitle, session::Status::Failure(session::ErrorCode::NotReady,
                                                     "The session was not initialised"));
        return false;
    }
    // No other check: whatever was typed is the host, and the session says what it makes of it.
    std::string host = options_.host.value_or("");
    while (host.empty()) {
        host = (options_.hostChoices != nullptr
                    ? prompter_.AskTextWithChoices(kHostPrompt, kHostTitle, options_.hostDefault,
                                                   *options_.hostChoices)
                    : prompter_.AskText(kHostPrompt, kHostTitle, options_.hostDefault))
                   .value_or("");
        typedHost_ = host;
    }
    if (const auto status = hostAddress_.AddComponentString("hostname", host); !status.Ok()) {
        Fail(kConnectTitle, status);
        return false;
    }
    AskPlayerName();
    if (const auto status = StartConnect(); !status.Ok()) {
        Fail(kConnectTitle, status);
        return false;
    }
    return true;
}

session::Status ClientSession::StartConnect() {
    const auto info = sessionLink_->SetClientInfo(session::PlayerInfo{state_.MyName()});
    if (!info.Ok()) {
        return info;
    }
    session::ApplicationDesc desc;
    desc.applicationId = session::kApplicationId;
    return sessionLink_->Connect(desc, hostAddress_);
}

void ClientSession::AskPlayerName() {
    if (options_.name) {
        state_.SetMyName(*options_.name);
        return;
    }
    // An empty name, even from a cancelled box, is a name like any other.
    const auto answer = prompter_.AskText(kNamePrompt, kNameTitle, options_.nameDefault);
    state_.SetMyName(answer.value_or(""));
    if (answer && options_.nameTyped) {
        options_.nameTyped(*answer);
    }
}

void ClientSession::CloseSession() {
    if (!sessionLink_) {
        return;
    }
    sessionLink_->CancelAsyncOperation();
    sessionLink_->UnRegisterMessageHandler();
    sessionLink_->Close();
    // Released with this object, not here: CloseSession may run inside one of the link's own
    // notifications, which still has to return through it.
    closedLink_ = std::move(sessionLink_);
}

void ClientSession::EndProgram(int exitCode) {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (end_) {
        end_(exitCode);
        return;
    }
    // Queued, so that an end decided before the event loop runs still takes effect.
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [exitCode] { QCoreApplication::exit(exitCode); });
}

bool ClientSession::Send(const Buffer& message) {
    return sessionLink_ && sessionLink_->Send(message).Ok();
}

void ClientSession::ConnectComplete(const session::Status& result) {
    if (result.Ok()) {
        if (typedHost_ && options_.hostConnected) {
            options_.hostConnected(*typedHost_);
        }
        state_.OnConnectComplete(true);
        Changed();
        return;
    }
    if (result.code == session::ErrorCode::PasswordRequired && !askedPassword_ &&
        !state_.Exiting() && RetryWithPassword()) {
        return;
    }
    // A connection that never came about leaves nothing to play: the player is told why, as
    // for a Connect refused at once. A program already closing just goes on closing.
    if (!state_.Exiting()) {
        Fail(kConnectTitle, result);
    }
}

bool ClientSession::RetryWithPassword() {
    askedPassword_ = true;
    const auto password = prompter_.AskText(kPasswordPrompt, kPasswordTitle, "");
    if (!password || password->empty()) {
        return false;
    }
    // The refused link is still returning from this notification: it is kept until the end.
    refusedLink_ = std::move(sessionLink_);
    refusedLink_->UnRegisterMessageHandler();
    sessionLink_ = std::make_unique<session::SessionClient>(limits_);
    sessionLink_->RegisterMessageHandler(this);
    sessionLink_->SetPassword(*password);
    if (const auto status = StartConnect(); !status.Ok()) {
        Fail(kConnectTitle, status);
    }
    return true;
}

void ClientSession::TerminateSession() {
    state_.OnTerminateSession();
    Changed();
}

void ClientSession::Receive(session::PlayerId /*from*/, ByteView message) {
    state_.HandleMessage(message);
    Changed();
}

void ClientSession::Fail(const char* title, const session::Status& status) {
    prompter_.ShowCritical(title, session::ErrorText(status));
    CloseSession();
    EndProgram(1);
}

void ClientSession::Changed() {
    if (changed_) {
        changed_();
    }
}

}  // namespace quorvex::client
