"""Whole upgrades through the real Tidewell.exe, the bundled Update service and the
stand-in installer and uninstaller, driven like a user would."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import (AGREE_CHECK, CANCEL, CHANGE_FOLDER, CLOSE, FOLDER_LABEL, INSTALL,  # noqa: E402
                     OLD_SUITE, PROGRESS_KEY, REMOVING, Session)

DEFAULT_FOLDER = "D:\\Program Files\\Vantrel\\LMD"


def installer_runs(session):
    return [r for r in session.records() if r[0] == "installer"]


class FreshMachine(unittest.TestCase):
    def test_one_click_upgrade_to_the_finish_page(self):
        with Session() as s:
            s.throttle_to_seconds(6)  # seconds of real progress
            s.start()
            s.capture("page-agree")
            s.start_upgrade()
            # The picture area shows the first slide.
            s.wait_for(lambda: (s.appdata / "Image" / "0.bmp").exists(), 10, "slide 0")
            s.wait_for(lambda: s.pixel(285, 120) == s.slide_colour(0), 5, "the first slide")
            seen = []
            while s.page() == "download":
                percent = s.downloaded_percent()
                if percent is not None:
                    seen.append(percent)
                if len(seen) == 3:
                    s.capture("page-download")
                time.sleep(0.2)
            self.assertGreater(len(set(seen)), 3, f"too few distinct percentages: {seen}")
            self.assertEqual(seen, sorted(seen), "the percentage never falls")
            # Verification, then the silent installation with its own percentage.
            s.wait_for(lambda: s.installed_percent() is not None, 30, "已安装：N%")
            s.capture("page-install")
            s.wait_page("done", 60)
            s.capture("page-done")
            self.assertEqual(s.finish(), 0)
            runs = installer_runs(s)
            self.assertEqual(len(runs), 1)
            self.assertEqual(runs[0][4], f'/verysilent -progress -setuppath="{DEFAULT_FOLDER}"')
            self.assertEqual(runs[0][2], "0", "the installer runs hidden")
            marker = s.env.drive_d / "Program Files" / "Vantrel" / "LMD" / "standin-installed.txt"
            self.assertTrue(marker.exists())
            self.assertFalse((s.appdata / "TidewellInstall.exe").exists())
            self.assertFalse((s.appdata / "Image").exists())


class OldEditionPresent(unittest.TestCase):
    def test_old_suite_ended_uninstalled_then_new_edition_installed(self):
        with Session(program_env={"TW_STANDIN_UNINSTALL_DELAY_MS": "1500"}) as s:
            registered = s.register_old_edition()
            names = OLD_SUITE + ["LMD.exe"]  # two copies of the main program
            s.start_old_suite(names)
            s.wait_for(lambda: sum(s.running(OLD_SUITE).values()) == 17, 30, "the old suite")
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: s.status([REMOVING])[0] == REMOVING, 60, "the removal notice")
            self.assertEqual(s.page(), "install")  # same controls as the install page
            s.capture("page-remove-old")
            self.assertEqual(s.running(OLD_SUITE), {})
            # The close button does nothing while the old edition goes.
            s.click(CLOSE)
            s.wait_for(lambda: not s.old_edition_registered(), 30, "the uninstall entry to go")
            self.assertIsNone(s.exit_code())
            uninstall = [r for r in s.records() if r[0] == "uninstaller"]
            self.assertEqual(len(uninstall), 1)
            self.assertEqual(uninstall[0][4], "/verysilent")
            self.assertEqual(uninstall[0][2], "0", "hidden")
            self.assertTrue(registered.strip('"').lower().endswith("unins000.exe"))
            s.wait_for(lambda: s.installed_percent() is not None, 30, "the installation")
            s.click(CLOSE)
            time.sleep(0.5)
            self.assertIsNone(s.exit_code(), "close does nothing during the installation")
            s.wait_page("done", 60)
            self.assertEqual(s.finish(), 0)


class InstalledBefore(unittest.TestCase):
    def test_registered_folder_is_kept_and_cannot_be_changed(self):
        folder = "D:\\Lumo"
        with Session() as s:
            s.set_install_path(folder)
            s.start()
            s.capture("page-agree-installed-before")
            label = next(c for c in s.children() if c["id"] == FOLDER_LABEL)
            self.assertTrue(label["visible"])
            # The change link stays grey: clicking it opens no folder dialog.
            s.click(CHANGE_FOLDER)
            time.sleep(1)
            self.assertEqual(s.boxes(), [])
            s.start_upgrade()
            s.wait_page("done", 90)
            runs = installer_runs(s)
            self.assertEqual(runs[0][4], f'/verysilent -progress -setuppath="{folder}"')
            self.assertEqual(s.finish(), 0)


class AgreementBox(unittest.TestCase):
    def test_unchecked_box_greys_the_start_button_until_checked_again(self):
        with Session() as s:
            s.start()
            s.click(AGREE_CHECK)
            s.wait_for(lambda: not s.call("checked", AGREE_CHECK)["checked"], 5, "unchecked")
            s.capture("page-agree-unchecked")
            s.click(INSTALL)
            time.sleep(1.5)
            self.assertEqual(s.page(), "agree")
            self.assertEqual(s.requests("/api/v1/install_url"), [])
            s.click(AGREE_CHECK)
            s.wait_for(lambda: s.call("checked", AGREE_CHECK)["checked"], 5, "checked again")
            s.start_upgrade()
            s.wait_for(lambda: s.requests("/api/v1/install_url"), 10, "the address request")
            s.click(CANCEL)
            box = s.wait_box()
            self.assertEqual((box["text"], box["caption"]), ("您确定要取消吗！", "警告"))
            s.press("OK")
            self.assertEqual(s.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
