#!/usr/bin/env python3
"""Download and digest benchmark: prints the measured figures side by side.

    bench/download_bench.py [--build build/windows64] [--arch win64] [--size-mib 256]
                            [--before OTHER_BUILD]

In one private Wine environment with the bundled Update service serving an installer
of the given size on loopback (inside the environment's network namespace):
  1. the installer download through the program's own attempt (the Application object
     as callback, a window handling every progress report with its 20 ms pause),
     against the same of another build given with --before (an earlier program, such
     as one from before downloads resumed in ranges), against URLDownloadToFileW with
     a callback that does nothing, against curl; and how much Wine's URL cache grew
     during the program's download;
  2. FileMd5Hex of the downloaded file against md5sum, with the peak working set of
     the hashing process before and after.
Needs the net_bench program of a Windows build (bench/CMakeLists.txt)."""
import argparse
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools"))
from harness import wine  # noqa: E402
from harness.env import SERVICE_PORT, WineEnv  # noqa: E402

MIB = 1 << 20


def fields(output):
    return dict(re.findall(r"(\w+)=(\S+)", output))


def run_bench(env, program, *args):
    # Into a file, not a pipe: Wine's own helper processes inherit the output handle
    # and would hold a pipe open long after the program ended.
    output = env.work / "bench-output.txt"
    with open(output, "w") as sink:
        proc = env.run(program, *args, timeout=1800, stdout=sink, stderr=subprocess.STDOUT)
    text = output.read_text(errors="replace")
    if proc.returncode != 0:
        raise RuntimeError(f"net_bench {' '.join(args)} failed: {text}")
    return fields(text)


def tree_bytes(folder):
    return sum(f.stat().st_size for f in Path(folder).rglob("*") if f.is_file())


def timed(argv, **kwargs):
    started = time.perf_counter()
    subprocess.run(argv, check=True, **kwargs)
    return time.perf_counter() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(REPO / "build" / "windows64"))
    parser.add_argument("--arch", default="win64")
    parser.add_argument("--size-mib", type=int, default=256)
    parser.add_argument("--repeat", type=int, default=3,
                        help="runs of each measurement; the fastest counts")
    parser.add_argument("--before", help="another build whose download to set beside")
    args = parser.parse_args()
    program = (Path(args.build) / "bin" / "net_bench.exe").resolve()
    before = (Path(args.before) / "bin" / "net_bench.exe").resolve() if args.before else None
    for needed in (program, before):
        if needed is not None and not needed.exists():
            sys.exit(f"{needed} is missing: build the net_bench target first")
    if not wine.arch_usable(args.arch):
        sys.exit(f"this machine cannot run {args.arch} programs")
    # Ended from outside: leave through the environment's tear-down all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    size = args.size_mib * MIB
    url = f"http://127.0.0.1:{SERVICE_PORT}/files/LumoSetup.exe"

    with WineEnv(arch=args.arch, service_args=["--installer-size", str(size)]) as env:
        local = next((env.prefix / "drive_c" / "users").glob("*/AppData/Local"))
        curl_file = env.drive_d / "curl.bin"
        runs = {"curl": [], "md5sum": [], "plain": [], "real": [], "before": [], "md5": [],
                "append": []}
        cache_growth = []
        for attempt in range(args.repeat):
            runs["curl"].append(timed(env.wrap(["curl", "-sS", "-o", str(curl_file),
                                                f"{url}?bench=curl{attempt}"])))
            runs["md5sum"].append(timed(["md5sum", str(curl_file)], stdout=subprocess.DEVNULL))
            runs["plain"].append(run_bench(env, program, "plain", f"{url}?bench=plain{attempt}",
                                           "D:\\plain.bin"))
            # The two programs take turns at going first: neither always meets the
            # cache and the disk as the other left them.
            if before is not None and attempt % 2 == 1:
                runs["before"].append(run_bench(env, before, "real"))
            cache_before = tree_bytes(local)
            runs["real"].append(run_bench(env, program, "real"))
            cache_growth.append(tree_bytes(local) - cache_before)
            if before is not None and attempt % 2 == 0:
                runs["before"].append(run_bench(env, before, "real"))
            runs["md5"].append(run_bench(env, program, "md5", "D:\\curl.bin"))
            # A resumed download writes each range twice: downloaded, then appended.
            shutil.copyfile(curl_file, env.drive_d / "range.bin")
            runs["append"].append(run_bench(env, program, "append", "D:\\range.bin"))
        expected = subprocess.run(["md5sum", str(curl_file)], capture_output=True, text=True,
                                  check=True).stdout.split()[0]

    def fastest(name):
        return min(runs[name], key=lambda r: float(r["seconds"]))

    curl_s, md5sum_s = min(runs["curl"]), min(runs["md5sum"])
    plain, real, digest = fastest("plain"), fastest("real"), fastest("md5")
    if digest["md5"] != expected:
        sys.exit(f"FileMd5Hex gave {digest['md5']}, md5sum {expected}")
    real_s, plain_s, md5_s = float(real["seconds"]), float(plain["seconds"]), float(digest["seconds"])
    mib = size / MIB
    peak_before = max(int(r["peak_before"]) for r in runs["md5"]) / MIB
    peak_after = max(int(r["peak_after"]) for r in runs["md5"]) / MIB
    print(f"installer: {mib:.0f} MiB from the bundled Update service on loopback; "
          f"fastest of {args.repeat} runs each")
    print(f"{'download':34} {'seconds':>8} {'MiB/s':>8} {'reports':>8}")
    print(f"{'  program (callback + window)':34} {real_s:8.2f} {mib / real_s:8.1f} {real['reports']:>8}")
    if before is not None:
        earlier = fastest("before")
        before_s = float(earlier["seconds"])
        print(f"{'  the program of --before':34} {before_s:8.2f} {mib / before_s:8.1f} {earlier['reports']:>8}")
    print(f"{'  URLDownloadToFileW, null callback':34} {plain_s:8.2f} {mib / plain_s:8.1f} {plain['reports']:>8}")
    print(f"{'  curl':34} {curl_s:8.2f} {mib / curl_s:8.1f} {'':>8}")
    if before is not None:
        # Pair by pair (the two ran one after the other), the median: one lucky or slow
        # run of either moves nothing.
        pairs = sorted(float(b["seconds"]) / float(r["seconds"])
                       for r, b in zip(runs["real"], runs["before"]))
        print(f"  throughput program / the program of --before: median {statistics.median(pairs):.3f}"
              f" of {len(pairs)} pairs (from {pairs[0]:.3f} to {pairs[-1]:.3f})")
    print(f"  Wine's URL cache grew {max(cache_growth) / MIB:.1f} MiB during the program's "
          f"{mib:.0f} MiB download (largest of {len(cache_growth)})")
    print(f"  ratio program / null callback: {real_s / plain_s:.2f}")
    print(f"  ratio program / curl:          {real_s / curl_s:.2f}")
    print(f"  ratio null callback / curl:    {plain_s / curl_s:.2f}")
    append_s = float(fastest("append")["seconds"])
    print(f"  the copy of a {mib:.0f} MiB range onto the bytes held: {append_s:.2f} s, "
          f"{append_s / real_s:.2f} x the program's download of it")
    print(f"{'digest':34} {'seconds':>8} {'MiB/s':>8}")
    print(f"{'  FileMd5Hex':34} {md5_s:8.2f} {mib / md5_s:8.1f}")
    print(f"{'  md5sum':34} {md5sum_s:8.2f} {mib / md5sum_s:8.1f}")
    print(f"  ratio FileMd5Hex / md5sum time: {md5_s / md5sum_s:.2f}")
    print(f"  peak working set of the hashing process: {peak_before:.1f} MiB before, "
          f"{peak_after:.1f} MiB after (+{peak_after - peak_before:.1f} MiB for a {mib:.0f} MiB file)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
