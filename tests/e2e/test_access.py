"""The wizard for users without a mouse and for accessibility clients: a whole upgrade
from the keyboard alone, and a name for every control a user can act on, on every page
of an upgrade, with the skin's pictures as they were."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import (AGREE_CHECK, AGREEMENT_LINK, CANCEL, CANCEL_QUESTION,  # noqa: E402
                     CHANGE_FOLDER, CLOSE, DOWNLOADED, FINISH, FOLDER_LABEL, INSTALL,
                     INSTALLED, MINIMIZE,
                     PICTURES, PROGRESS, SINA, TENCENT, VK_ESCAPE, VK_RETURN, VK_SPACE,
                     VK_TAB, Session, bmp_region)

# The focus cue: dotted, in the skin's darker button blue, on the window's own surface.
CUE = (20, 102, 200)
WHITE = (255, 255, 255)
# One dot of the frame 2 pixels around the start button, and one of the line under the
# change-folder link's words.
INSTALL_CUE_DOT = (218, 276)
CHANGE_FOLDER_CUE_DOT = (511, 309)

# Every control a user can act on, and where it stands (x, y, width, height).
ACTIONABLE = {
    CLOSE: (535, 0, 34, 22), MINIMIZE: (495, 0, 34, 22), INSTALL: (220, 278, 120, 40),
    AGREE_CHECK: (10, 340, 24, 24), AGREEMENT_LINK: (68, 344, 50, 18),
    CHANGE_FOLDER: (510, 290, 32, 18), CANCEL: (510, 290, 32, 18),
    FINISH: (230, 260, 120, 40), TENCENT: (220, 175, 90, 24), SINA: (320, 175, 90, 24),
}
# The pictures the skin buttons show while the pointer is away from them.
PICTURE_OF = {CLOSE: "close.bmp", MINIMIZE: "minimize.bmp", INSTALL: "install.bmp",
              FINISH: "finish.bmp", TENCENT: "share_tencent.bmp", SINA: "share_sina.bmp"}
CONSENT = "我同意用户许可并允许卸载Lumo和zizaz"
ROLE_LINK, ROLE_PUSHBUTTON, ROLE_CHECKBUTTON = 30, 43, 44
STATE_UNAVAILABLE, STATE_CHECKED = 0x1, 0x10


class KeyboardRoad(unittest.TestCase):
    def test_the_whole_upgrade_from_the_keyboard_alone(self):
        with Session(installer_ms=8000) as s:
            s.throttle_to_seconds(8)
            s.start()
            # Keys work without a click: the window holds the keyboard from the start.
            self.assertEqual(s.keyboard_focus(), (True, "main"))
            # Space turns the agreement box over; unchecked, Enter starts nothing.
            s.key(VK_SPACE)
            s.wait_for(lambda: not s.call("checked", AGREE_CHECK)["checked"], 5, "unchecked")
            s.key(VK_RETURN)
            time.sleep(1.5)
            self.assertEqual(s.page(), "agree")
            self.assertEqual(s.address_requests(), [])
            s.key(VK_SPACE)
            s.wait_for(lambda: s.call("checked", AGREE_CHECK)["checked"], 5, "checked again")
            # Tab walks box, agreement, folder, start button; the cue shows where it is.
            for _ in range(3):
                s.key(VK_TAB)
            s.wait_for(lambda: s.pixel(*INSTALL_CUE_DOT) == CUE, 5, "the cue at the start button")
            s.key(VK_TAB, shift=True)
            s.wait_for(lambda: s.pixel(*CHANGE_FOLDER_CUE_DOT) == CUE, 5,
                       "the cue under the change-folder link")
            self.assertEqual(s.pixel(*INSTALL_CUE_DOT), WHITE)
            # Enter is the page's main action, wherever the focus stands.
            s.key(VK_RETURN)
            s.wait_page("download", 20)
            s.wait_for(lambda: s.address_requests(), 10, "the address request")
            # Esc asks as the close button does; Esc again declines, and the download goes on.
            s.key(VK_ESCAPE)
            box = s.wait_box()
            self.assertEqual((box["text"], box["caption"]), CANCEL_QUESTION)
            s.key(VK_ESCAPE)
            s.wait_for(lambda: s.boxes() == [], 10, "the question to go")
            questions = 0
            deadline = time.monotonic() + 120
            while s.installed_percent() is None:
                self.assertLess(time.monotonic(), deadline, "the installation never showed")
                questions += len(s.boxes())
                time.sleep(0.2)
            self.assertEqual(questions, 0, "the question came once")
            self.assertIsNone(s.exit_code())
            # Esc changes nothing while the new edition installs.
            s.key(VK_ESCAPE)
            time.sleep(1)
            self.assertEqual(s.page(), "install")
            self.assertEqual(s.boxes(), [])
            self.assertIsNone(s.exit_code())
            # Enter on the finish page ends the program, tidily.
            s.wait_page("done", 60)
            s.key(VK_RETURN)
            self.assertEqual(s.wait_exit(), 0)
            self.assertTrue(s.working_files_gone())
            self.assertEqual(len([r for r in s.records() if r[0] == "installer"]), 1)


class AccessibleNames(unittest.TestCase):
    def assert_named(self, s, page):
        """Every visible control a user can act on has a name for clients."""
        shown = s.visible_ids() & set(ACTIONABLE)
        self.assertIn(CLOSE, shown, page)
        for control in shown:
            found = s.accessible(control)
            self.assertNotEqual(found["name"].strip(), "", f"control {control} on {page}")
            # Clients that read properties through IDispatch hear the same name.
            self.assertEqual(found["dispatch_name"], found["name"], f"control {control}")
            if control == AGREE_CHECK:
                self.assertEqual(found["name"], CONSENT)
                self.assertEqual(found["role"], ROLE_CHECKBUTTON)
            elif control in (AGREEMENT_LINK, CHANGE_FOLDER, CANCEL):
                # A link is named by the very words it shows.
                x, y, width, height = ACTIONABLE[control]
                reply = s.call("text", x, y, width, height, 12, found["name"])
                self.assertEqual(reply.get("match"), found["name"], f"link {control}")
                self.assertEqual(found["role"], ROLE_LINK)
            else:
                self.assertEqual(found["role"], ROLE_PUSHBUTTON, f"control {control}")

    def assert_pictures_unchanged(self, s, controls):
        for control in controls:
            x, y, width, height = ACTIONABLE[control]
            picture = bmp_region(PICTURES / PICTURE_OF[control], 0, 0, width, height)
            s.wait_for(lambda: s.region(x, y, width, height) == picture, 5,
                       f"control {control} to show its own picture")

    def assert_status_readable(self, s, candidates):
        """The progress bar's value is the status line the screen shows."""
        def agree():
            value = s.accessible(PROGRESS)["value"]
            return value if value and s.status([value])[0] == value else None
        value = s.wait_for(agree, 10, "the status line as the progress bar's value")
        self.assertIn(value, candidates)

    def test_every_control_named_on_every_page_with_its_picture_unchanged(self):
        with Session(installer_ms=4000) as s:
            s.throttle_to_seconds(10, times=1)
            s.start()
            self.assert_named(s, "agree")
            self.assertTrue(s.accessible(AGREE_CHECK)["state"] & STATE_CHECKED)
            # The install folder the label paints can be read too.
            shown = s.folder_label_text(["默认为您安装在D盘"])
            self.assertEqual(s.accessible(FOLDER_LABEL)["name"], shown)
            # A click on the box tells its new state, the greyed start button says it
            # takes no click, and the keys stay with the window.
            s.click(AGREE_CHECK)
            s.wait_for(lambda: not s.accessible(AGREE_CHECK)["state"] & STATE_CHECKED, 5,
                       "the box to say it is unchecked")
            self.assertTrue(s.accessible(INSTALL)["state"] & STATE_UNAVAILABLE)
            s.wait_for(lambda: s.keyboard_focus() == (True, "main"), 5, "the keys back")
            s.click(AGREE_CHECK)
            s.wait_for(lambda: s.accessible(AGREE_CHECK)["state"] & STATE_CHECKED, 5,
                       "the box to say it is checked")
            self.assert_pictures_unchanged(s, [CLOSE, MINIMIZE, INSTALL])
            # The box draws no words beside its square, where a label would go.
            box = s.region(24, 340, 10, 24)
            self.assertTrue(all(p == WHITE for row in box for p in row), "no label drawn")
            s.start_upgrade()
            self.assert_named(s, "download")
            self.assert_status_readable(s, DOWNLOADED)
            s.env.ns.link_down()
            s.wait_page("offline", 8)
            self.assert_named(s, "offline")
            self.assert_status_readable(s, ["下载暂停"])
            s.env.ns.link_up()
            s.wait_page("download", 8)
            s.wait_for(lambda: s.installed_percent() is not None, 90, "the installation")
            self.assert_named(s, "install")
            self.assert_status_readable(s, INSTALLED)
            s.wait_page("done", 60)
            self.assert_named(s, "done")
            self.assert_pictures_unchanged(s, [CLOSE, MINIMIZE, FINISH, TENCENT, SINA])
            self.assertEqual(s.finish(), 0)


if __name__ == "__main__":
    unittest.main()
