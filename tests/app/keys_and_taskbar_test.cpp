// The decisions behind the keyboard and the taskbar button: what a key clicks on each
// page, and what the button shows for a page, the bar and a standing failure notice.
#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "app/keyboard_rules.h"
#include "app/taskbar_state.h"
#include "core/pages.h"

namespace {

TEST(TaskbarStateFor, FollowsThePageTheBarAndTheNotice) {
    const TaskbarState none{};
    EXPECT_EQ(TaskbarStateFor(PAGE_AGREE, 0, false), none);
    EXPECT_EQ(TaskbarStateFor(PAGE_DOWNLOAD, 1, false), (TaskbarState{TaskbarMark::Normal, 1}));
    EXPECT_EQ(TaskbarStateFor(PAGE_VERIFY, 100, false), (TaskbarState{TaskbarMark::Normal, 100}));
    // Offline, the bar keeps its place and the button says the download waits.
    EXPECT_EQ(TaskbarStateFor(PAGE_OFFLINE, 37, false), (TaskbarState{TaskbarMark::Paused, 37}));
    EXPECT_EQ(TaskbarStateFor(PAGE_INSTALL, 140, false), (TaskbarState{TaskbarMark::Normal, 140}));
    EXPECT_EQ(TaskbarStateFor(PAGE_REMOVE_OLD, 100, false),
              (TaskbarState{TaskbarMark::Normal, 100}));
    // A failure notice wins while it stands, wherever the bar is.
    EXPECT_EQ(TaskbarStateFor(PAGE_INSTALL, 160, true), (TaskbarState{TaskbarMark::Error, 160}));
    EXPECT_EQ(TaskbarStateFor(PAGE_REMOVE_OLD, 100, true), (TaskbarState{TaskbarMark::Error, 100}));
    EXPECT_EQ(TaskbarStateFor(PAGE_OFFLINE, 37, true), (TaskbarState{TaskbarMark::Error, 37}));
    // Done is done: no progress, whatever the bar says.
    EXPECT_EQ(TaskbarStateFor(PAGE_DONE, 200, false), none);
    EXPECT_EQ(TaskbarStateFor(PAGE_DONE, 200, true), none);
    // The value stays within the bar's range.
    EXPECT_EQ(TaskbarStateFor(PAGE_INSTALL, 250, false), (TaskbarState{TaskbarMark::Normal, 200}));
    EXPECT_EQ(TaskbarStateFor(PAGE_DOWNLOAD, -5, false), (TaskbarState{TaskbarMark::Normal, 0}));
}

TEST(ResolveKey, EnterAndEscapeClickThePagesMainAndCloseButtons) {
    // Enter starts only while the box is checked, as the start button's click.
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_CHANGE_FOLDER, WizardKey::Enter, true).click,
              ID_START_INSTALL);
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_AGREE_CHECK, WizardKey::Enter, false).click, 0);
    EXPECT_EQ(ResolveKey(PAGE_DONE, ID_SINA_SHARE, WizardKey::Enter, true).click, ID_FINISH);
    for (int page : {PAGE_DOWNLOAD, PAGE_OFFLINE, PAGE_INSTALL, PAGE_REMOVE_OLD, PAGE_VERIFY}) {
        EXPECT_EQ(ResolveKey(page, 0, WizardKey::Enter, true).click, 0) << page;
    }
    // Esc is the close button everywhere; the close command decides what that means.
    for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(ResolveKey(page, 0, WizardKey::Escape, true).click, ID_CLOSE) << page;
    }
}

TEST(ResolveKey, TabWalksThePageAndSpaceClicksWhatHasTheFocus) {
    int focus = ID_AGREE_CHECK;
    const int order[] = {ID_AGREEMENT, ID_CHANGE_FOLDER, ID_START_INSTALL, ID_AGREE_CHECK};
    for (int expected : order) {
        const KeyOutcome walked = ResolveKey(PAGE_AGREE, focus, WizardKey::Tab, true);
        EXPECT_EQ(walked.click, 0);
        EXPECT_EQ(walked.focus, expected);
        focus = walked.focus;
    }
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_AGREE_CHECK, WizardKey::ShiftTab, true).focus,
              ID_START_INSTALL);
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_AGREE_CHECK, WizardKey::Space, true).click, ID_AGREE_CHECK);
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_CHANGE_FOLDER, WizardKey::Space, true).click,
              ID_CHANGE_FOLDER);
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_START_INSTALL, WizardKey::Space, true).click,
              ID_START_INSTALL);
    EXPECT_EQ(ResolveKey(PAGE_AGREE, ID_START_INSTALL, WizardKey::Space, false).click, 0);
    // A focus left from another page starts over at the page's first control.
    EXPECT_EQ(ResolveKey(PAGE_DONE, ID_START_INSTALL, WizardKey::Space, true).click, ID_FINISH);
    EXPECT_EQ(ResolveKey(PAGE_DOWNLOAD, ID_START_INSTALL, WizardKey::Tab, true).focus, ID_CANCEL);
    EXPECT_EQ(ResolveKey(PAGE_VERIFY, ID_CANCEL, WizardKey::Space, true).click, ID_CANCEL);
    // Pages without controls to walk take no Tab and no Space.
    const KeyOutcome installing = ResolveKey(PAGE_INSTALL, 0, WizardKey::Tab, true);
    EXPECT_EQ(installing.focus, 0);
    EXPECT_EQ(ResolveKey(PAGE_INSTALL, 0, WizardKey::Space, true).click, 0);
}

} // namespace
