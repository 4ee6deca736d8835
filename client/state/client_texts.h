#pragma once

// The client's own texts, spelt as players have always seen them.

#include <string_view>

namespace quorvex::client {

inline constexpr std::string_view kConnectedNotice = "**Connected to Chat Server**";
inline constexpr std::string_view kConnectionLostNotice =
    "*** Connection with server lost. Attempting to send messages may casue errors - So you "
    "should probably just quit or wait or something...***";
inline constexpr std::string_view kHasLeftSuffix = " has left";
inline constexpr std::string_view kExitNotice = "Please Wait While Program Exits";
inline constexpr std::string_view kChatSeparator = ":>";

inline constexpr std::string_view kPointsMode = "Points Mode";
inline constexpr std::string_view kSurvivorMode = "Surivor Mode";
inline constexpr std::string_view kFreeForAll = "Free-4-All";

inline constexpr std::string_view kInitialGameType = "<Game Type>";
inline constexpr std::string_view kInitialLimit = "<Limit>";
inline constexpr std::string_view kInitialReady = "<Rdy>";
inline constexpr std::string_view kInitialSeats = "<Plyrs>";

}  // namespace quorvex::client
