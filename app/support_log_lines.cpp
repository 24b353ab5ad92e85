#include "app/support_log_lines.h"

#include <array>
#include <charconv>
#include <iterator>
#include <span>
#include <type_traits>

namespace {

constexpr const char* kEventKinds[] = {
    "StartClicked",     "CloseClicked",     "CancelClicked",   "FinishClicked",
    "QuestionAnswered", "DownloadProgress", "AttemptEnded",    "Verdict",
    "StageTimer",       "NetState",         "InstallProgress", "InstallDone",
    "InstallFailed",    "OldRemovalFailed", "OldRemoved",      "WindowDestroyed",
};
static_assert(std::size(kEventKinds) == static_cast<std::size_t>(EventKind::WindowDestroyed) + 1);

constexpr const char* kActionKinds[] = {
    "GoToPage",
    "SetStatus",
    "SetBar",
    "RepaintStatus",
    "RepaintWindow",
    "StopTransfer",
    "StartAttempt",
    "RetireAttempts",
    "StartVerification",
    "LetGoOfInstaller",
    "ArmTimer",
    "StartSlideshow",
    "StartNetWatch",
    "PostRetryCount",
    "EndOldSuite",
    "StartUninstaller",
    "StartInstaller",
    "CleanWorkingFiles",
    "BustCache",
    "Ask",
    "Quit",
};
static_assert(std::size(kActionKinds) == static_cast<std::size_t>(ActionKind::Quit) + 1);

constexpr const char* kOutcomes[] = {"Placed", "Failed", "DiskFull", "Stopped"};
static_assert(std::size(kOutcomes) == static_cast<std::size_t>(AttemptOutcome::Stopped) + 1);

constexpr const char* kQuestions[] = {"None", "Cancel", "Damaged"};
static_assert(std::size(kQuestions) == static_cast<std::size_t>(Question::Damaged) + 1);

constexpr const char* kStatusTexts[] = {"Downloaded",  "Installed",     "Empty",
                                        "RemovingOld", "InstallFailed", "OldRemovalFailed",
                                        "DiskFull"};
static_assert(std::size(kStatusTexts) == static_cast<std::size_t>(StatusText::DiskFull) + 1);

constexpr const char* kPages[] = {"agree", "download",   "offline", "install",
                                  "done",  "remove-old", "verify"};
static_assert(std::size(kPages) == kPageCount);

template <typename Enum> std::span<const char* const> NamesOf() {
    if constexpr (std::is_same_v<Enum, EventKind>) {
        return kEventKinds;
    } else if constexpr (std::is_same_v<Enum, ActionKind>) {
        return kActionKinds;
    } else if constexpr (std::is_same_v<Enum, AttemptOutcome>) {
        return kOutcomes;
    } else if constexpr (std::is_same_v<Enum, Question>) {
        return kQuestions;
    } else {
        static_assert(std::is_same_v<Enum, StatusText>, "an enum without names");
        return kStatusTexts;
    }
}

template <typename Enum> const char* NameOf(Enum value) {
    const auto names = NamesOf<Enum>();
    const auto index = static_cast<std::size_t>(value);
    return index < names.size() ? names[index] : "?";
}

template <typename Enum> bool EnumOf(std::string_view name, Enum& value) {
    const auto names = NamesOf<Enum>();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (name == names[i]) {
            value = static_cast<Enum>(i);
            return true;
        }
    }
    return false;
}

// One value as the log writes it, and back: numbers in decimal, flags as 0 or 1, the
// machine's enums by name.
template <typename T> void Put(std::string& out, T value) {
    if constexpr (std::is_same_v<T, bool>) {
        out += value ? '1' : '0';
    } else if constexpr (std::is_enum_v<T>) {
        out += NameOf(value);
    } else {
        out += std::to_string(value);
    }
}

template <typename T> bool Take(std::string_view text, T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        if (text != "0" && text != "1") {
            return false;
        }
        value = text == "1";
        return true;
    } else if constexpr (std::is_enum_v<T>) {
        return EnumOf(text, value);
    } else {
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        return error == std::errc{} && stop == end && !text.empty();
    }
}

// A named member of an event or an action, and the kinds that use it. A new member of
// either is one line in its table below.
template <typename Record> struct Field {
    std::string_view name;
    std::uint64_t usedBy; // one bit per kind
    bool (*isDefault)(const Record&);
    void (*put)(std::string&, const Record&);
    bool (*take)(std::string_view, Record&);
};

template <typename... Kinds> constexpr std::uint64_t Of(Kinds... kinds) {
    return ((std::uint64_t{1} << static_cast<unsigned>(kinds)) | ... | 0);
}

template <typename M> struct MemberPointer;
template <typename C, typename T> struct MemberPointer<T C::*> { using Record = C; };

template <auto Member, typename Record = typename MemberPointer<decltype(Member)>::Record>
constexpr Field<Record> FieldOf(std::string_view name, std::uint64_t usedBy) {
    return {name, usedBy, [](const Record& r) { return r.*Member == Record{}.*Member; },
            [](std::string& out, const Record& r) { Put(out, r.*Member); },
            [](std::string_view text, Record& r) { return Take(text, r.*Member); }};
}

using E = EventKind;
constexpr Field<WizardEvent> kEventFields[] = {
    FieldOf<&WizardEvent::attempt>("attempt", Of(E::DownloadProgress, E::AttemptEnded, E::Verdict)),
    FieldOf<&WizardEvent::total>("total", Of(E::DownloadProgress)),
    FieldOf<&WizardEvent::done>("done", Of(E::DownloadProgress)),
    FieldOf<&WizardEvent::outcome>("outcome", Of(E::AttemptEnded)),
    FieldOf<&WizardEvent::flag>(
        "flag", Of(E::StartClicked, E::CloseClicked, E::QuestionAnswered, E::Verdict, E::NetState)),
    FieldOf<&WizardEvent::oldEdition>("oldEdition", Of(E::Verdict)),
    FieldOf<&WizardEvent::timer>("timer", Of(E::StageTimer)),
    FieldOf<&WizardEvent::page>("page", Of(E::StageTimer)),
    FieldOf<&WizardEvent::nowMs>("nowMs", Of(E::AttemptEnded, E::NetState)),
    FieldOf<&WizardEvent::value>("value", Of(E::InstallProgress)),
    FieldOf<&WizardEvent::status>("status", Of(E::AttemptEnded)),
    FieldOf<&WizardEvent::serviceWaitMs>("serviceWaitMs", Of(E::AttemptEnded)),
    FieldOf<&WizardEvent::draw>("draw", Of(E::AttemptEnded)),
};

using A = ActionKind;
constexpr Field<WizardAction> kActionFields[] = {
    FieldOf<&WizardAction::value>(
        "value", Of(A::GoToPage, A::SetStatus, A::SetBar, A::ArmTimer, A::PostRetryCount)),
    FieldOf<&WizardAction::attempt>("attempt",
                                    Of(A::StartAttempt, A::StartVerification, A::LetGoOfInstaller)),
    FieldOf<&WizardAction::timer>("timer", Of(A::ArmTimer)),
    FieldOf<&WizardAction::flag>("flag", Of(A::RepaintStatus, A::StopTransfer, A::Quit)),
    FieldOf<&WizardAction::status>("status", Of(A::SetStatus)),
    FieldOf<&WizardAction::question>("question", Of(A::Ask)),
};
static_assert(static_cast<unsigned>(EventKind::WindowDestroyed) < 64 &&
              static_cast<unsigned>(ActionKind::Quit) < 64);

constexpr std::string_view kEventWord = "event";
constexpr std::string_view kActionWord = "action";
constexpr std::string_view kRunStart = "# Tidewell run started ";

template <typename Record, std::size_t N>
std::string FormatLine(std::uint32_t timeMs, int page, std::string_view word, const char* kind,
                       const Field<Record> (&fields)[N], const Record& record) {
    std::string line = std::to_string(timeMs);
    line += ' ';
    line += page >= 0 && page < kPageCount ? kPages[page] : "?";
    line += ' ';
    line += word;
    line += ' ';
    line += kind;
    const std::uint64_t kindBit = std::uint64_t{1} << static_cast<unsigned>(record.kind);
    for (const Field<Record>& field : fields) {
        if ((field.usedBy & kindBit) != 0 || !field.isDefault(record)) {
            line += ' ';
            line += field.name;
            line += '=';
            field.put(line, record);
        }
    }
    return line;
}

// The line's words, split at single spaces; a trailing carriage return is not part of it.
std::vector<std::string_view> Words(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    std::vector<std::string_view> words;
    while (true) {
        const std::size_t space = line.find(' ');
        words.push_back(line.substr(0, space));
        if (space == std::string_view::npos) {
            return words;
        }
        line.remove_prefix(space + 1);
    }
}

bool PageOf(std::string_view name, int& page) {
    for (int i = 0; i < kPageCount; ++i) {
        if (name == kPages[i]) {
            page = i;
            return true;
        }
    }
    return false;
}

} // namespace

std::string RunStartLine(std::string_view wallClock) {
    return std::string(kRunStart) + std::string(wallClock);
}

bool IsRunStart(std::string_view line) {
    return line.starts_with(kRunStart);
}

const char* EventKindName(EventKind kind) {
    return NameOf(kind);
}

const char* ActionKindName(ActionKind kind) {
    return NameOf(kind);
}

std::string FormatEventLine(std::uint32_t timeMs, int page, const WizardEvent& event) {
    return FormatLine(timeMs, page, kEventWord, NameOf(event.kind), kEventFields, event);
}

std::string FormatActionLine(std::uint32_t timeMs, int page, const WizardAction& action) {
    return FormatLine(timeMs, page, kActionWord, NameOf(action.kind), kActionFields, action);
}

std::optional<EventLine> ParseEventLine(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    EventLine parsed;
    if (words.size() < 4 || !Take(words[0], parsed.timeMs) || !PageOf(words[1], parsed.page) ||
        words[2] != kEventWord || !EnumOf(words[3], parsed.event.kind)) {
        return std::nullopt;
    }
    std::array<bool, std::size(kEventFields)> seen{};
    for (std::size_t w = 4; w < words.size(); ++w) {
        const std::size_t equals = words[w].find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view name = words[w].substr(0, equals);
        std::size_t f = 0;
        while (f < std::size(kEventFields) && kEventFields[f].name != name) {
            ++f;
        }
        if (f == std::size(kEventFields) || seen[f] ||
            !kEventFields[f].take(words[w].substr(equals + 1), parsed.event)) {
            return std::nullopt;
        }
        seen[f] = true;
    }
    return parsed;
}

bool IsActionLine(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    return words.size() >= 4 && words[2] == kActionWord;
}

std::vector<std::string> StepLog::Lines(std::uint32_t timeMs, const WizardState& before,
                                        const WizardEvent& event, const WizardStep& step) {
    if (logged_ && step.state == before && event.kind == lastKind_ &&
        step.actions == lastActions_) {
        ++alike_;
        return {};
    }
    std::vector<std::string> lines;
    if (alike_ > 0) {
        lines.push_back("# " + std::to_string(alike_) + " more like the step above");
        alike_ = 0;
    }
    lines.push_back(FormatEventLine(timeMs, before.page, event));
    for (const WizardAction& action : step.actions) {
        lines.push_back(FormatActionLine(timeMs, before.page, action));
    }
    logged_ = true;
    lastKind_ = event.kind;
    lastActions_ = step.actions;
    return lines;
}
