"""Installers that give up: the window says so and lets the user close it."""
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import CLOSE, Session  # noqa: E402

INSTALL_FAILED = "安装失败，请关闭后重试"


class InstallerGivesUp(unittest.TestCase):
    def test_installer_ending_at_50_percent_is_reported_and_close_ends(self):
        with Session(program_env={"TW_STANDIN_STOP_AT": "50"}) as s:
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: s.installed_percent() is not None, 60, "the installation")
            s.click(CLOSE)
            time.sleep(0.5)
            self.assertIsNone(s.exit_code(), "close waits while the installer may still run")
            s.wait_for(lambda: s.status([INSTALL_FAILED])[0], 30, INSTALL_FAILED)
            s.capture("page-install-failed")
            s.click(CLOSE)
            self.assertEqual(s.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
