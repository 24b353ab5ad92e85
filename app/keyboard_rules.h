#pragma once
#include <span>

// What the wizard's keys mean on each page. The keys stand for clicks: the result names
// the control whose click a key makes, so the keyboard takes the very road of the mouse.

enum class WizardKey { Enter, Escape, Tab, ShiftTab, Space };

// The controls Tab walks through on a page, in order (control ids); empty where none.
std::span<const int> FocusRing(int page);

struct KeyOutcome {
    int click = 0; // the control whose click the key makes; 0: none
    int focus = 0; // the control holding the wizard's focus afterwards; 0: none
};

// `focus` is the control holding the wizard's focus, `agreed` whether the agreement box is
// checked (the start button takes no click while it is not).
KeyOutcome ResolveKey(int page, int focus, WizardKey key, bool agreed);
