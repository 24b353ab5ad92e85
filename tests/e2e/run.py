#!/usr/bin/env python3
"""Runs one end-to-end test module; exit code 77 (skipped) where this machine cannot
run the build's architecture under Wine or cannot make network namespaces."""
import os
import signal
import sys
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parents[1] / "tools"))
from harness import netns, wine  # noqa: E402

SKIP = 77


def main():
    # A test killed for its time limit still tears its environment down.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    arch = os.environ.get("TW_ARCH", "win64")
    if not wine.arch_usable(arch):
        print(f"skipped: this machine cannot run {arch} programs under Wine")
        return SKIP
    if not netns.available():
        print("skipped: end-to-end tests need root for their network namespaces")
        return SKIP
    suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
