"""Whole upgrades through the real Tidewell.exe, the bundled Update service and the
stand-in installer and uninstaller, driven like a user would."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import (AGREE_CHECK, AGREEMENT_LINK, CANCEL, CANCEL_QUESTION,  # noqa: E402
                     CHANGE_FOLDER, CLOSE, INSTALL, OLD_SUITE, REMOVING, SINA, TENCENT, Session)

DEFAULT_FOLDER = "D:\\Program Files\\Vantrel\\LMD"
# The test builds name the bundled service's host as the product site.
SHARE_TEXT = ("我获得了Vantrel新品尝鲜特权，刚刚安装了新玩意:Lumo工作台，目前正在体验中，嘻嘻！"
              "抢鲜入口：http://127.0.0.1:18765/lmd/")
TENCENT_PAGE = "http://share.v.t.qq.com/index.php?c=share&a=index&title=" + SHARE_TEXT
SINA_PAGE = "http://service.weibo.com/share/share.php?title=" + SHARE_TEXT
AGREEMENT_PAGE = "http://127.0.0.1:18765/lmd/agreement.html"


def installer_runs(session):
    return [r for r in session.records() if r[0] == "installer"]


class FreshMachine(unittest.TestCase):
    def test_one_click_upgrade_to_the_finish_page(self):
        with Session() as s:
            s.throttle_to_seconds(6)  # seconds of real progress
            s.start()
            s.capture("page-agree")
            self.assertEqual(s.folder_label_text(["默认为您安装在D盘"]), "默认为您安装在D盘")
            red, green, blue = s.change_link_colour()
            self.assertGreater(blue, red, "the change link is blue")
            # Slides are fetched one after another, each loaded before the next is asked
            # for: once the second is on disk the first is loaded. Slides that arrive after
            # the click are never shown, so the click waits for them.
            s.wait_for(lambda: (s.appdata / "Image" / "1.bmp").exists(), 20, "slide 0 loaded")
            s.start_upgrade()
            # The picture area shows the first slide.
            s.wait_for(lambda: s.picture_colour() == s.slide_colour(0), 5, "the first slide")
            seen = []
            deadline = time.monotonic() + 120
            while s.page() == "download":
                self.assertLess(time.monotonic(), deadline, "the download never ended")
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
            # The share buttons open the share pages in the browser.
            s.click(TENCENT)
            s.wait_for(lambda: len(s.opened_urls()) == 1, 20, "the Tencent Weibo page")
            s.click(SINA)
            s.wait_for(lambda: len(s.opened_urls()) == 2, 20, "the Sina Weibo page")
            self.assertEqual(s.opened_urls(), [TENCENT_PAGE, SINA_PAGE])
            self.assertEqual(s.finish(), 0)
            runs = installer_runs(s)
            self.assertEqual(len(runs), 1)
            self.assertEqual(runs[0][4], f'/verysilent -progress -setuppath="{DEFAULT_FOLDER}"')
            self.assertEqual(runs[0][2], "0", "the installer runs hidden")
            marker = s.env.drive_d / "Program Files" / "Vantrel" / "LMD" / "standin-installed.txt"
            self.assertTrue(marker.exists())
            self.assertTrue(s.working_files_gone())

    def test_a_compressed_transfer_completes(self):
        with Session() as s:
            s.control.set(encoding="gzip")  # no total to count against; decoded on the way
            s.start()
            s.start_upgrade()
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)
            (transfer,) = s.installer_requests()
            self.assertEqual(transfer["encoding"], "gzip")


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
            self.assertEqual(uninstall[0][3].lower(), registered.strip('"').lower(),
                             "the registered uninstaller ran")
            s.wait_for(lambda: s.installed_percent() is not None, 30, "the installation")
            s.click(CLOSE)
            time.sleep(0.5)
            self.assertIsNone(s.exit_code(), "close does nothing during the installation")
            s.wait_page("done", 60)
            self.assertEqual(s.finish(), 0)


class InstalledBefore(unittest.TestCase):
    def test_registered_folder_is_kept_and_cannot_be_changed(self):
        folder = "D:\\新建 文件夹\\Lumo"  # as Chinese Windows names a new folder
        with Session() as s:
            s.set_install_path(folder)
            s.start()
            s.click(AGREEMENT_LINK)
            s.wait_for(lambda: s.opened_urls() == [AGREEMENT_PAGE], 20, "the agreement page")
            s.capture("page-agree-installed-before")
            self.assertEqual(s.folder_label_text([folder]), folder)
            red, green, blue = s.change_link_colour()
            self.assertTrue(red == green == blue, "the change link is grey")
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
            self.assertEqual(s.address_requests(), [])
            s.click(AGREE_CHECK)
            s.wait_for(lambda: s.call("checked", AGREE_CHECK)["checked"], 5, "checked again")
            s.start_upgrade()
            s.wait_for(lambda: s.address_requests(), 10, "the address request")
            s.click(CANCEL)
            box = s.wait_box()
            self.assertEqual((box["text"], box["caption"]), CANCEL_QUESTION)
            s.press("OK")
            self.assertEqual(s.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
