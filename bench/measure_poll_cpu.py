#!/usr/bin/env python3
"""Measures the CPU use of the registry pollers (not a test): runs poll_cpu_probe
under Wine in each mode and reads the CPU time of its process and of the wineserver
from /proc over a 10 s window.

    measure_poll_cpu.py [--arch win64] BUILD_DIR"""
import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from harness.env import WineEnv  # noqa: E402

WINDOW = 10.0
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def wineserver_of(prefix):
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if not (entry / "comm").read_text().startswith("wineserver"):
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            return int(entry.name)
    return None


def measure(env, probe, mode):
    proc = env.popen(probe, mode, "25", stdout=subprocess.PIPE)
    assert proc.stdout.readline().strip() == b"polling"
    time.sleep(3)  # past start-up
    pid = proc.pid  # Wine runs the program in the process it was started as
    server = wineserver_of(env.prefix)
    before = (cpu_seconds(pid), cpu_seconds(server), time.monotonic())
    time.sleep(WINDOW)
    after = (cpu_seconds(pid), cpu_seconds(server), time.monotonic())
    elapsed = after[2] - before[2]
    proc.wait(timeout=60)
    return ((after[0] - before[0]) / elapsed * 100, (after[1] - before[1]) / elapsed * 100)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", default="win64")
    parser.add_argument("build")
    opts = parser.parse_args()
    build = Path(opts.build).resolve()
    probe = build / "bench" / "poll_cpu_probe.exe"
    os.environ["TW_BIN"] = str(build / "bin")
    os.environ.setdefault("TW_WINE_TEMPLATE_ROOT", str(build / "wine"))
    for mode in ("old", "install"):
        with WineEnv(arch=opts.arch, netns_wanted=False) as env:
            program, server = measure(env, str(probe), mode)
            print(f"{mode:8s} probe process {program:5.1f} % CPU, wineserver {server:5.1f} % CPU"
                  f" (over {WINDOW:.0f} s)")


if __name__ == "__main__":
    sys.exit(main())
