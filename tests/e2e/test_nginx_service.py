"""The Update service as it runs in production: the tree tools/publish makes from the
signed installer, served by nginx from service/nginx.conf, in the test's network
namespace where the program looks for its service."""
import hashlib
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import BIN, INSTALLER_STANDIN, REPO, SLIDES, STANDINS, Session  # noqa: E402
from harness.env import SERVICE_PORT  # noqa: E402
from harness.xvfb import die_with_parent  # noqa: E402

PUBLISH = REPO / "tools" / "publish"
CONFIG = REPO / "service" / "nginx.conf"
OTHER_SIGNER = STANDINS / "standin_installer_other_signer.exe"
TAMPERED = STANDINS / "standin_installer_tampered.exe"
# The build's throwaway chain (tools/signing/): its root and the name it pins.
TEST_ROOT = BIN.parent / "signing" / "root.crt"
PUBLISHER_FILE = BIN.parent / "tools" / "signing" / "publisher.txt"
BASE_URL = f"http://127.0.0.1:{SERVICE_PORT}"
ACCESS_LINE = re.compile(r'^\S+ \S+ \S+ \[[^\]]*\] "(\S+) (\S+) [^"]*" (\d{3}) (\d+) ')

# Runs inside the namespace: sends the requests given as JSON on one connection and
# prints each answer's status, headers and the MD5 of its body; stops at the first
# answer whose status is `until`, if given.
PROBE = r"""
import hashlib, http.client, json, sys
requests, until = json.loads(sys.argv[1]), int(sys.argv[2])
connection = http.client.HTTPConnection("127.0.0.1", int(sys.argv[3]), timeout=30)
answers = []
for path, headers in requests:
    connection.request("GET", path, headers=headers)
    response = connection.getresponse()
    body = response.read()
    answers.append({"status": response.status, "md5": hashlib.md5(body).hexdigest(),
                    "headers": {k.lower(): v for k, v in response.getheaders()}})
    if response.status == until:
        break
print(json.dumps(answers))
"""


def publisher():
    return PUBLISHER_FILE.read_text(encoding="utf-8").splitlines()[0]


def publish(installer, out, slides=()):
    return subprocess.run(
        [sys.executable, str(PUBLISH), "--installer", str(installer), "--publisher", publisher(),
         "--base-url", BASE_URL, "--out", str(out), "--name", "LumoSetup.exe",
         "--ca-file", str(TEST_ROOT), "--slides", *map(str, slides)],
        capture_output=True, text=True, timeout=120)


class Nginx:
    """nginx started from service/nginx.conf, serving `tree` in the network namespace
    of `env` on the service's address; its pid, logs and temporary files in a folder of
    the test."""

    def __init__(self, env, tree):
        self.env = env
        self.folder = env.work / "nginx"
        for sub in ("logs", "temp"):
            (self.folder / sub).mkdir(parents=True, exist_ok=True)
        # The workers run as an unprivileged user: they must reach the tree.
        os.chmod(env.work, 0o711)
        os.chmod(self.folder, 0o755)
        self.config = self.folder / "nginx.conf"
        self.config.write_text(CONFIG.read_text().replace(
            "@LISTEN@", f"127.0.0.1:{SERVICE_PORT}").replace("@ROOT@", str(tree)))
        self.process = None

    def __enter__(self):
        argv = ["nginx", "-p", f"{self.folder}/", "-c", str(self.config), "-e", "logs/error.log",
                "-g", "daemon off;"]
        self.process = subprocess.Popen(self.env.wrap(argv), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, preexec_fn=die_with_parent)
        # The pid file is written once the listening socket is bound.
        deadline = time.monotonic() + 30
        while not (self.folder / "nginx.pid").exists():
            if self.process.poll() is not None:
                raise RuntimeError("nginx ended at start: " + self.process.stderr.read().decode()
                                   + self.error_log())
            if time.monotonic() > deadline:
                self.__exit__()
                raise RuntimeError("nginx did not come up: " + self.error_log())
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)  # fast shutdown, workers first
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def error_log(self):
        log = self.folder / "logs" / "error.log"
        return log.read_text(errors="replace") if log.exists() else ""

    def requests(self):
        """(method, path without query, status, body bytes) of each request answered."""
        rows = []
        for line in (self.folder / "logs" / "access.log").read_text().splitlines():
            match = ACCESS_LINE.match(line)
            if match:
                method, target, status, sent = match.groups()
                rows.append((method, target.split("?")[0], int(status), int(sent)))
        return rows

    def ask(self, requests, until=0):
        """Answers to [(path, headers), ...] asked from inside the namespace."""
        done = subprocess.run(self.env.wrap([sys.executable, "-c", PROBE, json.dumps(requests),
                                             str(until), str(SERVICE_PORT)]),
                              capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            raise RuntimeError(f"the probe failed: {done.stderr}")
        return json.loads(done.stdout)


class Publish(unittest.TestCase):
    def test_an_installer_not_signed_by_the_pinned_publisher_is_refused(self):
        with tempfile.TemporaryDirectory() as scratch:
            for installer, told in ((OTHER_SIGNER, "Tidewell Other Publisher"),
                                    (TAMPERED, "differ from what was signed")):
                with self.subTest(installer.name):
                    out = Path(scratch) / installer.stem
                    done = publish(installer, out, SLIDES)
                    self.assertEqual(done.returncode, 1, done.stderr)
                    self.assertIn(told, done.stderr)
                    self.assertFalse(out.exists(), "nothing may be published")


class ProductionService(unittest.TestCase):
    def test_one_upgrade_against_nginx_serving_the_published_tree(self):
        with Session(service=False, name="nginx") as s:
            tree = s.env.work / "nginx" / "tree"
            done = publish(INSTALLER_STANDIN, tree, SLIDES)
            self.assertEqual(done.returncode, 0, done.stderr)
            installer = INSTALLER_STANDIN.read_bytes()
            md5 = hashlib.md5(installer).hexdigest().upper()
            path = f"/files/{md5}/LumoSetup.exe"
            with Nginx(s.env, tree) as nginx:
                s.start()
                last = s.appdata / "Image" / f"{len(SLIDES) - 1}.bmp"
                s.wait_for(last.exists, 30, "the slides")
                s.start_upgrade()
                s.wait_page("done", 120)
                self.assertEqual(s.finish(), 0)
                runs = [r for r in s.records() if r[0] == "installer"]
                self.assertEqual(len(runs), 1)
                marker = s.env.drive_d / "Program Files" / "Vantrel" / "LMD"
                self.assertTrue((marker / "standin-installed.txt").exists())

                served = nginx.requests()
                self.assertIn(("GET", "/api/v1/install_url", 200, len(
                    (tree / "api" / "v1" / "install_url").read_bytes())), served)
                self.assertIn(("GET", path, 200, len(installer)), served)
                slides = sorted(r for r in served if r[1].startswith("/slides/"))
                self.assertEqual([(r[1], r[2]) for r in slides],
                                 [(f"/slides/{i}.bmp", 200) for i in range(len(SLIDES))])

                # A download goes on where it was cut: a range of the same file is sent as
                # asked; of a file that changed since, the whole file.
                (head,) = nginx.ask([(path, {})])
                etag = head["headers"]["etag"]
                resumed, changed = nginx.ask([
                    (path, {"Range": "bytes=1000-1999", "If-Range": etag}),
                    (path, {"Range": "bytes=1000-1999", "If-Range": '"an-older-file"'})])
                self.assertEqual(resumed["status"], 206)
                self.assertEqual(resumed["headers"]["content-range"],
                                 f"bytes 1000-1999/{len(installer)}")
                self.assertEqual(resumed["md5"], hashlib.md5(installer[1000:2000]).hexdigest())
                self.assertEqual(changed["status"], 200)
                self.assertEqual(changed["md5"], head["md5"])

                # Far more requests than any client makes: shed, with a time to come back.
                answers = nginx.ask([("/api/v1/install_url", {})] * 500, until=503)
                self.assertEqual(answers[0]["status"], 200)
                self.assertEqual(answers[-1]["status"], 503, "no request was shed")
                self.assertEqual(answers[-1]["headers"].get("retry-after"), "30")


if __name__ == "__main__":
    unittest.main()
