"""A connection lost for real (the test's network link goes down) and downloads that
fail on their own: the offline page counts its retries and the upgrade resumes."""
import re
import shutil
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import INSTALL, OUT, Session  # noqa: E402


class LostConnection(unittest.TestCase):
    def test_offline_page_counts_retries_and_the_download_resumes(self):
        # A resident scanner holds the support log for a while once it appears: the
        # upgrade must not notice, and the lines wait until the file is free.
        with Session(program_env={"TW_STANDIN_SCAN_MS": "8000"}) as s:
            s.start_scanner(s.temp_folder())
            s.throttle_to_seconds(20)  # long enough to lose the link in, also under load
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: (s.downloaded_percent() or 0) >= 5, 30, "some progress")
            s.env.ns.link_down()
            s.wait_page("offline", 8)
            s.wait_for(lambda: s.retry_count() == 1, 5, "已重试1次")
            s.capture("page-offline")
            s.wait_for(lambda: s.retry_count() == 2, 8, "已重试2次")
            s.wait_for(lambda: s.retry_count() == 3, 8, "已重试3次")
            s.env.ns.link_up()
            s.wait_page("download", 8)
            s.wait_for(lambda: len(s.address_requests()) == 2, 10, "a new attempt")
            # A second outage counts from 1 again: the count is per outage.
            s.env.ns.link_down()
            s.wait_page("offline", 8)
            s.wait_for(lambda: s.retry_count() == 1, 5, "已重试1次 after the second outage")
            s.env.ns.link_up()
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)
            first, again, *_ = s.attempts()
            self.assertRegex(first[0]["query"], r"^skq=-?\d+$")
            self.assertEqual(again[0]["query"], "", "a restart has no cache-busting query")
            # What arrived before the outages was kept: the download never began again.
            ranges = [t["range"] for t in s.installer_requests()]
            starts = [r for r in ranges if r == "" or r.startswith("bytes=0-")]
            self.assertEqual(len(starts), 1, "the download began again from 0")
            # The outages were ours to notice, not cuts of the link: each rest is asked
            # for whole, not in bounded ranges.
            for asked in ranges[1:]:
                self.assertRegex(asked, r"^bytes=\d+-$")
            self.check_support_log(s)

    def check_support_log(self, s):
        """The support log tells the upgrade, its link losses included, and replays."""
        held = [path for outcome, path in s.scans() if path.endswith("\\Tidewell.log")]
        self.assertEqual(len(held), 1, "the scanner never held the support log")
        log = s.wait_for(s.support_log, 10, "the support log")
        sample = OUT / "support-logs" / "upgrade-with-link-loss.log"
        sample.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(s.temp_folder() / "Tidewell.log", sample)  # a sample for the unit test
        status, said = s.replay_support_log()
        self.assertEqual(status, 0, said)
        self.assertIn("1 runs", said)
        events = re.findall(r"^\d+ [a-z-]+ event (\w+.*?)\r?$", log, re.M)
        actions = re.findall(r"^\d+ [a-z-]+ action (\w+.*?)\r?$", log, re.M)
        self.assertTrue(events[0].startswith("StartClicked flag=1 "), events[0])
        self.assertIn("StartAttempt attempt=1", actions)
        self.assertGreaterEqual(sum(e.startswith("NetState flag=0 ") for e in events), 2,
                                "the two losses of the link")
        self.assertIn("GoToPage value=2", actions, "the offline page")
        self.assertTrue(any(a.startswith("StartAttempt attempt=") and a != "StartAttempt attempt=1"
                            for a in actions), "no attempt after the loss")
        self.assertIn("AttemptEnded attempt=1 outcome=Stopped", " ".join(events))
        self.assertTrue(any(e.startswith("Verdict ") and " flag=1" in e for e in events))
        self.assertEqual(actions.count("StartInstaller"), 1)
        self.assertTrue(any(e.startswith("FinishClicked") for e in events))
        self.assertTrue(actions[-1].startswith("Quit"), actions[-1])
        self.assertFalse(re.search(r"users|\\|:/|root", log), "a name or path in the log")

    def test_loss_during_the_fresh_download_after_a_mismatch_is_noticed(self):
        with Session() as s:
            s.control.set(md5="wrong", times=1)
            s.start()
            s.start_upgrade()
            s.wait_box(60)
            s.throttle_to_seconds(20, times=1)
            s.press("OK")
            s.wait_for(lambda: (s.downloaded_percent() or 0) >= 1, 30, "the fresh download")
            s.env.ns.link_down()
            s.wait_page("offline", 8)
            s.env.ns.link_up()
            s.wait_page("download", 8)
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)


class FailingServer(unittest.TestCase):
    def test_connection_closed_mid_download_takes_the_offline_road(self):
        with Session() as s:
            s.control.set(close_after=s.installer_size() // 3, times=1)
            s.start()
            s.start_upgrade()
            s.wait_page("offline", 15)
            s.wait_for(lambda: s.retry_count() == 1, 5, "已重试1次")
            s.wait_page("download", 10)
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)

    def test_a_busy_service_is_waited_for_as_it_asks_and_the_banner_counts_on(self):
        with Session() as s:
            s.control.set(busy=20)  # 503 with Retry-After: 20, until mended
            s.start()
            s.click(INSTALL)
            s.wait_page("offline", 30)
            counts = []
            end = time.monotonic() + 65
            while time.monotonic() < end:
                count = s.retry_count() if s.page() == "offline" else None
                if count is not None and (not counts or counts[-1] != count):
                    counts.append(count)
                time.sleep(0.5)
            asked = sorted(e["time"] for e in s.address_requests())
            gaps = [round(b - a, 1) for a, b in zip(asked, asked[1:])]
            print(f"a service asking for 20 s: asked again after {gaps} s", file=sys.stderr)
            self.assertGreaterEqual(len(gaps), 2)
            self.assertGreaterEqual(min(gaps), 19.5, "asked again sooner than the service said")
            # The banner counts each failed attempt, in step: the last may be under way.
            self.assertEqual(counts, list(range(1, len(counts) + 1)))
            self.assertIn(len(counts), (len(asked) - 1, len(asked)))
            s.control.reset()  # the service has room again
            s.wait_page("done", 60)
            self.assertEqual(s.finish(), 0)

    def test_http_error_for_the_installer_takes_the_offline_road(self):
        with Session() as s:
            s.control.set(file_status=500, times=1)
            s.start()
            s.start_upgrade()
            s.wait_page("offline", 15)
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)


if __name__ == "__main__":
    unittest.main()
