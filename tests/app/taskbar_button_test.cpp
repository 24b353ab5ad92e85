// The main window's taskbar button through a test double of the shell's ITaskbarList3,
// registered as the class the program asks COM for: the object is made only once the
// shell has announced the button, and it is told each change of the wizard once. And
// its flash, through doubles of the system's FlashWindowEx and MessageBoxW: a
// question's flash ends with the answer.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "app/taskbar_button.h"
#include "app/wizard_taskbar.h"
#include "core/app_object.h"
#include "core/messages.h"

// What the system was asked of the button's flash and of message boxes, one entry per
// call: "flash" (on the button until the window comes forward), "stop", "box".
std::vector<std::string> flashes;
// What happens while a question waits for its answer.
std::function<void()> whileAsking;

// These stand in for user32's: the linker takes a definition of the program's own
// before an import library's.
BOOL WINAPI FlashWindowEx(PFLASHWINFO info) {
    if (info->dwFlags == FLASHW_STOP) {
        flashes.push_back("stop");
    } else {
        flashes.push_back(info->dwFlags == (FLASHW_TRAY | FLASHW_TIMERNOFG) ? "flash" : "other");
    }
    return TRUE;
}
int WINAPI MessageBoxW(HWND, LPCWSTR, LPCWSTR, UINT) {
    flashes.push_back("box");
    if (whileAsking) {
        whileAsking();
    }
    return IDOK;
}

namespace {

// What the shell was told, one entry per call: "value 140/200", "state 2", "init".
std::vector<std::string> calls;

class FakeTaskbarList final : public ITaskbarList3 {
public:
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList || iid == IID_ITaskbarList2 ||
            iid == IID_ITaskbarList3) {
            *object = static_cast<ITaskbarList3*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; } // owned by the test

    HRESULT STDMETHODCALLTYPE HrInit() override {
        calls.push_back("init");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND window, ULONGLONG done,
                                               ULONGLONG total) override {
        EXPECT_EQ(window, GetApp()->mainWindow);
        calls.push_back("value " + std::to_string(done) + "/" + std::to_string(total));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG flag) override {
        EXPECT_EQ(window, GetApp()->mainWindow);
        calls.push_back("state " + std::to_string(static_cast<int>(flag)));
        return S_OK;
    }

    // Nothing else is the program's business.
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return Unexpected("AddTab"); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return Unexpected("DeleteTab"); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return Unexpected("ActivateTab"); }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return Unexpected("SetActiveAlt"); }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override {
        return Unexpected("MarkFullscreenWindow");
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return Unexpected("RegisterTab"); }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return Unexpected("UnregisterTab"); }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return Unexpected("SetTabOrder"); }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override {
        return Unexpected("SetTabActive");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return Unexpected("ThumbBarAddButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return Unexpected("ThumbBarUpdateButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override {
        return Unexpected("ThumbBarSetImageList");
    }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override {
        return Unexpected("SetOverlayIcon");
    }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override {
        return Unexpected("SetThumbnailTooltip");
    }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override {
        return Unexpected("SetThumbnailClip");
    }

private:
    static HRESULT Unexpected(const char* method) {
        calls.push_back(std::string("unexpected ") + method);
        return E_NOTIMPL;
    }
};

// Hands out the doubles in turn, or fails as a system without the class would.
class FakeFactory final : public IClassFactory {
public:
    std::vector<FakeTaskbarList*> made;
    bool absent = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        if (absent) {
            return REGDB_E_CLASSNOTREG;
        }
        auto* list = new FakeTaskbarList;
        made.push_back(list);
        const HRESULT result = list->QueryInterface(iid, object);
        list->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

std::vector<std::string> TakeCalls() {
    return std::exchange(calls, {});
}

using Calls = std::vector<std::string>;
const std::string kNormal = "state " + std::to_string(TBPF_NORMAL);
const std::string kPaused = "state " + std::to_string(TBPF_PAUSED);
const std::string kError = "state " + std::to_string(TBPF_ERROR);
const std::string kNoProgress = "state " + std::to_string(TBPF_NOPROGRESS);

TEST(TaskbarButton, MadeAfterTheShellsWordAndToldEachChangeOnce) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    FakeFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_TaskbarList, &factory, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    lstrcpyW(windowClassName, L"TIDEWELL");
    lstrcpyW(windowTitle, L"Tidewell");
    RegisterMainWindowClass(instance);
    ASSERT_EQ(CreateMainWindow(instance, SW_SHOW), 1);
    VBindCallback* app = GetApp();
    HWND main = app->mainWindow;
    const UINT buttonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");

    // Until the shell has announced the button, nothing is made and nothing is told.
    app->page.store(PAGE_DOWNLOAD);
    SendMessageW(app->progressBar->hwnd, PBM_SETPOS, 30, 0);
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Normal, 30});
    EXPECT_TRUE(factory.made.empty());
    EXPECT_EQ(TakeCalls(), Calls{});

    // The announcement: the object is made and shown the latest state.
    SendMessageW(main, buttonCreated, 0, 0);
    ASSERT_EQ(factory.made.size(), 1u);
    EXPECT_EQ(TakeCalls(), (Calls{"init", "value 30/200", kNormal}));
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Normal, 30}); // the same: nothing
    EXPECT_EQ(TakeCalls(), Calls{});
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Normal, 31});
    EXPECT_EQ(TakeCalls(), Calls{"value 31/200"});

    // The window follows the wizard after its messages: offline, the button pauses.
    app->page.store(PAGE_OFFLINE);
    SendMessageW(app->progressBar->hwnd, PBM_SETPOS, 31, 0);
    SendMessageW(main, UM_SLIDE_TICK, 0, 0);
    EXPECT_EQ(TakeCalls(), Calls{kPaused});

    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Normal, 140});
    EXPECT_EQ(TakeCalls(), (Calls{"value 140/200", kNormal}));
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Error, 140}); // a failure notice
    EXPECT_EQ(TakeCalls(), Calls{kError});
    app->page.store(PAGE_DONE);
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::None, 0}); // the finish page
    EXPECT_EQ(TakeCalls(), Calls{kNoProgress});

    // Explorer restarted: a new button, a new object, told the state afresh; the old one
    // is let go.
    SendMessageW(main, buttonCreated, 0, 0);
    ASSERT_EQ(factory.made.size(), 2u);
    EXPECT_EQ(factory.made[0]->references, 0);
    EXPECT_EQ(TakeCalls(), (Calls{"init", kNoProgress}));

    // Where the system has no such class, the button simply shows nothing.
    factory.absent = true;
    SendMessageW(main, buttonCreated, 0, 0);
    EXPECT_EQ(factory.made[1]->references, 0);
    ShowTaskbarProgress(main, TaskbarState{TaskbarMark::Normal, 160});
    EXPECT_EQ(TakeCalls(), Calls{});

    ForgetTaskbarButton();
    CoRevokeClassObject(cookie);
    for (FakeTaskbarList* list : factory.made) {
        delete list;
    }
    CoUninitialize();
}

DWORD ForegroundProcess() {
    DWORD process = 0;
    if (HWND foreground = GetForegroundWindow()) {
        GetWindowThreadProcessId(foreground, &process);
    }
    return process;
}

TEST(TaskbarFlash, AQuestionsFlashEndsWithItsAnswerAndLeavesTheFinishPagesOn) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Tidewell", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    // Behind a window of another program: the desktop's, which the system's shell owns.
    SetForegroundWindow(GetDesktopWindow());
    ASSERT_NE(ForegroundProcess(), GetCurrentProcessId());
    flashes.clear();

    // The button flashes while the question waits, and stops when it is answered.
    EXPECT_EQ(AskUser(window, L"?", L"!", MB_OKCANCEL), IDOK);
    EXPECT_EQ(std::exchange(flashes, {}), (Calls{"flash", "box", "stop"}));

    // The finish page reached meanwhile: its flash goes on after the answer.
    whileAsking = [window] { FlashTaskbarButton(window, FlashCause::Finished); };
    AskUser(window, L"?", L"!", MB_OKCANCEL);
    EXPECT_EQ(std::exchange(flashes, {}), (Calls{"flash", "box", "flash"}));
    whileAsking = nullptr;

    // Asked while the window is in front: nothing flashes, nothing is stopped.
    SetForegroundWindow(window);
    ASSERT_EQ(ForegroundProcess(), GetCurrentProcessId());
    AskUser(window, L"?", L"!", MB_OKCANCEL);
    EXPECT_EQ(std::exchange(flashes, {}), Calls{"box"});
    DestroyWindow(window);
}

} // namespace
