#!/usr/bin/env python3
"""Verification benchmark: what the signature check adds to the MD5 check.

    bench/signature_bench.py [--build build/windows64] [--arch win64] [--size-mib 100]

Makes a signed installer of the given size (the stand-in installer with a payload
appended after its sections, where Inno Setup installers carry theirs, signed by a
throwaway chain named as the build's pinned publisher) and, in one private Wine
environment, runs signature_bench on it and on the build's signing fixtures: for each
file whether the pinned publisher's signature was missing, and the times of
FileMd5Hex and of the signature check, side by side in the same run.
Needs the signature_bench program and the signed stand-ins of a Windows build."""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools"))
sys.path.insert(0, str(REPO / "tools" / "signing"))
from harness import wine  # noqa: E402
from harness.env import WineEnv  # noqa: E402
import test_signing  # noqa: E402

MIB = 1 << 20


def make_signed_installer(standin, publisher, size, target, work):
    unsigned = work / "big-unsigned.exe"
    shutil.copy(standin, unsigned)
    with open(unsigned, "ab") as out:
        left = size - unsigned.stat().st_size
        while left > 0:
            chunk = os.urandom(min(MIB, left))
            out.write(chunk)
            left -= len(chunk)
    leaves = test_signing.make_chain(work / "chain", publisher)
    test_signing.sign(leaves["publisher"], unsigned, target)
    unsigned.unlink()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(REPO / "build" / "windows64"))
    parser.add_argument("--arch", default="win64")
    parser.add_argument("--size-mib", type=int, default=100)
    parser.add_argument("--repeat", type=int, default=3,
                        help="rounds of each measurement per file")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    program = build / "bin" / "signature_bench.exe"
    standins = build / "bin" / "standins"
    fixtures = ["standin_installer.exe", "standin_installer_signed.exe",
                "standin_installer_other_signer.exe", "standin_installer_tampered.exe"]
    missing = [p for p in [program] + [standins / f for f in fixtures] if not p.exists()]
    if missing:
        sys.exit(f"missing: {', '.join(map(str, missing))}: build signature_bench and "
                 "tidewell_standins first")
    if not wine.arch_usable(args.arch):
        sys.exit(f"this machine cannot run {args.arch} programs")
    publisher = (build / "tools" / "signing" / "publisher.txt").read_text("utf-8").splitlines()[0]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    with WineEnv(arch=args.arch, netns_wanted=False) as env, \
            tempfile.TemporaryDirectory(prefix="tidewell-sigbench-") as scratch:
        big = env.drive_d / "big-signed.exe"
        make_signed_installer(standins / "standin_installer.exe", publisher,
                              args.size_mib * MIB, big, Path(scratch))
        for name in fixtures:
            shutil.copy(standins / name, env.drive_d / name)
        output = env.work / "bench-output.txt"
        with open(output, "w") as sink:
            proc = env.run(program, str(args.repeat), "D:\\big-signed.exe",
                           *[f"D:\\{name}" for name in fixtures], timeout=1800,
                           stdout=sink, stderr=subprocess.STDOUT)
        text = output.read_text(errors="replace")
        if proc.returncode != 0:
            sys.exit(f"signature_bench failed: {text}")
        size = big.stat().st_size

    rows = [dict(re.findall(r'(\w+)=("[^"]*"|\S+)', line)) for line in text.splitlines()
            if line.startswith("file=")]
    print(f"pinned publisher: {publisher}; {args.repeat} rounds per file, first and fastest")
    print(f"{'file':38} {'refused':>7}")
    for row in rows:
        print(f"{row['file']:38} {row['lacks_pinned']:>7}")
    big_row = rows[0]
    md5_first, md5_best = float(big_row["md5_first"]), float(big_row["md5_best"])
    sig_first, sig_best = float(big_row["signature_first"]), float(big_row["signature_best"])
    print(f"\nverification of a {size / MIB:.1f} MiB signed installer (seconds)")
    print(f"{'':28} {'first':>8} {'fastest':>8}")
    print(f"{'  MD5 (FileMd5Hex)':28} {md5_first:8.3f} {md5_best:8.3f}")
    print(f"{'  signature check':28} {sig_first:8.3f} {sig_best:8.3f}")
    print(f"  the check adds {sig_best:.3f} s to the MD5's {md5_best:.3f} s "
          f"(ratio signature / MD5: {sig_best / md5_best:.2f}; first round "
          f"{sig_first / md5_first:.2f})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
