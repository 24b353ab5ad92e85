#include "support_log_replay.h"

#include <deque>

#include "app/support_log_lines.h"
#include "core/log_bound.h"

namespace {
std::string At(std::size_t number, std::string_view line) {
    return "line " + std::to_string(number) + " \"" + std::string(line) + "\": ";
}
} // namespace

ReplayResult ReplayLog(std::string_view log) {
    ReplayResult result;
    WizardState state;
    bool replaying = false;
    std::deque<std::string> expected; // the actions the last event gave, not yet met
    std::size_t number = 0;
    const auto fail = [&](std::string_view line, const std::string& why) {
        result.mismatch = At(number, line) + why;
        return result;
    };
    while (!log.empty()) {
        const std::size_t end = log.find('\n');
        std::string_view line = log.substr(0, end);
        log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        ++number;
        if (line.empty()) {
            continue;
        }
        const bool runStart = IsRunStart(line);
        if (replaying && !expected.empty() && (runStart || !IsActionLine(line))) {
            if (!IsLostLinesNote(line)) {
                return fail(line, "expected the action \"" + expected.front() + "\"");
            }
        }
        if (runStart) {
            state = WizardState{};
            replaying = true;
            expected.clear();
            ++result.runs;
            continue;
        }
        if (IsLostLinesNote(line)) {
            replaying = false; // what the lost lines did cannot be known
            continue;
        }
        if (!replaying || line.starts_with('#')) {
            continue;
        }
        if (IsActionLine(line)) {
            if (expected.empty()) {
                return fail(line, "an action no event gave");
            }
            if (line != expected.front()) {
                return fail(line, "the replay gave \"" + expected.front() + "\"");
            }
            expected.pop_front();
            continue;
        }
        const std::optional<EventLine> parsed = ParseEventLine(line);
        if (!parsed) {
            return fail(line, "neither an event nor an action");
        }
        if (parsed->page != state.page) {
            return fail(line, "the replay is on page " + std::to_string(state.page));
        }
        const WizardStep step = Advance(state, parsed->event);
        for (const WizardAction& action : step.actions) {
            expected.push_back(FormatActionLine(parsed->timeMs, parsed->page, action));
        }
        state = step.state;
        ++result.events;
    }
    if (replaying && !expected.empty()) {
        return fail("", "the log ends before the action \"" + expected.front() + "\"");
    }
    return result;
}
