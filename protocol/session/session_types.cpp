#include "protocol/session/session_types.h"

namespace quorvex::session {

std::string ErrorText(const Status& status) {
    return "Error #" + std::to_string(status.Number()) + ": " + status.description;
}

Status CheckOutgoing(ByteView message, std::size_t maxFrameBytes) {
    if (message.empty()) {
        return Status::Failure(ErrorCode::InvalidParameter, "A message holds at least its type");
    }
    if (message.size() + 1 > maxFrameBytes) {
        return Status::Failure(ErrorCode::MessageTooLarge, "The message is too large to send");
    }
    return Status::Success();
}

Status SessionAddress::SetSP(const std::string& provider) {
    if (provider != kProviderTcpIp) {
        return Status::Failure(ErrorCode::InvalidParameter,
                               "Unknown service provider \"" + provider + "\"");
    }
    provider_ = provider;
    return Status::Success();
}

Status SessionAddress::AddComponentLong(const std::string& key, std::int32_t value) {
    longs_[key] = value;
    return Status::Success();
}

Status SessionAddress::AddComponentString(const std::string& key, const std::string& value) {
    strings_[key] = value;
    return Status::Success();
}

std::optional<std::int32_t> SessionAddress::Long(const std::string& key) const {
    const auto it = longs_.find(key);
    return it == longs_.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::string> SessionAddress::String(const std::string& key) const {
    const auto it = strings_.find(key);
    return it == strings_.end() ? std::nullopt : std::optional(it->second);
}

std::string SessionAddress::GetURL() const {
    std::string url = "x-quorvex:/provider=" + provider_;
    if (const auto host = String("hostname")) {
        url += ";" + *host;
    }
    if (const auto port = Long("port")) {
        url += ";port=" + std::to_string(*port);
    }
    return url;
}

}  // namespace quorvex::session
