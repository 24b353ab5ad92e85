"""DLLs planted beside Tidewell.exe, named like the system DLLs it uses, never run: the
program is started from folders such as Downloads, where a web page can leave files.
Delay-loaded DLLs come from the system folder even where the DLL search is left as it
is (Windows XP), and one that cannot be had ends the program with a message."""
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from harness import wine  # noqa: E402
from session import BIN, TENCENT, Session  # noqa: E402

# tools/planted/: each leaves "<its path>.ran" holding the path of the program that loaded
# it. The names: every DLL the program loads that is not a KnownDLL on every Windows it
# supports, and what the system's DLLs load by name on its behalf.
PLANTED = BIN / "planted"
# Names that nothing the program does can keep out under Wine, built but not planted:
# - version.dll, imm32.dll: loaded with user32, a static import, before Tidewell.exe's first
#   instruction. Wine's user32 imports version.dll (and calls into it while it makes the
#   first window: one without its functions ends the program) and its DllMain loads
#   imm32.dll by name, the program's folder first. Windows' user32 does neither, and imm32
#   is a KnownDLL from Windows 7 on.
# - dbghelp.dll: Wine's wintrust loads imagehlp, and imagehlp dbghelp, through Wine's own
#   delay-load helper, whose loads search the program's folder first even after the
#   program has restricted the search (SetDefaultDllDirectories); Windows' loads by name
#   follow that restriction.
NOT_PROTECTABLE_UNDER_WINE = {"version.dll", "imm32.dll", "dbghelp.dll"}


def markers(session):
    """{planted DLL: [programs it ran in]} of the markers left in the program's folder."""
    return {marker.name[:-len(".ran")]: marker.read_text("utf-8").splitlines()
            for marker in session.program_dir.glob("*.ran")}


def upgrade_with_share(session):
    session.register_old_edition()
    session.start()
    session.start_upgrade()
    session.wait_page("done", 120)
    session.click(TENCENT)  # the browser, started through the shell
    session.wait_for(lambda: len(session.opened_urls()) == 1, 20, "the share page")
    return session.finish()


class PlantedBesideTheProgram(unittest.TestCase):
    def test_none_runs_during_a_whole_upgrade(self):
        planted = [dll for dll in sorted(PLANTED.glob("*.dll"))
                   if dll.name not in NOT_PROTECTABLE_UNDER_WINE]
        self.assertGreaterEqual(len(planted), 13, f"too few look-alikes in {PLANTED}")
        # Native first for the planted names: Windows' own search order for them.
        overrides = "%s;%s=n,b" % (wine.BASE_ENV["WINEDLLOVERRIDES"],
                                   ",".join(dll.stem for dll in planted))
        with Session(program_env={"WINEDLLOVERRIDES": overrides}, name="planted") as s:
            for dll in planted:
                (s.program_dir / dll.name).write_bytes(dll.read_bytes())
            try:
                exit_code = upgrade_with_share(s)
            except Exception as failure:
                raise AssertionError(f"{failure}; planted DLLs that ran: {markers(s)}") from failure
            self.assertEqual(exit_code, 0)
            self.assertEqual(len([r for r in s.records() if r[0] == "installer"]), 1)
            self.assertEqual(markers(s), {}, "planted DLLs that ran, with the programs they ran in")


class DelayLoaded(unittest.TestCase):
    """delayprobe.exe (tools/delay_probe/) delay-loads comctl32 functions through the
    program's own helper and leaves the DLL search as Windows sets it."""

    def test_from_the_system_folder_or_a_message_and_a_clean_end(self):
        comctl32 = PLANTED / "comctl32.dll"
        overrides = "%s;comctl32=n,b" % wine.BASE_ENV["WINEDLLOVERRIDES"]
        with Session(service=False, netns=False, program_env={"WINEDLLOVERRIDES": overrides},
                     name="delay-load") as s:
            probe = s.program_dir / "delayprobe.exe"
            probe.write_bytes((BIN / "tools" / "delayprobe.exe").read_bytes())
            (s.program_dir / comctl32.name).write_bytes(comctl32.read_bytes())
            # Eight threads resolve the same functions at once, by name and by ordinal.
            self.assertEqual(s.wait_exit(s.launch(probe, "present")), 0,
                             "2: a call failed, 3: comctl32 came from elsewhere")
            self.assertEqual(markers(s), {})
            for mode, missing, exit_code in (
                    ("missing-function", "comctl32.dll!TidewellAbsentFunction", 127),
                    ("missing-dll", "tidewell-absent.dll!TidewellProbe", 126)):
                with self.subTest(mode):
                    pid = s.launch(probe, mode)
                    box = s.wait_box()
                    self.assertIn(missing, box["text"])
                    self.assertIn("无法载入系统组件", box["text"])
                    s.press("OK")
                    self.assertEqual(s.wait_exit(pid), exit_code)


if __name__ == "__main__":
    unittest.main()
