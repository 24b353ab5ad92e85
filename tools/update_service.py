#!/usr/bin/env python3
"""The bundled Update service: a small stand-in for the maker's service, for the demo
and for every network test. Python 3 standard library only.

    update_service.py [--host 127.0.0.1] [--port 18765] [--log FILE]
                      [--control-socket PATH] [--installer PATH | --installer-size N]
                      [--slides FILE... | --slide-count N]

What it serves:
  GET /api/v1/install_url          {"url":"http://HOST/files/LumoSetup.exe","size":N,"md5":"HEX"}
  GET /api/v1/get_interfaces_urls  slide addresses separated by ";"
  GET /files/<anything>.exe        the installer (Content-Length set, so progress has a total)
  GET /slides/<i>.bmp              the slide pictures
  GET /_control/<command>?k=v...   the control commands below, answered with JSON

The same control commands arrive over the Unix socket named by --control-socket, one
JSON object a line ({"cmd": "set", "args": {...}}), answered with one JSON line, so a
test outside the service's network namespace can drive it (tools/service_control.py).

Commands: set (knobs, optional times=N: the faults apply to the next N matching
requests only; settings such as installer_size stay until reset), reset, release
(stalled transfers go on; tail=different sends the rest as other bytes), status, info,
log (path=P: only the requests for P), clear_log.

Fault knobs (see KNOBS): throttle, close_after, stall_after, file_status (installer);
slide_fail, slide_throttle, slide_status (slides); md5=wrong|none|lower, trailing
(a line end after the closing brace), answer_status, answer_long, answer_raw
(install answer); list_status, list_raw, list_trailing_semicolon (image list);
error_body (the body sent with any error status). Settings: installer_size,
installer_path, slide_count.

Every request is logged as one JSON line (method, path, raw query, time, status,
bytes sent, how it ended) to --log and kept in memory for the log command."""
import argparse
import hashlib
import json
import os
import signal
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, urlsplit

CHUNK = 64 * 1024
BLOCK = 1 << 20

# Knob name -> the kind of request it applies to.
KNOBS = {
    "throttle": "installer", "close_after": "installer", "stall_after": "installer",
    "file_status": "installer",
    "slide_fail": "slide", "slide_throttle": "slide", "slide_status": "slide",
    "md5": "answer", "trailing": "answer", "answer_status": "answer",
    "answer_long": "answer", "answer_raw": "answer",
    "list_status": "list", "list_raw": "list", "list_trailing_semicolon": "list",
    "error_body": "any",
}
SETTINGS = ("installer_size", "installer_path", "slide_count")


# -- content -------------------------------------------------------------------------
class GeneratedInstaller:
    """Deterministic bytes of a given size: the same size always gives the same file,
    different sizes give different files."""

    def __init__(self, size):
        self.size = size
        seed = hashlib.sha256(b"tidewell-installer").digest()
        blocks, value = [], seed
        for _ in range(BLOCK // len(seed)):
            value = hashlib.sha256(value).digest()
            blocks.append(value)
        self.base = b"".join(blocks)
        self._md5 = None

    def read(self, offset, length, different=False):
        out = bytearray()
        while length > 0 and offset < self.size:
            block, within = divmod(offset, BLOCK)
            take = min(length, BLOCK - within, self.size - offset)
            key = (block + self.size) & 0xFF
            if different:
                key ^= 0xFF
            out += self.base[within:within + take].translate(XOR_TABLES[key])
            offset += take
            length -= take
        return bytes(out)

    def md5(self):
        if self._md5 is None:
            digest = hashlib.md5()
            for offset in range(0, self.size, BLOCK):
                digest.update(self.read(offset, BLOCK))
            self._md5 = digest.hexdigest()
        return self._md5


class FileInstaller:
    def __init__(self, path):
        self.path = path
        self.size = os.path.getsize(path)
        digest = hashlib.md5()
        with open(path, "rb") as source:
            for block in iter(lambda: source.read(BLOCK), b""):
                digest.update(block)
        self._md5 = digest.hexdigest()

    def read(self, offset, length, different=False):
        with open(self.path, "rb") as source:
            source.seek(offset)
            data = source.read(max(0, min(length, self.size - offset)))
        return data.translate(XOR_TABLES[0xFF]) if different else data

    def md5(self):
        return self._md5


XOR_TABLES = [bytes(i ^ key for i in range(256)) for key in range(256)]


def make_bmp(index, width=570, height=240):
    """A 24-bit bottom-up BMP of one colour per index, with a darker band whose height
    tells the pictures apart even in grey."""
    palette = [(0x2E, 0x86, 0xC1), (0xE6, 0x7E, 0x22), (0x27, 0xAE, 0x60),
               (0x8E, 0x44, 0xAD), (0xC0, 0x39, 0x2B), (0x16, 0xA0, 0x85)]
    red, green, blue = palette[index % len(palette)]
    shade = (index // len(palette)) * 17 % 128
    red, green, blue = (max(0, c - shade) for c in (red, green, blue))
    stride = (width * 3 + 3) & ~3
    pad = b"\0" * (stride - width * 3)
    light = bytes((blue, green, red)) * width + pad
    dark = bytes((blue // 2, green // 2, red // 2)) * width + pad
    band = 20 + 10 * (index % 8)
    rows = [dark if row < band else light for row in range(height)]
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    return header + info + pixels


# -- state shared by the request threads ------------------------------------------------
class ServiceState:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.knobs = {}  # name -> [value, remaining or None]
        self.stalls = set()  # threading.Event of each stalled transfer
        self.release_tail = {}  # event -> "same" | "different"
        self.active = 0
        self.entries = []
        self.log_file = open(args.log, "a", buffering=1) if args.log else None
        self.stopping = threading.Event()
        self.installers = {}
        self.slide_files = [open(p, "rb").read() for p in (args.slides or [])]
        self.slide_cache = {}
        self._apply_defaults()

    def _apply_defaults(self):
        self.installer_size = self.args.installer_size
        self.installer_path = "/files/LumoSetup.exe"
        self.slide_count = len(self.slide_files) if self.slide_files else self.args.slide_count

    # content
    def installer(self):
        with self.lock:
            size = self.installer_size
        if self.args.installer and size is None:
            key = ("file", self.args.installer)
            factory = lambda: FileInstaller(self.args.installer)  # noqa: E731
        else:
            size = size if size is not None else 8 * BLOCK
            key = ("generated", size)
            factory = lambda: GeneratedInstaller(size)  # noqa: E731
        with self.lock:
            if key not in self.installers:
                self.installers[key] = factory()
            return self.installers[key]

    def slide(self, index):
        if index < 0 or index >= self.slide_count:
            return None
        if index < len(self.slide_files):
            return self.slide_files[index]
        with self.lock:
            if index not in self.slide_cache:
                self.slide_cache[index] = make_bmp(index)
            return self.slide_cache[index]

    # knobs
    def take(self, kind, slide_index=None):
        """The knobs that apply to this request; each use counts against its times."""
        taken = {}
        with self.lock:
            for name, entry in list(self.knobs.items()):
                if KNOBS[name] not in (kind, "any"):
                    continue
                if name == "slide_fail":
                    wanted = {int(v) for v in str(entry[0]).split(",") if v.strip()}
                    if slide_index not in wanted:
                        continue
                taken[name] = entry[0]
                if entry[1] is not None:
                    entry[1] -= 1
                    if entry[1] <= 0:
                        del self.knobs[name]
        return taken

    # commands
    def command(self, name, args):
        args = dict(args)
        if name == "set":
            times = args.pop("times", None)
            times = int(times) if times not in (None, "") else None
            unknown = [k for k in args if k not in KNOBS and k not in SETTINGS]
            if unknown:
                return {"ok": False, "error": f"unknown knob {unknown[0]}"}
            with self.lock:
                for key, value in args.items():
                    if key == "installer_size":
                        self.installer_size = int(value)
                    elif key == "installer_path":
                        self.installer_path = str(value)
                    elif key == "slide_count":
                        self.slide_count = int(value)
                    else:
                        self.knobs[key] = [value, times]
            return {"ok": True}
        if name == "reset":
            with self.lock:
                self.knobs.clear()
                self._apply_defaults()
            self.release("same")
            return {"ok": True}
        if name == "release":
            return {"ok": True, "released": self.release(args.get("tail", "same"))}
        if name == "status":
            with self.lock:
                return {"ok": True, "active": self.active, "stalled": len(self.stalls),
                        "knobs": {k: v[0] for k, v in self.knobs.items()},
                        "requests": len(self.entries)}
        if name == "info":
            installer = self.installer()
            return {"ok": True, "size": installer.size, "md5": installer.md5().upper(),
                    "installer_path": self.installer_path, "slide_count": self.slide_count}
        if name == "log":
            path = args.get("path")
            with self.lock:
                entries = [e for e in self.entries if path is None or e["path"] == path]
            return {"ok": True, "entries": entries}
        if name == "clear_log":
            with self.lock:
                self.entries.clear()
            return {"ok": True}
        return {"ok": False, "error": f"unknown command {name}"}

    def release(self, tail):
        with self.lock:
            stalls = list(self.stalls)
            for event in stalls:
                self.release_tail[event] = tail
        for event in stalls:
            event.set()
        return len(stalls)

    def record(self, entry):
        line = json.dumps(entry, ensure_ascii=False)
        with self.lock:
            self.entries.append(entry)
            if self.log_file:
                self.log_file.write(line + "\n")


# -- HTTP ----------------------------------------------------------------------------
class Handler(BaseHTTPRequestHandler):
    server_version = "TidewellUpdate/1.0"
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):  # the JSON log replaces the default stderr log
        pass

    @property
    def state(self):
        return self.server.state

    def do_GET(self):
        started = time.time()
        parts = urlsplit(self.path)
        self.sent = 0
        self.status = 0
        self.ended = "complete"
        with self.state.lock:
            self.state.active += 1
        try:
            self.route(parts.path, parts.query)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.ended = "client_gone"
        except Exception as error:  # never let one request take the service down
            self.ended = f"error: {error!r}"
        finally:
            with self.state.lock:
                self.state.active -= 1
            self.state.record({"time": started, "method": "GET", "path": parts.path,
                               "query": parts.query, "status": self.status,
                               "bytes": self.sent, "ended": self.ended,
                               "duration": round(time.time() - started, 3)})

    def do_HEAD(self):
        self.status = 405
        self.send_response(405)
        self.end_headers()

    def base(self):
        host = self.headers.get("Host") or f"{self.server.server_address[0]}:{self.server.server_address[1]}"
        return f"http://{host}"

    def route(self, path, query):
        if path.startswith("/_control/"):
            reply = self.state.command(path[len("/_control/"):], parse_qsl(query, keep_blank_values=True))
            self.send_text(200 if reply.get("ok") else 400, json.dumps(reply), "application/json")
        elif path == "/api/v1/install_url":
            self.install_answer()
        elif path == "/api/v1/get_interfaces_urls":
            self.image_list()
        elif path.startswith("/files/") and path.endswith(".exe"):
            self.installer_file()
        elif path.startswith("/slides/") and path.endswith(".bmp"):
            self.slide_file(path[len("/slides/"):-len(".bmp")])
        else:
            self.send_text(404, "<html><body>404 Not Found</body></html>")

    def error_status(self, knobs, key):
        value = knobs.get(key)
        if value in (None, "", "0"):
            return False
        body = knobs.get("error_body", f"<html><body>Error {value}</body></html>")
        self.send_text(int(value), body)
        return True

    def install_answer(self):
        knobs = self.state.take("answer")
        if self.error_status(knobs, "answer_status"):
            return
        installer = self.state.installer()
        if "answer_raw" in knobs:
            self.send_text(200, knobs["answer_raw"].replace("{base}", self.base()))
            return
        digest = installer.md5().upper()
        mode = knobs.get("md5", "")
        if mode == "wrong":
            digest = hashlib.md5(b"not the installer").hexdigest().upper()
        elif mode == "lower":
            digest = digest.lower()
        members = [("url", self.base() + self.state.installer_path), ("size", installer.size)]
        if "answer_long" in knobs:
            target = max(int(knobs["answer_long"] or 0), 1100)
            members.append(("notes", "x" * target))
        if mode != "none":
            members.append(("md5", digest))
        text = "{" + ",".join(f"{json.dumps(k)}:{json.dumps(v)}" for k, v in members) + "}"
        trailing = knobs.get("trailing")
        if trailing:
            text += {"crlf": "\r\n", "space": " "}.get(trailing, "\n")
        self.send_text(200, text, "application/json")

    def image_list(self):
        knobs = self.state.take("list")
        if self.error_status(knobs, "list_status"):
            return
        if "list_raw" in knobs:
            self.send_text(200, knobs["list_raw"].replace("{base}", self.base()))
            return
        text = ";".join(f"{self.base()}/slides/{i}.bmp" for i in range(self.state.slide_count))
        if knobs.get("list_trailing_semicolon") not in (None, "", "0"):
            text += ";"
        self.send_text(200, text)

    def installer_file(self):
        knobs = self.state.take("installer")
        if self.error_status(knobs, "file_status"):
            return
        installer = self.state.installer()
        self.send_stream(installer, "application/octet-stream", knobs.get("throttle"),
                         knobs.get("close_after"), knobs.get("stall_after"))

    def slide_file(self, name):
        try:
            index = int(name)
        except ValueError:
            index = -1
        knobs = self.state.take("slide", index)
        if "slide_fail" in knobs:
            body = knobs.get("error_body", "<html><body>404 Not Found</body></html>")
            self.send_text(404, body)
            return
        if self.error_status(knobs, "slide_status"):
            return
        data = self.state.slide(index)
        if data is None:
            self.send_text(404, "<html><body>404 Not Found</body></html>")
            return
        self.send_stream(BytesSource(data), "image/bmp", knobs.get("slide_throttle"))

    # -- writing -----------------------------------------------------------------------
    def send_text(self, status, text, content_type="text/plain; charset=utf-8"):
        body = text.encode("utf-8") if isinstance(text, str) else text
        self.status = status
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        self.wfile.write(body)
        self.sent += len(body)

    def send_stream(self, source, content_type, throttle=None, close_after=None, stall_after=None):
        total = source.size
        rate = int(throttle) if throttle not in (None, "", "0") else 0
        close_at = int(close_after) if close_after not in (None, "") else None
        stall_at = int(stall_after) if stall_after not in (None, "") else None
        self.status = 200
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(total))
        self.end_headers()
        self.wfile.flush()
        started = time.monotonic()
        offset, different = 0, False
        while offset < total:
            if self.state.stopping.is_set():
                self.ended = "service_stopped"
                return
            if close_at is not None and offset >= close_at:
                self.ended = "closed_early"
                self.close_now()
                return
            if stall_at is not None and offset >= stall_at:
                stall_at = None
                tail = self.stall()
                if tail is None:
                    return
                different = tail == "different"
            step = CHUNK if not rate else max(1, min(CHUNK, rate // 20))
            for limit in (close_at, stall_at):
                if limit is not None and limit > offset:
                    step = min(step, limit - offset)
            data = source.read(offset, min(step, total - offset), different)
            if not data:
                break
            if rate:
                due = started + (offset + len(data)) / rate
                delay = due - time.monotonic()
                if delay > 0 and self.state.stopping.wait(delay):
                    self.ended = "service_stopped"
                    return
            self.wfile.write(data)
            offset += len(data)
            self.sent += len(data)
        self.wfile.flush()
        if different:
            self.ended = "complete_different_tail"

    def stall(self):
        """Keeps the connection open and silent until released; the tail to send after."""
        self.wfile.flush()
        event = threading.Event()
        with self.state.lock:
            self.state.stalls.add(event)
        self.ended = "stalled"
        while not event.wait(0.2):
            if self.state.stopping.is_set():
                break
        with self.state.lock:
            self.state.stalls.discard(event)
            tail = self.state.release_tail.pop(event, None)
        if self.state.stopping.is_set():
            self.ended = "service_stopped"
            return None
        self.ended = "complete"
        return tail or "same"

    def close_now(self):
        self.wfile.flush()
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.close_connection = True


class BytesSource:
    def __init__(self, data):
        self.data = data
        self.size = len(data)

    def read(self, offset, length, different=False):
        data = self.data[offset:offset + length]
        return data.translate(XOR_TABLES[0xFF]) if different else data


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def handle_error(self, request, client_address):  # a vanished client is no news
        pass


# -- the Unix control socket ------------------------------------------------------------
def serve_control_socket(path, state):
    if os.path.exists(path):
        os.unlink(path)
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(16)
    listener.settimeout(0.2)

    def serve_one(conn):
        with conn, conn.makefile("rwb") as stream:
            for line in stream:
                try:
                    request = json.loads(line)
                    reply = state.command(request.get("cmd", ""), request.get("args") or {})
                except Exception as error:  # a bad line gets an answer, not a crash
                    reply = {"ok": False, "error": repr(error)}
                stream.write((json.dumps(reply) + "\n").encode())
                stream.flush()

    def loop():
        while not state.stopping.is_set():
            try:
                conn, _ = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                break
            conn.settimeout(None)
            threading.Thread(target=serve_one, args=(conn,), daemon=True).start()
        listener.close()

    thread = threading.Thread(target=loop, daemon=True)
    thread.start()
    return thread


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=18765)
    parser.add_argument("--log")
    parser.add_argument("--control-socket")
    parser.add_argument("--installer", help="serve this file as the installer")
    parser.add_argument("--installer-size", type=int,
                        help="serve generated bytes of this size (default 8 MiB)")
    parser.add_argument("--slides", nargs="*", help="BMP files to serve as the slides")
    parser.add_argument("--slide-count", type=int, default=3,
                        help="number of generated slide pictures")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    state = ServiceState(args)
    state.installer().md5()  # the first answer should not wait for the digest
    server = Server((args.host, args.port), Handler)
    server.state = state
    control = serve_control_socket(args.control_socket, state) if args.control_socket else None

    stop = threading.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, lambda *_: stop.set())
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                               daemon=True)
    serving.start()
    print(f"update service on http://{args.host}:{args.port}", flush=True)
    while not stop.wait(0.5):
        if not serving.is_alive():
            break
    state.stopping.set()
    state.release("same")
    server.shutdown()
    server.server_close()
    if control:
        control.join(timeout=2)
    if args.control_socket and os.path.exists(args.control_socket):
        os.unlink(args.control_socket)
    if state.log_file:
        state.log_file.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
