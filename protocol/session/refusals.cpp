#include "protocol/session/refusals.h"

namespace quorvex::session {
namespace {

std::int64_t RoundedUp(std::int64_t ms, std::int64_t unitMs) {
    return ms <= 0 ? 1 : (ms + unitMs - 1) / unitMs;
}

std::string Seconds(std::int64_t ms) {
    return std::to_string(RoundedUp(ms, 1000)) + " s";
}

std::string Minutes(std::int64_t ms) {
    const std::int64_t minutes = RoundedUp(ms, 60'000);
    return std::to_string(minutes) + (minutes == 1 ? " more minute" : " more minutes");
}

}  // namespace

Refusal BannedRefusal(std::int64_t msLeft) {
    return {RefuseReason::Banned,
            "This address or player name is banned from the server for " + Minutes(msLeft)};
}

Refusal TooManyJoinsRefusal(std::int64_t msLeft, int joins, std::int64_t windowMs) {
    return {RefuseReason::TooManyJoins, "Too many joins from this address (more than " +
                                            std::to_string(joins) + " in " + Seconds(windowMs) +
                                            "): try again in " + Seconds(msLeft)};
}

Refusal BusyRefusal() {
    return {RefuseReason::Busy, "The server is busy with other connections: try again in a moment"};
}

Refusal LockoutRefusal(std::int64_t msLeft) {
    return {RefuseReason::PasswordLockout,
            "Too many wrong passwords from this address: try again in " + Seconds(msLeft)};
}

Refusal WrongPasswordRefusal() {
    return {RefuseReason::WrongPassword, "The password is wrong"};
}

Refusal ResumeRefusal(const std::string& why) {
    return {RefuseReason::ResumeRefused, "The server could not take this player back: " + why};
}

Status StatusOfRefusal(const Refusal& refusal) {
    switch (refusal.reason) {
        case RefuseReason::WrongApplication:
            return Status::Failure(ErrorCode::WrongApplication,
                                   "Not a Quorvex server: " + refusal.text);
        case RefuseReason::SessionFull:
            return Status::Failure(ErrorCode::SessionFull, refusal.text);
        case RefuseReason::NameTooLong:
            return Status::Failure(ErrorCode::NameTooLong, refusal.text);
        case RefuseReason::NoIdentifiersLeft:
            return Status::Failure(ErrorCode::NoIdentifiersLeft, refusal.text);
        case RefuseReason::WrongPassword:
            return Status::Failure(ErrorCode::WrongPassword, refusal.text);
        case RefuseReason::Banned:
            return Status::Failure(ErrorCode::Banned, refusal.text);
        case RefuseReason::TooManyJoins:
            return Status::Failure(ErrorCode::TooManyJoins, refusal.text);
        case RefuseReason::Busy:
            return Status::Failure(ErrorCode::ServerBusy, refusal.text);
        case RefuseReason::PasswordLockout:
            return Status::Failure(ErrorCode::PasswordLockout, refusal.text);
        case RefuseReason::ResumeRefused:
            return Status::Failure(ErrorCode::ResumeRefused, refusal.text);
        case RefuseReason::BadHandshake:
        default:
            return Status::Failure(ErrorCode::ProtocolError, refusal.text);
    }
}

Status UnprovenServerStatus(bool proofMissing, const std::string& host) {
    if (proofMissing) {
        return Status::Failure(ErrorCode::ServerUnproven,
                               "The server at " + host +
                                   " asks for the password without proving that it knows it, "
                                   "so it was not answered");
    }
    // Said as a server with the password would say it: a mistyped password is far likelier
    // than a stranger's server, and either way this password does not open this server.
    return Status::Failure(ErrorCode::WrongPassword, WrongPasswordRefusal().text);
}

}  // namespace quorvex::session
