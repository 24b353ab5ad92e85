"""Start-up and stop of the real Tidewell.exe: one copy at a time, the window, and the
working files left by an earlier run."""
import os
import shutil
import stat
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import Session  # noqa: E402

WS_CAPTION, WS_BORDER, WS_THICKFRAME, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00040000, 0x00080000


class SingleCopy(unittest.TestCase):
    def test_second_copy_exits_with_1_and_makes_no_window(self):
        with Session() as s:
            s.start()
            second = s.launch()
            self.assertEqual(s.wait_exit(second), 1)
            self.assertEqual(s.call("windows", "TIDEWELL")["count"], 1)
            self.assertIsNone(s.exit_code(), "the first copy keeps running")

    def test_name_is_compared_without_case_and_other_names_do_not_count(self):
        with Session() as s:
            upper = s.program_dir / "upper" / "TIDEWELL.EXE"
            other = s.program_dir / "other" / "Renamed.exe"
            for copy in (upper, other):
                copy.parent.mkdir()
                shutil.copy(s.program_dir / "Tidewell.exe", copy)
            # A copy running as "TIDEWELL.EXE" blocks a start...
            first = s.launch(upper)
            s.wait_for(lambda: s.call("windows", "TIDEWELL")["count"] == 1, 60, "first window")
            self.assertEqual(s.wait_exit(s.launch()), 1)
            s.call("close")
            self.assertEqual(s.wait_exit(first), 0)
            # ...one running under another file name does not.
            renamed = s.launch(other)
            s.wait_for(lambda: s.call("windows", "TIDEWELL")["count"] == 1, 60, "renamed window")
            normal = s.launch()
            s.wait_for(lambda: s.call("windows", "TIDEWELL")["count"] == 2, 60, "second window")
            self.assertIsNone(s.exit_code(normal))
            self.assertIsNone(s.exit_code(renamed))


class Window(unittest.TestCase):
    def test_borderless_centred_window_with_its_title(self):
        with Session() as s:
            s.start()
            main = s.main()
            self.assertEqual(main["class"], "TIDEWELL")
            self.assertEqual(main["title"], "VantrelLumo工作台在线升级程序")
            rect = main["rect"]
            self.assertEqual((rect["right"] - rect["left"], rect["bottom"] - rect["top"]),
                             (570, 370))
            self.assertEqual((rect["left"], rect["top"]),
                             (main["screen_width"] // 2 - 285, main["screen_height"] // 2 - 185))
            self.assertEqual(main["style"], 0x96010000)
            for frame in (WS_CAPTION, WS_BORDER, WS_THICKFRAME, WS_SYSMENU):
                self.assertFalse(main["style"] & frame)
            self.assertTrue(s.capture("start-window").exists())


class WorkingFiles(unittest.TestCase):
    def leave_leftovers(self, s):
        image = s.appdata / "Image"
        (image / "sub").mkdir(parents=True)
        for name in ("0.bmp", "1.bmp"):
            (image / name).write_bytes(b"left by an earlier run")
        (s.appdata / "TidewellInstall.exe").write_bytes(b"MZ earlier download")
        return image

    def test_leftovers_go_at_start_and_again_at_the_end(self):
        with Session() as s:
            image = self.leave_leftovers(s)
            s.start()
            s.wait_for(lambda: not (s.appdata / "TidewellInstall.exe").exists(), 10,
                       "the leftover installer to go")
            leftovers = [p for p in (image / "sub", image / "0.bmp", image / "1.bmp")
                         if p.exists() and (p.is_dir() or p.read_bytes() == b"left by an earlier run")]
            self.assertEqual(leftovers, [])
            (s.appdata / "TidewellInstall.exe").write_bytes(b"MZ")
            s.call("close")
            self.assertEqual(s.wait_exit(), 0)
            self.assertFalse(image.exists())
            self.assertFalse((s.appdata / "TidewellInstall.exe").exists())

    def test_application_data_outside_the_ansi_code_page_is_cleaned_too(self):
        with Session(service=False) as s:
            # "ก" exists in no Windows ANSI code page Wine would use here.
            name = "Roaming-ก"
            s.appdata = s.appdata.parent / name
            s.appdata.mkdir()
            s.call("regset", "HKCU",
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                   "AppData", "sz", "C:\\users\\" + s.appdata.parent.parent.name +
                   "\\AppData\\" + name)
            image = self.leave_leftovers(s)
            s.start()
            s.wait_for(lambda: not (image / "sub").exists(), 10, "the leftovers to go")
            self.assertFalse((s.appdata / "TidewellInstall.exe").exists())
            s.call("close")
            self.assertEqual(s.wait_exit(), 0)
            self.assertFalse(image.exists())

    def test_read_only_file_stays_with_its_folder_and_nothing_is_shown(self):
        with Session() as s:
            image = self.leave_leftovers(s)
            locked = image / "locked.bmp"
            locked.write_bytes(b"keep")
            os.chmod(locked, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)  # read-only to Wine
            s.start()
            s.wait_for(lambda: not (image / "sub").exists(), 10, "the deletion")
            self.assertTrue(locked.exists())
            self.assertTrue(image.is_dir())
            self.assertEqual(s.boxes(), [])
            s.call("close")
            self.assertEqual(s.wait_exit(), 0)
            self.assertTrue(locked.exists())
            self.assertEqual(s.boxes(), [])

    def test_links_in_the_image_folder_are_never_followed(self):
        with Session(service=False) as s:
            image = self.leave_leftovers(s)
            elsewhere = s.appdata / "Elsewhere"
            (elsewhere / "empty").mkdir(parents=True)
            (elsewhere / "precious.txt").write_text("must survive")
            # What Wine presents as links: Unix symbolic links, to a folder (a reparse
            # point to Windows programs) and to a file. Junctions and Windows symbolic
            # links cannot be made under Wine 8.
            os.symlink(elsewhere, image / "linked-folder")
            os.symlink(elsewhere / "empty", image / "linked-empty-folder")
            os.symlink(elsewhere / "precious.txt", image / "linked-file.txt")
            s.start()
            s.wait_for(lambda: not (image / "0.bmp").exists(), 10, "the clean-up")
            # Wine cannot remove a Unix link as a link (it would reach the target), so
            # the links stay there; on Windows junctions and links go as links.
            self.assertEqual((elsewhere / "precious.txt").read_text(), "must survive")
            self.assertTrue((elsewhere / "empty").is_dir(), "an empty target stays too")
            s.call("close")
            self.assertEqual(s.wait_exit(), 0)
            self.assertEqual(sorted(os.listdir(elsewhere)), ["empty", "precious.txt"])

    def test_an_image_folder_that_is_itself_a_link_is_not_emptied(self):
        with Session(service=False) as s:
            elsewhere = s.appdata / "Elsewhere"
            elsewhere.mkdir()
            (elsewhere / "0.bmp").write_text("not ours")
            os.symlink(elsewhere, s.appdata / "Image")
            # A leftover beside it shows that the clean-up did run.
            (s.appdata / "TidewellInstall.exe").write_bytes(b"MZ")
            s.start()
            s.call("close")
            self.assertEqual(s.wait_exit(), 0)
            self.assertFalse((s.appdata / "TidewellInstall.exe").exists())
            self.assertEqual((elsewhere / "0.bmp").read_text(), "not ours")

if __name__ == "__main__":
    unittest.main()
