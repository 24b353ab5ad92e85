"""A connection lost for real (the test's network link goes down) and downloads that
fail on their own: the offline page counts its retries and the upgrade resumes."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import INSTALL, Session  # noqa: E402


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
            ranges = [t["range"] for t in s.installer_requests()]
            starts = [r for r in ranges if r == "" or r.startswith("bytes=0-")]
            self.assertEqual(len(starts), 1, "the download began again from 0")
            # The outages were ours to notice, not cuts of the link: each rest is asked
            # for whole, not in bounded ranges.
            for asked in ranges[1:]:
                self.assertRegex(asked, r"^bytes=\d+-$")

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
