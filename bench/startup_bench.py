#!/usr/bin/env python3
"""Start-up cost of the DLL search restriction, side by side in one Wine environment.

    bench/startup_bench.py --before OLD/Tidewell.exe [--build build/windows64] [--runs 10]

1. Whole process: with one copy of the build's Tidewell.exe running, a second copy ends
   at once with exit code 1 after start-up (its DLLs loaded, the search restricted, the
   process list read). OLD (a Tidewell.exe built without the restriction, which imports
   GDI+, common controls, URLMon and WinINet at start-up) and the build's exe are started
   in turn, each timed from its start to its end as the test driver sees them.
2. Inside one process (dll_search_probe.exe): RestrictDllSearch as it runs here
   (SetDefaultDllDirectories exists under Wine) against the road of systems without it,
   where every system DLL loaded by name later on is loaded from the system folder first.
Prints the median and spread of each, the median of the pairwise ratios, and the ratio
of the medians."""
import argparse
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))


def report(name, a_label, a, b_label, b):
    ratios = [x / y for x, y in zip(a, b)]
    print(f"{name}:")
    for label, values in ((a_label, a), (b_label, b)):
        print(f"  {label:>10}: median {statistics.median(values):8.2f} ms"
              f"  (min {min(values):.2f}, max {max(values):.2f}, {len(values)} runs)")
    print(f"  {a_label}/{b_label}: median of pairwise ratios {statistics.median(ratios):.3f},"
          f" ratio of medians {statistics.median(a) / statistics.median(b):.3f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--before", required=True, help="Tidewell.exe without the restriction")
    parser.add_argument("--build", default=str(REPO / "build" / "windows64"))
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    build = Path(args.build).resolve()
    os.environ["TW_BIN"] = str(build / "bin")
    os.environ.setdefault("TW_ARCH", "win32" if "windows64" not in build.name else "win64")
    os.environ.setdefault("TW_WINE_TEMPLATE_ROOT", str(build / "wine"))
    from session import Session  # after TW_BIN: it reads where the programs are

    with Session(service=False, netns=False, name="startup-bench") as s:
        programs = {}
        for label, exe in (("before", Path(args.before)), ("after", build / "bin" / "Tidewell.exe")):
            folder = s.program_dir / label
            folder.mkdir()
            programs[label] = shutil.copy(exe, folder / "Tidewell.exe")
        s.start()  # the first copy: every later one ends at once
        times = {"before": [], "after": []}
        for _ in range(args.runs):
            for label in ("before", "after"):
                started = time.perf_counter()
                pid = s.launch(programs[label])
                reply = s.call("exitcode", pid, 30000, timeout=60)
                times[label].append(1000 * (time.perf_counter() - started))
                if reply.get("running") or reply.get("code") != 1:
                    raise SystemExit(f"{label}: the second copy did not end with 1: {reply}")
        report("start-up to exit of a second copy (whole process)", "after", times["after"],
               "before", times["before"])

        probe = shutil.copy(build / "bin" / "dll_search_probe.exe", s.program_dir / "probe.exe")
        roads = {"restrict": [], "preload": []}
        for _ in range(args.runs):
            for road in roads:
                result = s.env.run(probe, road, capture_output=True, text=True, timeout=120)
                roads[road].append(float(result.stdout.split()[-1]))
        report("RestrictDllSearch inside the process", "preload", roads["preload"],
               "restrict", roads["restrict"])


if __name__ == "__main__":
    main()
