#pragma once

// What the taskbar button shows of the upgrade, decided from what the window shows.

enum class TaskbarMark { None, Normal, Paused, Error };

// The progress bar's range: the download fills 0..100, the installation 100..200.
constexpr unsigned kTaskbarRange = 200;

struct TaskbarState {
    TaskbarMark mark = TaskbarMark::None;
    unsigned done = 0; // of kTaskbarRange; 0 when the mark is None

    bool operator==(const TaskbarState&) const = default;
};

// `page` is the wizard's page, `barPosition` the progress bar's position and
// `failureNotice` whether a failure notice stands in the status line.
TaskbarState TaskbarStateFor(int page, int barPosition, bool failureNotice);
