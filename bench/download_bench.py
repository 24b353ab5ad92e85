#!/usr/bin/env python3
"""Download and digest benchmark: prints the measured figures side by side.

    bench/download_bench.py [--build build/windows64] [--arch win64] [--size-mib 256]

In one private Wine environment with the bundled Update service serving an installer
of the given size on loopback (inside the environment's network namespace):
  1. the installer download through the program's own attempt (the Application object
     as callback, a window handling every progress report with its 20 ms pause), in
     byte ranges as it asks for them, against the same attempt from a service that
     ignores ranges (one request for the whole file, as downloads were before ranges),
     against URLDownloadToFileW with a callback that does nothing, against curl; and how
     much Wine's URL cache grew during the program's download;
  2. FileMd5Hex of the downloaded file against md5sum, with the peak working set of
     the hashing process before and after.
Needs the net_bench program of a Windows build (bench/CMakeLists.txt)."""
import argparse
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools"))
from harness import wine  # noqa: E402
from harness.env import SERVICE_PORT, WineEnv  # noqa: E402
from service_control import ServiceControl  # noqa: E402

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
    args = parser.parse_args()
    program = (Path(args.build) / "bin" / "net_bench.exe").resolve()
    if not program.exists():
        sys.exit(f"{program} is missing: build the net_bench target first")
    if not wine.arch_usable(args.arch):
        sys.exit(f"this machine cannot run {args.arch} programs")
    # Ended from outside: leave through the environment's tear-down all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    size = args.size_mib * MIB
    url = f"http://127.0.0.1:{SERVICE_PORT}/files/LumoSetup.exe"

    with WineEnv(arch=args.arch, service_args=["--installer-size", str(size)]) as env:
        control = ServiceControl(env.service_socket)
        local = next((env.prefix / "drive_c" / "users").glob("*/AppData/Local"))
        curl_file = env.drive_d / "curl.bin"
        runs = {"curl": [], "md5sum": [], "plain": [], "real": [], "single": [], "md5": []}
        cache_growth = []
        for attempt in range(args.repeat):
            runs["curl"].append(timed(env.wrap(["curl", "-sS", "-o", str(curl_file),
                                                f"{url}?bench=curl{attempt}"])))
            runs["md5sum"].append(timed(["md5sum", str(curl_file)], stdout=subprocess.DEVNULL))
            runs["plain"].append(run_bench(env, program, "plain", f"{url}?bench=plain{attempt}",
                                           "D:\\plain.bin"))
            cache_before = tree_bytes(local)
            runs["real"].append(run_bench(env, program, "real"))
            cache_growth.append(tree_bytes(local) - cache_before)
            control.set(ignore_ranges=1)
            runs["single"].append(run_bench(env, program, "real"))
            control.set(ignore_ranges=0)
            runs["md5"].append(run_bench(env, program, "md5", "D:\\curl.bin"))
        expected = subprocess.run(["md5sum", str(curl_file)], capture_output=True, text=True,
                                  check=True).stdout.split()[0]

    def fastest(name):
        return min(runs[name], key=lambda r: float(r["seconds"]))

    curl_s, md5sum_s = min(runs["curl"]), min(runs["md5sum"])
    plain, real, digest = fastest("plain"), fastest("real"), fastest("md5")
    single = fastest("single")
    if digest["md5"] != expected:
        sys.exit(f"FileMd5Hex gave {digest['md5']}, md5sum {expected}")
    real_s, plain_s, md5_s = float(real["seconds"]), float(plain["seconds"]), float(digest["seconds"])
    single_s = float(single["seconds"])
    mib = size / MIB
    peak_before = max(int(r["peak_before"]) for r in runs["md5"]) / MIB
    peak_after = max(int(r["peak_after"]) for r in runs["md5"]) / MIB
    print(f"installer: {mib:.0f} MiB from the bundled Update service on loopback; "
          f"fastest of {args.repeat} runs each")
    print(f"{'download':34} {'seconds':>8} {'MiB/s':>8} {'reports':>8}")
    print(f"{'  program (callback + window)':34} {real_s:8.2f} {mib / real_s:8.1f} {real['reports']:>8}")
    print(f"{'  program, one request (no ranges)':34} {single_s:8.2f} {mib / single_s:8.1f} {single['reports']:>8}")
    print(f"{'  URLDownloadToFileW, null callback':34} {plain_s:8.2f} {mib / plain_s:8.1f} {plain['reports']:>8}")
    print(f"{'  curl':34} {curl_s:8.2f} {mib / curl_s:8.1f} {'':>8}")
    print(f"  throughput in ranges / in one request: {single_s / real_s:.3f}")
    print(f"  Wine's URL cache grew {max(cache_growth) / MIB:.1f} MiB during the program's "
          f"{mib:.0f} MiB download (largest of {len(cache_growth)})")
    print(f"  ratio program / null callback: {real_s / plain_s:.2f}")
    print(f"  ratio program / curl:          {real_s / curl_s:.2f}")
    print(f"  ratio null callback / curl:    {plain_s / curl_s:.2f}")
    print(f"{'digest':34} {'seconds':>8} {'MiB/s':>8}")
    print(f"{'  FileMd5Hex':34} {md5_s:8.2f} {mib / md5_s:8.1f}")
    print(f"{'  md5sum':34} {md5sum_s:8.2f} {mib / md5sum_s:8.1f}")
    print(f"  ratio FileMd5Hex / md5sum time: {md5_s / md5sum_s:.2f}")
    print(f"  peak working set of the hashing process: {peak_before:.1f} MiB before, "
          f"{peak_after:.1f} MiB after (+{peak_after - peak_before:.1f} MiB for a {mib:.0f} MiB file)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
