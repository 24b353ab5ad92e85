"""A connection lost for real (the test's network link goes down) and downloads that
fail on their own: the offline page counts its retries and the upgrade resumes."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import Session  # noqa: E402


class LostConnection(unittest.TestCase):
    def test_offline_page_counts_retries_and_the_download_resumes(self):
        with Session() as s:
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
            starts = [t["range"] for t in s.installer_requests()
                      if t["range"] == "" or t["range"].startswith("bytes=0-")]
            self.assertEqual(len(starts), 1, "the download began again from 0")

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

    def test_attempts_that_keep_failing_count_on_and_back_off(self):
        with Session() as s:
            s.control.set(file_status=503)  # every transfer, until mended
            s.start()
            s.start_upgrade()
            counts = []
            end = time.monotonic() + 120
            while time.monotonic() < end:
                count = s.retry_count() if s.page() == "offline" else None
                if count is not None and (not counts or counts[-1] != count):
                    counts.append(count)
                time.sleep(0.5)
            attempts = len(s.address_requests())
            print(f"in 120 s: {attempts} attempts, banner counts {counts}", file=sys.stderr)
            self.assertLessEqual(attempts, 7, "attempts back off: 5, 10, 20, 40, then 60 s")
            self.assertEqual(len(s.installer_requests()), attempts)
            # The banner counts each failed attempt, in step: the last may be under way.
            self.assertEqual(counts, list(range(1, len(counts) + 1)))
            self.assertIn(len(counts), (attempts - 1, attempts))
            s.control.reset()  # the service is mended
            s.wait_page("done", 120)
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
