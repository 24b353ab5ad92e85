#!/usr/bin/env python3
"""Runs a Windows test program in a prefix whose drive D: is a DVD drive and whose
drive E: is a second fixed drive.

    with_dvd_drive.py [--arch win64|win32] PROGRAM.exe [ARGS...]

Wine's drive manager reads the drive types (HKLM\\Software\\Wine\\Drives) when it
starts, so the value is written first and the wineserver restarted before the
program runs. Exit code: the program's, or 77 (skipped) when this machine cannot run
that architecture."""
import argparse
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from harness import wine  # noqa: E402
from harness.env import WineEnv  # noqa: E402

SKIP = 77


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", default="win64", choices=["win64", "win32"])
    parser.add_argument("program")
    parser.add_argument("args", nargs="*")
    opts = parser.parse_args()
    if not wine.arch_usable(opts.arch):
        print(f"cannot run {opts.arch} Wine programs here; skipped", file=sys.stderr)
        return SKIP
    with tempfile.TemporaryDirectory(prefix="tidewell-drive-e-") as drive_e:
        with WineEnv(arch=opts.arch, netns_wanted=False, drives={"e": drive_e}) as env:
            env.run("reg", "add", r"HKLM\Software\Wine\Drives", "/v", "d:", "/d", "cdrom",
                    "/f", stdout=subprocess.DEVNULL, check=True)
            server = [str(wine.WINESERVER)]
            subprocess.run(env.wrap(server + ["-k"]), env=env.env, check=False)
            subprocess.run(env.wrap(server + ["-w"]), env=env.env, check=False, timeout=60)
            subprocess.run(env.wrap(server + ["-p"]), env=env.env, check=True)
            return env.run(opts.program, *opts.args).returncode


if __name__ == "__main__":
    sys.exit(main())
