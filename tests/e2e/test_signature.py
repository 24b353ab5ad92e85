"""Only an installer signed by the publisher this build pins is run: a file without
that signature is "damaged", even when the Update service announces its true MD5."""
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import IDLE_STANDIN, INSTALLER_STANDIN, REMOVING, STANDINS, Session  # noqa: E402
from test_questions import DAMAGED  # noqa: E402

UNSIGNED = STANDINS / "standin_installer.exe"
OTHER_SIGNER = STANDINS / "standin_installer_other_signer.exe"
# Signed by the pinned publisher, then one byte changed: the MD5 the service announces
# is the changed file's, so only the signature can tell.
TAMPERED = STANDINS / "standin_installer_tampered.exe"


class InstallerSignature(unittest.TestCase):
    def assert_damaged_question(self, s):
        box = s.wait_box(60)
        self.assertEqual((box["text"], box["caption"]), DAMAGED)
        self.assertTrue(box["has_ok"] and box["has_cancel"])

    def transfers_ended(self, s, count):
        return s.wait_for(lambda: s.installer_requests(), 60, f"{count} installer transfers",
                          accept=lambda t: len(t) >= count)

    def test_unsigned_is_damaged_and_ok_completes_once_a_signed_one_is_served(self):
        with Session(name="unsigned") as s:
            s.control.set(installer_file=str(UNSIGNED))
            s.start()
            s.start_upgrade()
            self.assert_damaged_question(s)
            self.assertEqual(s.records(), [], "nothing may run before the question")
            s.control.set(installer_file=str(INSTALLER_STANDIN))
            s.press("OK")
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)
            self.transfers_ended(s, 2)
            self.assertEqual([sum(t["bytes"] for t in attempt) for attempt in s.attempts()],
                             [UNSIGNED.stat().st_size, INSTALLER_STANDIN.stat().st_size])
            self.assertEqual([r[0] for r in s.records()], ["installer"])

    def test_other_signer_and_a_file_changed_after_signing_are_damaged(self):
        with Session(name="impostors") as s:
            s.control.set(installer_file=str(OTHER_SIGNER))
            s.start()
            s.start_upgrade()
            self.assert_damaged_question(s)
            s.control.set(installer_file=str(TAMPERED))
            s.press("OK")
            # The question comes again only after the fresh download has ended.
            self.transfers_ended(s, 2)
            self.assert_damaged_question(s)
            s.press("CANCEL")
            self.assertEqual(s.wait_exit(), 0)
            self.assertEqual(s.records(), [], "no installer may have been started")
            self.assertTrue(s.working_files_gone())


class CheckedFileRuns(unittest.TestCase):
    def test_the_checked_installer_cannot_be_replaced_until_it_has_installed(self):
        # While the old edition goes, another program tries to put its own file where the
        # checked installer waits: a Windows program, so the system's sharing rules apply.
        # While the installer runs, it tries to move the installer's file away.
        with Session(program_env={"TW_STANDIN_UNINSTALL_DELAY_MS": "4000",
                                  "TW_STANDIN_INSTALL_SECONDS": "8"}) as s:
            s.register_old_edition()
            s.start()
            s.start_upgrade()
            s.wait_for(lambda: s.status([REMOVING])[0] == REMOVING, 60, "the removal notice")
            intruder = s.env.prefix / "drive_c" / "intruder.exe"
            intruder.write_bytes(IDLE_STANDIN.read_bytes())
            installer = s.appdata / "TidewellInstall.exe"
            cmd = s.env.prefix / "drive_c" / "windows" / "system32" / "cmd.exe"
            copy = s.launch(cmd, f'/c copy /y "{s.env.windows_path(intruder)}" '
                                 f'"{s.env.windows_path(installer)}"')
            self.assertNotEqual(s.wait_exit(copy), 0, "the copy over the checked file worked")
            self.assertEqual(installer.read_bytes(), INSTALLER_STANDIN.read_bytes())
            s.wait_for(lambda: 0 < (s.installed_percent() or 0) < 100, 60, "the installation")
            move = s.launch(cmd, f'/c move /y "{s.env.windows_path(installer)}" '
                                 f'"{s.env.windows_path(installer)}.moved"')
            self.assertNotEqual(s.wait_exit(move), 0, "the running installer's file moved")
            self.assertEqual(installer.read_bytes(), INSTALLER_STANDIN.read_bytes())
            s.wait_page("done", 90)
            self.assertEqual(s.finish(), 0)
            self.assertEqual([r[0] for r in s.records() if r[0].startswith("installer")],
                             ["installer"])


if __name__ == "__main__":
    unittest.main()
