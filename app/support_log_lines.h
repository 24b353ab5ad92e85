#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/wizard_machine.h"

// The support log's lines: what the wizard was told and what it did, one line each, so
// that a log sent in from the field can be read by a person and fed back through Advance
// (a field report becomes a test). Only the machine's own fields appear, as numbers and
// names: never a user name, a path or anything typed.
//
//     <ms since start> <page> event <EventKind> [name=value ...]
//     <ms since start> <page> action <ActionKind> [name=value ...]
//     # comment (the start of a run, lines lost, steps left out)
//
// <page> is the page when the event arrived, on the event's line and on each of its
// actions. Every field the kind uses is written; another field only when it is not at
// its default (so nothing set is ever left out).

// The first line of every run of the program; a replay starts afresh there.
std::string RunStartLine(std::string_view wallClock);
bool IsRunStart(std::string_view line);

std::string FormatEventLine(std::uint32_t timeMs, int page, const WizardEvent& event);
std::string FormatActionLine(std::uint32_t timeMs, int page, const WizardAction& action);

struct EventLine {
    std::uint32_t timeMs = 0;
    int page = 0;
    WizardEvent event{};
};
// The event of a line FormatEventLine wrote; nothing for any other line (an action, a
// comment, a cut or garbled line, an unknown name or field).
std::optional<EventLine> ParseEventLine(std::string_view line);
bool IsActionLine(std::string_view line);

const char* EventKindName(EventKind kind);
const char* ActionKindName(ActionKind kind);

// Turns the wizard's steps into lines. A step that changes nothing and does what the step
// before it did (the download's reports within one percent, the watchdog's "still online")
// is only counted, and the count is written before the next step that is logged: the log
// stays small while a replay still meets every state the program was in.
class StepLog {
public:
    std::vector<std::string> Lines(std::uint32_t timeMs, const WizardState& before,
                                   const WizardEvent& event, const WizardStep& step);

private:
    bool logged_ = false;
    EventKind lastKind_ = EventKind::StartClicked;
    std::vector<WizardAction> lastActions_;
    unsigned alike_ = 0;
};
