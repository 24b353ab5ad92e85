#pragma once
// A support log fed back through the wizard's decisions: every run the log holds from
// its start line on begins with a fresh state, each event line goes through Advance, and
// the actions it gives must be the action lines that follow it, word for word.
#include <optional>
#include <string>
#include <string_view>

struct ReplayResult {
    unsigned runs = 0;                   // runs replayed from their start line
    unsigned events = 0;                 // event lines fed through Advance
    std::optional<std::string> mismatch; // the first line that differs, and why
};

// A run whose beginning the log's bound has cut off is passed over; so is the rest of
// a run after lines were lost.
ReplayResult ReplayLog(std::string_view log);
