#include "app/keyboard.h"

#include <algorithm>
#include <span>

#include "app/commands.h"
#include "app/control_ids.h"
#include "app/keyboard_rules.h"
#include "app/main_paint.h"
#include "core/app_object.h"
#include "core/gdi_handles.h"
#include "ui/control_font.h"
#include "ui/skin_scale.h"
#include "ui/text_controls.h"

namespace {
// The skin's darker button blue.
constexpr COLORREF kCueColour = RGB(20, 102, 200);
constexpr COLORREF kCueGapColour = RGB(255, 255, 255);
constexpr int kCueGap = 2; // between a control and the frame around it, at 96 DPI

int focusId = 0;       // the control holding the wizard's focus
int focusPage = -1;    // the page that focus belongs to
bool cueShown = false; // Tab has been used: the focus shows from now on

bool IsLink(int id) {
    return id == ID_AGREEMENT || id == ID_CHANGE_FOLDER || id == ID_CANCEL;
}

bool OnRing(int page, int id) {
    const std::span<const int> ring = FocusRing(page);
    return std::find(ring.begin(), ring.end(), id) != ring.end();
}

RECT PlaceOf(HWND mainWindow, HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// Width of a text in the small font, as the window and the links draw it.
int TextWidth(HWND mainWindow, const wchar_t* text, int length) {
    const WindowDC dc(mainWindow);
    const ScopedFont font(CreateControlFont(SkinLength(kSmallFontHeight)));
    const ScopedSelect selected(dc.get(), font.get());
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text, length, &size);
    return size.cx;
}

struct Cue {
    RECT area;      // frame: the rectangle; line: the rows of the line
    bool underline; // a line under a link rather than a frame
};

// Where the cue of a control stands: always on the main window's own surface, which
// does not reach under its children.
Cue CueOf(HWND mainWindow, int id) {
    const int gap = SkinLength(kCueGap);
    const int line = SkinLength(1);
    HWND control = GetDlgItem(mainWindow, id);
    const RECT place = PlaceOf(mainWindow, control);
    if (IsLink(id)) {
        // Under the words the link shows, just below the control.
        wchar_t text[16] = {};
        int length = GetWindowTextW(control, text, 16);
        if (id == ID_AGREEMENT) { // shows other words than its window text
            lstrcpynW(text, kAgreementLinkText, 16);
            length = lstrlenW(text);
        }
        const int width = TextWidth(mainWindow, text, length);
        return Cue{
            RECT{place.left, place.bottom + line, place.left + width, place.bottom + 2 * line},
            true};
    }
    if (id == ID_AGREE_CHECK) {
        // The box stands for the whole sentence around it, as a checkbox's label would.
        const int sentenceEnd = SkinLength(kConsentAfterX) +
                                TextWidth(mainWindow, kConsentAfter, lstrlenW(kConsentAfter));
        return Cue{
            RECT{place.left - gap, place.top - gap, sentenceEnd + gap + line, place.bottom + gap},
            false};
    }
    return Cue{RECT{place.left - gap, place.top - gap, place.right + gap, place.bottom + gap},
               false};
}

void InvalidateCue(HWND mainWindow) {
    if (!cueShown || focusId == 0) {
        return;
    }
    RECT area = CueOf(mainWindow, focusId).area;
    InflateRect(&area, SkinLength(1), SkinLength(1));
    InvalidateRect(mainWindow, &area, TRUE);
}

void AnnounceFocus(HWND mainWindow) {
    HWND control = focusId != 0 ? GetDlgItem(mainWindow, focusId) : nullptr;
    if (control != nullptr && GetFocus() == mainWindow) {
        NotifyWinEvent(EVENT_OBJECT_FOCUS, control, OBJID_CLIENT, CHILDID_SELF);
    }
}

void MoveFocus(HWND mainWindow, int id) {
    InvalidateCue(mainWindow);
    focusId = id;
    InvalidateCue(mainWindow);
    AnnounceFocus(mainWindow);
}

bool IsAgreed(HWND mainWindow) {
    return SendMessageW(GetDlgItem(mainWindow, ID_AGREE_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The click a key stands for, on the road the mouse takes.
void Click(HWND mainWindow, int id) {
    if (id == ID_AGREE_CHECK) {
        // An automatic checkbox turns its state over and then reports the click.
        SendMessageW(GetDlgItem(mainWindow, id), BM_SETCHECK,
                     IsAgreed(mainWindow) ? BST_UNCHECKED : BST_CHECKED, 0);
        OnCommand(mainWindow, id, BN_CLICKED);
        return;
    }
    OnCommand(mainWindow, id, 0);
}

// The real focus back on the main window, unless something else rightly holds it: a
// question or the folder dialog (the window is disabled under them), or another program.
void HoldKeyboardFocus(HWND mainWindow) {
    HWND focus = GetFocus();
    if (focus == mainWindow || !IsWindowEnabled(mainWindow)) {
        return;
    }
    const bool ours = focus != nullptr ? IsChild(mainWindow, focus) != FALSE
                                       : GetForegroundWindow() == mainWindow;
    if (ours) {
        SetFocus(mainWindow);
    }
}

bool IsRepeat(LPARAM flags) {
    return (flags & (LPARAM{1} << 30)) != 0; // the key was already down
}
} // namespace

bool OnWizardKey(HWND mainWindow, WPARAM key, LPARAM flags) {
    WizardKey pressed{};
    switch (key) {
    case VK_RETURN:
        pressed = WizardKey::Enter;
        break;
    case VK_ESCAPE:
        pressed = WizardKey::Escape;
        break;
    case VK_SPACE:
        pressed = WizardKey::Space;
        break;
    case VK_TAB:
        pressed = GetKeyState(VK_SHIFT) < 0 ? WizardKey::ShiftTab : WizardKey::Tab;
        break;
    default:
        return false;
    }
    // A held key acts once; only Tab walks on while held.
    if (IsRepeat(flags) && key != VK_TAB) {
        return true;
    }
    FollowPageWithKeyboard(mainWindow);
    const int page = GetApp()->page.load();
    const KeyOutcome outcome = ResolveKey(page, focusId, pressed, IsAgreed(mainWindow));
    const bool walks = pressed == WizardKey::Tab || pressed == WizardKey::ShiftTab;
    if (walks) {
        cueShown = true; // as Windows shows focus cues once the keyboard is used
    }
    if (walks || outcome.focus != focusId) {
        MoveFocus(mainWindow, outcome.focus);
    }
    if (outcome.click != 0) {
        Click(mainWindow, outcome.click);
    }
    return true;
}

void FollowPageWithKeyboard(HWND mainWindow) {
    const VBindCallback* app = GetApp();
    if (app->quitRequested.load() != 0) {
        return; // the controls' records are gone
    }
    const int page = app->page.load();
    if (page != focusPage) {
        InvalidateCue(mainWindow);
        focusPage = page;
        const std::span<const int> ring = FocusRing(page);
        focusId = ring.empty() ? 0 : ring.front();
        InvalidateCue(mainWindow);
        HoldKeyboardFocus(mainWindow);
        AnnounceFocus(mainWindow);
        return;
    }
    // A clicked agreement box takes the real focus; the wizard's focus follows it there.
    HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) == mainWindow) {
        const int id = GetDlgCtrlID(focus);
        if (OnRing(page, id) && id != focusId) {
            MoveFocus(mainWindow, id);
        }
        HoldKeyboardFocus(mainWindow);
    }
}

void AnnounceKeyboardFocus(HWND mainWindow) {
    AnnounceFocus(mainWindow);
}

void PaintFocusCue(HWND mainWindow, HDC dc) {
    if (!cueShown || focusId == 0 || focusPage != GetApp()->page.load()) {
        return;
    }
    const Cue cue = CueOf(mainWindow, focusId);
    const RECT& r = cue.area;
    // Dots in the skin's blue with white between them, as a focus rectangle is drawn:
    // the blue shows on the white strip, the white on the blue pictures. Dots and line
    // are one pixel at 96 DPI and grow with the scale.
    const int size = SkinLength(1);
    auto dot = [dc, size](int x, int y) {
        SetPixel(dc, x, y, ((x / size + y / size) & 1) == 0 ? kCueColour : kCueGapColour);
    };
    for (int x = r.left; x < r.right; ++x) {
        for (int row = 0; row < size; ++row) {
            dot(x, r.top + row);
            if (!cue.underline) {
                dot(x, r.bottom - 1 - row);
            }
        }
    }
    if (!cue.underline) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int column = 0; column < size; ++column) {
                dot(r.left + column, y);
                dot(r.right - 1 - column, y);
            }
        }
    }
}

int KeyboardFocusId() {
    return focusPage == GetApp()->page.load() ? focusId : 0;
}
