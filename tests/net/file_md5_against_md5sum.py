#!/usr/bin/env python3
"""Puts files of the sizes that matter to FileMd5Hex (empty, 1 byte, exactly one and
two 1 MiB views, 3 MiB + 1 byte) on drive D: of a private Wine environment, lists
md5sum's digests of them, and runs the Windows test that compares.

    file_md5_against_md5sum.py --arch win64 PATH/TO/net_file_md5_test.exe"""
import argparse
import os
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from harness import wine  # noqa: E402
from harness.env import WineEnv  # noqa: E402

MIB = 1 << 20
SIZES = {"empty.bin": 0, "one.bin": 1, "one_mib.bin": MIB, "two_mib.bin": 2 * MIB,
         "three_mib_and_one.bin": 3 * MIB + 1}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", default="win64")
    parser.add_argument("program")
    args = parser.parse_args()
    if not wine.arch_usable(args.arch):
        print(f"this machine cannot run {args.arch} programs; skipped", file=sys.stderr)
        return 77
    with WineEnv(arch=args.arch, netns_wanted=False) as env:
        names = []
        for name, size in SIZES.items():
            (env.drive_d / name).write_bytes(os.urandom(size))
            names.append(name)
        listing = subprocess.run(["md5sum", *names], cwd=env.drive_d, check=True,
                                 capture_output=True, text=True).stdout
        (env.drive_d / "md5sum.txt").write_text(listing)
        return env.run(args.program, timeout=300).returncode


if __name__ == "__main__":
    sys.exit(main())
