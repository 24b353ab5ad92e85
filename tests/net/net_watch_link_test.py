#!/usr/bin/env python3
"""Connectivity for real: the watchdog runs under Wine inside the test's own network
namespace (wineserver included). With the namespace's default route it reports 1;
with the link taken down it reports 0; with the link up again, 1.

    net_watch_link_test.py [--arch win64|win32] PROBE.exe

Exit code 77 (skipped) when network namespaces are unavailable (they need root) or the
machine cannot run that Wine architecture."""
import argparse
import queue
import subprocess
import sys
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from harness import netns, wine  # noqa: E402
from harness.env import WineEnv  # noqa: E402

SKIP = 77
REPORT_PERIOD = 5.0


def read_lines(stream, lines):
    for raw in stream:
        lines.put(raw.decode("utf-8", "replace").strip())
    lines.put(None)


def next_report(lines, deadline):
    """The next "net N" line as N, or None when the time is up or the probe ended."""
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            return None
        try:
            line = lines.get(timeout=remaining)
        except queue.Empty:
            return None
        if line is None:
            return None
        if line.startswith("net "):
            return int(line.split()[1])


def wait_for_state(lines, wanted, within, log):
    deadline = time.monotonic() + within
    while True:
        state = next_report(lines, deadline)
        if state is None:
            return False
        log.append(state)
        if state == wanted:
            return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", default="win64", choices=["win64", "win32"])
    parser.add_argument("probe")
    opts = parser.parse_args()
    if not netns.available():
        print("network namespaces need root here; skipped", file=sys.stderr)
        return SKIP
    if not wine.arch_usable(opts.arch):
        print(f"cannot run {opts.arch} Wine programs here; skipped", file=sys.stderr)
        return SKIP

    with WineEnv(arch=opts.arch, netns_wanted=True) as env:
        if env.ns is None:
            print("no network namespace could be made; skipped", file=sys.stderr)
            return SKIP
        probe = env.popen(opts.probe, "90", stdout=subprocess.PIPE)
        lines = queue.Queue()
        threading.Thread(target=read_lines, args=(probe.stdout, lines), daemon=True).start()
        log = []
        try:
            # Wine's start-up, then the first report 5 s after the watchdog started.
            if not wait_for_state(lines, 1, 30, log):
                print(f"FAIL: no 'connected' report with the default route: {log}")
                return 1
            env.ns.link_down()
            # The report in flight may still say 1; the one after must say 0.
            if not wait_for_state(lines, 0, 2 * REPORT_PERIOD + 3, log):
                print(f"FAIL: no 'offline' report after the link went down: {log}")
                return 1
            env.ns.link_up()
            if not wait_for_state(lines, 1, 2 * REPORT_PERIOD + 3, log):
                print(f"FAIL: no 'connected' report after the link came back: {log}")
                return 1
            print(f"reports seen: {log}")
            return 0
        finally:
            if probe.poll() is None:
                probe.terminate()
                try:
                    probe.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    probe.kill()
                    probe.wait()


if __name__ == "__main__":
    sys.exit(main())
