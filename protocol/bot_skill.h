#pragma once

// A computer player's skill. The server offers it (command line, dedicated console, window) and
// passes it to `quorvex-client --bot --skill`, whose steering plays by it: both programs take
// the bounds and the default from here.

#include <string>

namespace quorvex {

inline constexpr int kLowestBotSkill = 1;   // slow and late: misses often
inline constexpr int kHighestBotSkill = 5;  // quick and early: rarely misses
inline constexpr int kDefaultBotSkill = 3;

// "1, 2, 3, 4 or 5", for the texts that name every skill.
inline std::string BotSkillChoices() {
    std::string text;
    for (int skill = kLowestBotSkill; skill <= kHighestBotSkill; ++skill) {
        text += (skill == kLowestBotSkill    ? ""
                 : skill == kHighestBotSkill ? " or "
                                             : ", ") +
                std::to_string(skill);
    }
    return text;
}

// "1 (misses often) to 5 (rarely)", for the texts that offer the choice.
inline std::string BotSkillRange() {
    return std::to_string(kLowestBotSkill) + " (misses often) to " +
           std::to_string(kHighestBotSkill) + " (rarely)";
}

}  // namespace quorvex
