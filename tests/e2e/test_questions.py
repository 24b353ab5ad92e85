"""The two questions (a damaged download, the cancel question) and the close button on
every page."""
import re
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import CANCEL, CANCEL_QUESTION, CLOSE, Session  # noqa: E402

DAMAGED = ("安装文件损坏，您可以点击确定重新下载或者取消!", "错误")


class DamagedDownload(unittest.TestCase):
    def test_ok_downloads_afresh_with_a_new_query_and_completes(self):
        with Session() as s:
            s.control.set(md5="wrong", times=1)
            s.start()
            s.start_upgrade()
            box = s.wait_box(60)
            self.assertEqual((box["text"], box["caption"]), DAMAGED)
            self.assertTrue(box["has_ok"] and box["has_cancel"])
            s.throttle_to_seconds(4, times=1)
            s.press("OK")
            # The fresh download starts the display again from 0 (it was at 100).
            s.wait_for(lambda: s.shown_percent() < 100, 10, "the display to start again")
            s.wait_page("done", 90)
            first, second = [attempt[0] for attempt in s.attempts()[:2]]
            self.assertRegex(first["query"], r"^skq=-?\d+$")
            self.assertRegex(second["query"], r"^skq=-?\d+$")
            self.assertNotEqual(first["query"], second["query"])
            self.assertEqual(s.finish(), 0)

    def test_cancel_ends_the_program_and_removes_the_working_files(self):
        with Session() as s:
            s.control.set(md5="wrong")
            s.start()
            s.start_upgrade()
            box = s.wait_box(60)
            self.assertEqual((box["text"], box["caption"]), DAMAGED)
            self.assertTrue((s.appdata / "TidewellInstall.exe").exists())
            s.press("CANCEL")
            self.assertEqual(s.wait_exit(), 0)
            self.assertTrue(s.working_files_gone())


class CancelQuestion(unittest.TestCase):
    def test_declining_goes_on_in_one_request_and_accepting_ends(self):
        with Session() as s:
            s.throttle_to_seconds(20)
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: (s.downloaded_percent() or 0) >= 15, 30, "some progress")
            s.click(CANCEL)
            box = s.wait_box()
            self.assertEqual((box["text"], box["caption"]), CANCEL_QUESTION)
            shown = s.shown_percent()
            s.press("CANCEL")
            s.wait_for(lambda: len(s.address_requests()) == 2, 20, "a new attempt")
            # The display keeps its highest value until the new transfer passes it.
            readings = []

            def passed():
                readings.append(s.shown_percent())
                return readings[-1] > shown

            s.wait_for(passed, 60, "the new transfer to pass the old percentage")
            self.assertGreaterEqual(min(readings), shown, readings)
            s.click(CANCEL)
            s.wait_box()
            s.press("OK")
            self.assertEqual(s.wait_exit(), 0)
            self.assertTrue(s.working_files_gone())
            transfers = s.wait_for(lambda: s.installer_requests(), 10, "the transfers' end",
                                   accept=lambda t: len(t) >= 2)
            self.assertEqual(transfers[1]["query"], "", "a restart has no cache-busting query")
            self.assertEqual(transfers[1]["ended"], "client_gone")
            print(f"declined cancel: {[(t['range'], t['bytes']) for t in transfers]}",
                  file=sys.stderr)
            # Stopped by us, not cut by the link: the rest in one request, not in ranges.
            self.assertEqual(len(transfers), 2, transfers)
            self.assertRegex(transfers[1]["range"], r"^(bytes=\d+-)?$")


class DeclinedOnTheVerifyPage(unittest.TestCase):
    def test_window_stays_responsive_and_the_new_attempts_file_is_verified(self):
        with Session() as s:
            s.control.set(md5="wrong", times=1)  # the first attempt's file would be damaged
            s.throttle_to_seconds(3, times=1)
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: (s.downloaded_percent() or 0) >= 1, 30, "the first transfer")
            s.throttle_to_seconds(10, times=1)  # the next attempt takes a while
            # Declined within the verify page's first second, before its timer runs out.
            s.wait_for(lambda: s.progress() == 100, 60, "the bar at 100", interval=0.02)
            s.click(CANCEL)  # the cancel link is on the verify page too
            s.wait_for(lambda: s.boxes(), 10, "the cancel question", interval=0.02)
            s.press("CANCEL")
            s.wait_for(lambda: len(s.address_requests()) == 2, 20, "a new attempt")
            # Without a window manager, Wine takes up to 2 s to take a message box's
            # window down; the window answers again once that is over...
            s.wait_for(lambda: s.responsiveness(200, 100)["slow"] == 0, 10, "the box to go")
            # ...and then the verification waits for the new attempt; the window must
            # not wait with it.
            probes = s.responsiveness(200, 6000)
            print(f"while the verification waits: {probes}", file=sys.stderr)
            self.assertGreater(probes["paint_probes"], 0, probes)
            self.assertEqual((probes["slow"], probes["timeouts"]), (0, 0), probes)
            self.assertEqual((probes["paint_slow"], probes["paint_timeouts"]), (0, 0), probes)
            # The file judged is the new attempt's, announced with its right digest: no
            # damaged question, and the upgrade goes through.
            s.wait_page("done", 90)
            self.assertEqual(s.boxes(), [])
            self.assertEqual(s.finish(), 0)


class CloseButton(unittest.TestCase):
    def test_agreement_page_quits_at_once(self):
        with Session() as s:
            s.start()
            s.click(CLOSE)
            self.assertEqual(s.wait_exit(), 0)
            self.assertEqual(s.boxes(), [])

    def test_download_page_asks_and_verification_page_quits(self):
        with Session() as s:
            s.throttle_to_seconds(4, times=2)
            s.start()
            s.start_upgrade()
            s.click(CLOSE)
            box = s.wait_box()
            self.assertEqual((box["text"], box["caption"]), CANCEL_QUESTION)
            s.press("CANCEL")
            # The verification page lasts one second after 100 %; it repaints nothing, so
            # the bar at its end tells it apart from the download page.
            s.wait_for(lambda: s.progress() == 100, 60, "the bar at 100", interval=0.02)
            s.capture("page-verify")
            s.click(CLOSE)
            self.assertEqual(s.wait_exit(), 0)
            self.assertEqual([b for b in s.boxes()], [])
            self.assertTrue(s.working_files_gone())

    def test_offline_page_quits_at_once(self):
        with Session() as s:
            s.throttle_to_seconds(30)
            s.start()
            s.start_upgrade()
            s.env.ns.link_down()
            s.wait_page("offline", 15)
            s.click(CLOSE)
            self.assertEqual(s.wait_exit(), 0)

    def test_finish_page_quits_at_once(self):
        with Session() as s:
            s.start()
            s.start_upgrade()
            s.wait_page("done", 90)
            s.click(CLOSE)
            self.assertEqual(s.wait_exit(), 0)
            self.assertTrue(s.working_files_gone())


if __name__ == "__main__":
    unittest.main()
