#!/usr/bin/env python3
"""What a download costs on a link that drops: the bytes the bundled Update service sent
for a 3 MiB installer while the link went down (for real, the test's network namespace)
a number of times, as a multiple of the installer's size, for each build given.

    bench/link_loss_bench.py [--losses 8] BUILD [BUILD...]

Each BUILD is a windows64 build folder (its Tidewell.exe, driver and stand-ins); the
signed 3 MiB stand-in of the first one is served to all. Prints one line per build and
the ratios between them."""
import argparse
import json
import os
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


def measure(losses, big):
    """Runs inside a process whose TW_BIN names the build: one upgrade, `losses` link
    losses during its download. Prints the result as JSON."""
    sys.path.insert(0, str(REPO / "tests" / "e2e"))
    from session import Session  # noqa: E402

    size = Path(big).stat().st_size
    with Session(name="link-loss") as s:
        s.control.set(installer_file=big, throttle=size // 40)  # about 40 s of transfer
        s.start()
        s.start_upgrade()
        caused = 0
        for loss in range(losses):
            before = s.downloaded_percent() or 0
            s.wait_for(lambda: (s.downloaded_percent() or 0) > before + 1
                       or s.page() != "download", 120, "progress")
            if s.page() != "download":
                break  # the download is over: no more losses to cause
            s.env.ns.link_down()
            s.wait_for(lambda: s.page() != "download", 15, "the offline page")
            s.env.ns.link_up()
            caused += 1
            s.wait_for(lambda: s.page() != "offline", 15, "the download page again")
        s.wait_for(lambda: s.boxes() or s.page() == "done", 300, "the end")
        transfers = s.installer_requests()
        result = {"requests": len(transfers), "sent": sum(t["bytes"] for t in transfers),
                  "size": size, "done": s.page() == "done", "losses": caused}
        if result["done"]:
            s.finish()
    print(json.dumps(result))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--losses", type=int, default=8)
    parser.add_argument("--measure", help=argparse.SUPPRESS)  # the inner run
    parser.add_argument("builds", nargs="*")
    args = parser.parse_args()
    if args.measure:
        measure(args.losses, args.measure)
        return 0
    if not args.builds:
        parser.error("name at least one build folder")
    big = Path(args.builds[0]).resolve() / "bin" / "standins" / "standin_installer_signed_big.exe"
    results = []
    for build in args.builds:
        build = Path(build).resolve()
        env = dict(os.environ, TW_ARCH="win64", TW_BIN=str(build / "bin"),
                   TW_WINE_TEMPLATE_ROOT=str(build / "wine"), TW_OUT=str(build / "test-output"))
        proc = subprocess.run([sys.executable, __file__, "--losses", str(args.losses),
                               "--measure", str(big)], env=env, capture_output=True, text=True)
        lines = [line for line in proc.stdout.splitlines() if line.startswith("{")]
        if proc.returncode != 0 or not lines:
            sys.exit(f"{build}: the run failed\n{proc.stdout}\n{proc.stderr}")
        results.append((build, json.loads(lines[-1])))
    print(f"a {results[0][1]['size'] / (1 << 20):.0f} MiB installer, {args.losses} link losses "
          f"during its download")
    for build, r in results:
        print(f"  {str(build):40} {r['losses']} losses, {r['requests']:3} requests, "
              f"{r['sent'] / r['size']:.2f} x its size sent{'' if r['done'] else ', never finished'}")
    for build, r in results[1:]:
        print(f"  ratio {build.name} / {results[0][0].name}: {r['sent'] / results[0][1]['sent']:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
