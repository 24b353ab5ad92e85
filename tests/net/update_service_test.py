#!/usr/bin/env python3
"""The bundled Update service on its own, driven from Linux: every later test leans on
its answer format, its fault knobs and its control socket. It runs inside a private
network namespace; requests are made with curl inside the same namespace."""
import gzip
import hashlib
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from harness import netns  # noqa: E402
from service_control import ServiceControl  # noqa: E402

BASE = "http://127.0.0.1:18765"
SIZE = 300000
ALT_SIZE = 250000
INSTALLER = "/files/LumoSetup.exe"


class UpdateServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="tidewell-service-"))
        cls.ns = netns.NetNamespace(f"{os.getpid()}x7").__enter__()
        cls.alternate = cls.work / "alternate.exe"
        cls.alternate.write_bytes(b"MZ" + os.urandom(ALT_SIZE - 2))
        cls.service = cls.start_service()
        cls.control = ServiceControl(cls.work / "service.sock")

    @classmethod
    def start_service(cls):
        socket_path = cls.work / "service.sock"
        with open(cls.work / "service.err", "w") as errors:
            service = subprocess.Popen(
                cls.ns.prefix() + ["python3", str(REPO / "tools" / "update_service.py"),
                                   "--log", str(cls.work / "requests.jsonl"), "--control-socket",
                                   str(socket_path), "--installer-size", str(SIZE),
                                   "--installer-alt", str(cls.alternate)],
                stdout=subprocess.DEVNULL, stderr=errors)
        deadline = time.monotonic() + 20
        while not socket_path.exists():
            if time.monotonic() > deadline or service.poll() is not None:
                raise RuntimeError("service did not start: " + (cls.work / "service.err").read_text())
            time.sleep(0.05)
        return service

    @classmethod
    def tearDownClass(cls):
        if cls.service.poll() is None:
            cls.service.kill()
            cls.service.wait()
        cls.ns.close()
        subprocess.run(["rm", "-rf", str(cls.work)])

    def setUp(self):
        self.control.reset()
        self.control.clear_log()

    def get(self, path, name="body", headers=()):
        """(HTTP status, body bytes, curl exit code) of one GET inside the namespace;
        the answer's headers are kept in NAME.headers."""
        target = self.work / name
        extra = [arg for header in headers for arg in ("-H", header)]
        proc = subprocess.run(self.ns.prefix() + ["curl", "-s", "-o", str(target), "-D",
                                                  str(target) + ".headers", "-w",
                                                  "%{http_code}", *extra, BASE + path],
                              capture_output=True, text=True, timeout=60)
        return int(proc.stdout or 0), target.read_bytes() if target.exists() else b"", proc.returncode

    def headers(self, name="body"):
        """The last answer's headers saved under NAME, by lower-case name."""
        lines = (self.work / (name + ".headers")).read_text().splitlines()[1:]
        return {k.strip().lower(): v.strip() for k, _, v in (l.partition(":") for l in lines) if v}

    def ranged(self, byte_range, if_range=None, name="ranged"):
        """(status, body, Content-Range) of an installer request for Range: BYTE_RANGE."""
        asked = [f"Range: {byte_range}"] + ([f"If-Range: {if_range}"] if if_range else [])
        status, body, _ = self.get(INSTALLER, name, asked)
        return status, body, self.headers(name).get("content-range")

    def answer(self):
        status, body, _ = self.get("/api/v1/install_url")
        self.assertEqual(status, 200)
        return body.decode()

    def test_answer_names_the_installer_first_and_its_digest_last(self):
        text = self.answer()
        members = json.loads(text)
        self.assertEqual(list(members)[0], "url")
        self.assertEqual(list(members)[-1], "md5")
        self.assertTrue(members["url"].endswith(".exe"))
        self.assertTrue(text.endswith('"}'), "nothing may follow the closing brace")
        status, installer, _ = self.get("/files/LumoSetup.exe")
        self.assertEqual((status, len(installer)), (200, SIZE))
        self.assertEqual(members["md5"], hashlib.md5(installer).hexdigest().upper())
        self.assertEqual(members["size"], SIZE)

    def test_answer_faults_apply_to_the_next_requests_only(self):
        good = json.loads(self.answer())["md5"]
        self.control.set(md5="wrong", times=1)
        self.assertNotEqual(json.loads(self.answer())["md5"], good)
        self.assertEqual(json.loads(self.answer())["md5"], good)
        self.control.set(md5="lower", trailing="1", times=2)
        for _ in range(2):
            text = self.answer()
            self.assertTrue(text.endswith('"}\n'))
            self.assertEqual(json.loads(text)["md5"], good.lower())
        self.control.set(md5="none", times=1)
        self.assertNotIn("md5", json.loads(self.answer()))
        self.control.set(answer_long="3000", times=1)
        long_answer = self.answer()
        self.assertGreater(len(long_answer), 3000)
        self.assertEqual(json.loads(long_answer)["md5"], good)
        self.control.set(answer_status="500", error_body="busy", times=1)
        self.assertEqual(self.get("/api/v1/install_url")[:2], (500, b"busy"))

    def test_installer_changes_with_its_size_or_file(self):
        first = json.loads(self.answer())
        self.control.set(installer_size=SIZE + 1)
        second = json.loads(self.answer())
        self.assertNotEqual(first["md5"], second["md5"])
        _, installer, _ = self.get("/files/LumoSetup.exe")
        self.assertEqual(hashlib.md5(installer).hexdigest().upper(), second["md5"])
        # A file of the test's own, switched to while the service runs.
        own = self.work / "own-installer.exe"
        own.write_bytes(b"MZ" + bytes(range(256)) * 40)
        self.control.set(installer_file=str(own))
        third = json.loads(self.answer())
        _, installer, _ = self.get("/files/LumoSetup.exe")
        self.assertEqual(installer, own.read_bytes())
        self.assertEqual((third["size"], third["md5"]),
                         (len(installer), hashlib.md5(installer).hexdigest().upper()))
        with self.assertRaises(RuntimeError):
            self.control.set(installer_file=str(self.work / "missing.exe"))
        self.control.set(installer_size=SIZE)
        self.assertEqual(json.loads(self.answer())["md5"], first["md5"])

    def test_transfer_faults(self):
        _, plain, _ = self.get(INSTALLER, "plain")
        self.control.set(close_after=100000, times=2)
        status, body, curl_exit = self.get("/files/LumoSetup.exe")
        self.assertEqual((status, len(body)), (200, 100000))
        self.assertEqual(curl_exit, 18, "curl must see the transfer end short of its length")
        # A range's own body is counted, from its first byte.
        status, body, curl_exit = self.get(INSTALLER, "cut", ["Range: bytes=150000-"])
        self.assertEqual((status, curl_exit), (206, 18))
        self.assertEqual(body, plain[150000:250000])
        self.control.set(file_status=404, times=1)
        self.assertEqual(self.get("/files/LumoSetup.exe")[0], 404)
        self.control.set(throttle=200000, times=1)
        started = time.monotonic()
        self.assertEqual(len(self.get("/files/LumoSetup.exe")[1]), SIZE)
        self.assertGreater(time.monotonic() - started, 1.2)

    def test_one_byte_range_is_answered_206_anything_else_whole(self):
        _, plain, _ = self.get(INSTALLER, "plain")
        validators = self.headers("plain")
        self.assertEqual(validators["etag"], f'"{hashlib.md5(plain).hexdigest()}"')
        self.assertEqual(validators["accept-ranges"], "bytes")
        self.assertEqual(validators["last-modified"], self.control.info()["last_modified"])
        last = SIZE - 1
        cases = [("bytes=1000-1999", 206, plain[1000:2000], f"bytes 1000-1999/{SIZE}"),
                 ("bytes=290000-", 206, plain[290000:], f"bytes 290000-{last}/{SIZE}"),
                 ("bytes=-500", 206, plain[-500:], f"bytes {SIZE - 500}-{last}/{SIZE}"),
                 (f"bytes=299000-{2 * SIZE}", 206, plain[299000:], f"bytes 299000-{last}/{SIZE}"),
                 (f"bytes={SIZE}-", 416, None, f"bytes */{SIZE}"),
                 ("bytes=0-9,20-29", 200, plain, None),
                 ("bytes=20-10", 200, plain, None),
                 ("lines=1-2", 200, plain, None)]
        for byte_range, status, body, content_range in cases:
            with self.subTest(byte_range):
                got_status, got_body, got_range = self.ranged(byte_range)
                self.assertEqual((got_status, got_range), (status, content_range))
                self.assertEqual(int(self.headers("ranged")["content-length"]), len(got_body))
                if body is not None:
                    self.assertEqual(got_body, body)

    def test_if_range_resumes_only_the_same_file(self):
        info = self.control.info()
        for same in (info["etag"], info["last_modified"]):
            self.assertEqual(self.ranged("bytes=100-", same)[0], 206)
        for other in ('"0123"', "W/" + info["etag"], "Thu, 01 Jan 2015 00:00:00 GMT"):
            status, body, content_range = self.ranged("bytes=100-", other)
            self.assertEqual((status, len(body), content_range), (200, SIZE, None))
        # ignore_ranges counts only the requests that ask for a range.
        self.control.set(ignore_ranges=1, times=1)
        self.get(INSTALLER)
        status, body, content_range = self.ranged("bytes=100-", info["etag"])
        self.assertEqual((status, len(body), content_range), (200, SIZE, None))
        self.assertEqual(self.ranged("bytes=100-", info["etag"])[0], 206)

    def test_file_changes_between_attempts(self):
        _, old, _ = self.get(INSTALLER, "old")
        old_validators = self.headers("old")
        self.control.set(change_after=1)
        self.assertEqual(self.ranged("bytes=1000-")[:2], (206, old[1000:]))
        new = self.alternate.read_bytes()
        members = json.loads(self.answer())
        self.assertEqual((members["size"], members["md5"]),
                         (ALT_SIZE, hashlib.md5(new).hexdigest().upper()))
        for stale in (old_validators["etag"], old_validators["last-modified"]):
            self.assertEqual(self.ranged("bytes=1000-", stale, "new")[:2], (200, new))
        new_validators = self.headers("new")
        for name in ("etag", "last-modified"):
            self.assertNotEqual(new_validators[name], old_validators[name])
        self.assertEqual(self.ranged("bytes=1000-", new_validators["etag"])[:2], (206, new[1000:]))
        self.control.reset()
        self.assertEqual(self.get(INSTALLER)[1], old)

    def test_wrong_start_is_told_truly_in_content_range(self):
        _, plain, _ = self.get(INSTALLER, "plain")
        self.control.set(wrong_start=-65536, times=1)
        self.assertEqual(self.ranged("bytes=100000-199999"),
                         (206, plain[34464:134464], f"bytes 34464-134463/{SIZE}"))
        self.control.set(wrong_start="zero", times=1)
        self.assertEqual(self.ranged("bytes=100000-"),
                         (206, plain[:200000], f"bytes 0-199999/{SIZE}"))
        self.assertEqual(self.ranged("bytes=100000-")[2], f"bytes 100000-{SIZE - 1}/{SIZE}")
        with self.assertRaises(RuntimeError):
            self.control.set(wrong_start="earlier")

    def test_installer_goes_compressed_only_where_the_client_accepts_it(self):
        _, plain, _ = self.get("/files/LumoSetup.exe", "plain")
        self.control.set(encoding="gzip")
        self.assertEqual(self.get("/files/LumoSetup.exe", "unasked")[1], plain)
        refused = ["Accept-Encoding: deflate, gzip;q=0"]
        self.assertEqual(self.get("/files/LumoSetup.exe", "refused", refused)[1], plain)
        status, packed, curl_exit = self.get("/files/LumoSetup.exe", "packed",
                                             ["Accept-Encoding: gzip, deflate"])
        self.assertEqual((status, curl_exit), (200, 0))
        self.assertEqual(gzip.decompress(packed), plain)
        headers = (self.work / "packed.headers").read_text().lower()
        self.assertIn("content-encoding: gzip", headers)
        self.assertIn(f"content-length: {len(packed)}", headers)
        self.control.set(encoding="deflate-always")
        status, forced, _ = self.get(INSTALLER, "forced", ["Range: bytes=1000-"])
        self.assertEqual(status, 200, "a compressed answer is always the whole file")
        self.assertEqual(zlib.decompress(forced, -zlib.MAX_WBITS), plain)
        entries = [e for e in self.control.log() if e["path"] == "/files/LumoSetup.exe"]
        self.assertEqual([e["encoding"] for e in entries], ["", "", "", "gzip", "deflate"])
        self.assertEqual(entries[3]["accept_encoding"], "gzip, deflate")
        with self.assertRaises(RuntimeError):
            self.control.set(encoding="brotli")

    def test_stalled_transfer_waits_for_release_and_can_go_on_differently(self):
        _, plain, _ = self.get("/files/LumoSetup.exe", "plain")
        self.control.set(stall_after=120000, times=1)
        curl = subprocess.Popen(self.ns.prefix() + ["curl", "-s", "-o", str(self.work / "stalled"),
                                                    BASE + "/files/LumoSetup.exe"])
        try:
            self.control.wait_for(lambda s: s["stalled"] == 1, timeout=20)
            self.assertIsNone(curl.poll())
            self.assertEqual(self.control.release(tail="different"), 1)
            self.assertEqual(curl.wait(timeout=30), 0)
        finally:
            if curl.poll() is None:
                curl.kill()
        stalled = (self.work / "stalled").read_bytes()
        self.assertEqual(len(stalled), SIZE)
        self.assertEqual(stalled[:120000], plain[:120000])
        self.assertTrue(all(a != b for a, b in zip(stalled[120000:], plain[120000:])))

    def test_silent_range_ends_when_its_client_leaves(self):
        self.control.set(stall_after=1000, times=1)
        curl = subprocess.Popen(self.ns.prefix() + ["curl", "-s", "-o", os.devnull, "-H",
                                                    "Range: bytes=5000-", BASE + INSTALLER])
        try:
            self.control.wait_for(lambda s: s["stalled"] == 1, timeout=20)
        finally:
            curl.kill()
            curl.wait()
        self.control.wait_for(lambda s: s["active"] == 0, timeout=20)
        [entry] = [e for e in self.control.log() if e["path"] == INSTALLER]
        self.assertEqual((entry["status"], entry["bytes"], entry["ended"]),
                         (206, 1000, "client_gone"))

    def test_slides_and_their_list(self):
        status, text, _ = self.get("/api/v1/get_interfaces_urls")
        addresses = text.decode().split(";")
        self.assertEqual(len(addresses), 3)
        self.control.set(slide_fail="1")
        statuses = [self.get(a[len(BASE):])[0] for a in addresses]
        self.assertEqual(statuses, [200, 404, 200])
        _, picture, _ = self.get("/slides/0.bmp")
        self.assertEqual(picture[:2], b"BM")
        self.control.set(list_trailing_semicolon=1, times=1)
        self.assertTrue(self.get("/api/v1/get_interfaces_urls")[1].endswith(b".bmp;"))

    def test_log_keeps_every_query_and_how_it_ended(self):
        self.get("/files/LumoSetup.exe?skq=-12345")
        self.control.set(close_after=10, times=1)
        self.get("/files/LumoSetup.exe?skq=7")
        etag = self.control.info()["etag"]
        self.ranged("bytes=100-199", etag)
        entries = [e for e in self.control.log() if e["path"] == "/files/LumoSetup.exe"]
        self.assertEqual([e["query"] for e in entries], ["skq=-12345", "skq=7", ""])
        self.assertEqual([e["ended"] for e in entries], ["complete", "closed_early", "complete"])
        self.assertEqual([(e["status"], e["bytes"]) for e in entries],
                         [(200, SIZE), (200, 10), (206, 100)])
        self.assertEqual([(e["range"], e["if_range"], e["content_range"]) for e in entries],
                         [("", "", ""), ("", "", ""),
                          ("bytes=100-199", etag, f"bytes 100-199/{SIZE}")])
        lines = (self.work / "requests.jsonl").read_text().splitlines()
        self.assertIn("skq=-12345", lines[-3] + lines[-2])
        self.assertEqual(json.loads(lines[-1]), entries[-1])

    def test_unknown_knob_is_refused(self):
        with self.assertRaises(RuntimeError):
            self.control.set(no_such_knob=1)

    def test_zz_terminates_cleanly_with_a_transfer_held(self):
        self.control.set(stall_after=1000)
        curl = subprocess.Popen(self.ns.prefix() + ["curl", "-s", "-o", os.devnull,
                                                    BASE + "/files/LumoSetup.exe"])
        try:
            self.control.wait_for(lambda s: s["stalled"] == 1, timeout=20)
            self.service.send_signal(signal.SIGTERM)
            self.assertEqual(self.service.wait(timeout=15), 0)
            self.assertFalse((self.work / "service.sock").exists())
            curl.wait(timeout=15)
        finally:
            if curl.poll() is None:
                curl.kill()


if __name__ == "__main__":
    if not netns.available():
        print("network namespaces need root here; skipped", file=sys.stderr)
        sys.exit(77)
    unittest.main(verbosity=2)
