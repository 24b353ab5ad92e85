#!/usr/bin/env python3
"""The whole fleet after an outage of the Update service: builds fleet_sim (optimized,
without the sanitizers of the native preset) and prints its table.

    bench/fleet_sim.py [--clients 1000000] [--seed 1] [--build build/fleet-sim]

One simulated day of clients, each the wizard's own decision function, against a service
of fixed capacity that is down for 10 minutes at the evening peak (bench/fleet_sim.cpp
says what is modelled). Per pacing and way of answering Retry-After, side by side: the
busiest 10 s and minute after the outage as multiples of the rate before it, the share
of attempts refused, and the extra delay per client."""
import argparse
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


def build(folder):
    subprocess.run(["cmake", "-S", str(REPO), "-B", str(folder), "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_C_COMPILER=clang", "-DCMAKE_CXX_COMPILER=clang++",
                    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG", "-DTIDEWELL_SANITIZE=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(folder), "--target", "fleet_sim", "-j2"],
                   check=True, stdout=subprocess.DEVNULL)
    return folder / "bench" / "fleet_sim"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--clients", type=int, default=1000000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--build", default=str(REPO / "build" / "fleet-sim"))
    args = parser.parse_args()
    program = build(Path(args.build).resolve())
    result = subprocess.run([str(program), "--clients", str(args.clients),
                             "--seed", str(args.seed)])
    sys.exit(result.returncode)


if __name__ == "__main__":
    main()
