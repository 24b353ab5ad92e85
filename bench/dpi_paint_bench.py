#!/usr/bin/env python3
"""First paint of the main window at 200 % against 100 %, side by side in one process.

    bench/dpi_paint_bench.py [--build build/windows64] [--arch win64] [--rounds 20]

Runs dpi_paint_bench in a private Wine environment (its own display, no network): the
window is moved between displays of 96 and 192 DPI in turn (WM_DPICHANGED, as the system
sends it) and the agreement page painted at each, first from nothing kept, then again.
Prints the medians and the ratios 200 % / 100 %. Needs the dpi_paint_bench program of a
Windows build."""
import argparse
import signal
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools"))
from harness import wine  # noqa: E402
from harness.env import WineEnv  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(REPO / "build" / "windows64"))
    parser.add_argument("--arch", default="win64")
    parser.add_argument("--rounds", type=int, default=20)
    args = parser.parse_args()
    program = Path(args.build).resolve() / "bin" / "dpi_paint_bench.exe"
    if not program.exists():
        sys.exit(f"missing: {program}: build dpi_paint_bench first")
    if not wine.arch_usable(args.arch):
        sys.exit(f"this machine cannot run {args.arch} programs")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    with WineEnv(arch=args.arch, netns_wanted=False) as env:
        output = env.work / "bench-output.txt"
        with open(output, "w") as sink:
            proc = env.run(program, str(args.rounds), timeout=1800, stdout=sink,
                           stderr=subprocess.DEVNULL)
        text = output.read_text(errors="replace")
    if proc.returncode != 0:
        sys.exit(f"dpi_paint_bench failed: {text}")
    print(text, end="")
    return 0


if __name__ == "__main__":
    sys.exit(main())
