"""A running Tidewell.exe under Wine, seen and operated through the test driver.

A Session owns one WineEnv (private prefix, display, network namespace, the bundled
Update service when asked for) and one twdrive.exe process that answers commands.
Pages are recognised the way a user recognises them: by the visible controls and the
status line."""
import glob
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from harness.env import WineEnv  # noqa: E402

BIN = Path(os.environ.get("TW_BIN", REPO / "build" / "windows64" / "bin"))
OUT = Path(os.environ.get("TW_OUT", REPO / "build" / "windows64" / "test-output"))

# Control ids.
CLOSE, INSTALL, AGREE_CHECK, CHANGE_FOLDER, CANCEL = 101, 102, 103, 104, 105
FINISH, TENCENT, SINA, CLEANUP_CHECK, BANNER = 106, 107, 108, 109, 110
AGREEMENT_LINK, FOLDER_LABEL, MINIMIZE, PROGRESS = 111, 112, 114, 10000

# The visible controls of every page; the download and verify pages look alike, and so
# do the install and removal pages: the status line tells those apart.
PAGE_CONTROLS = {
    "agree": {CLOSE, INSTALL, AGREE_CHECK, AGREEMENT_LINK, CHANGE_FOLDER, FOLDER_LABEL, MINIMIZE},
    "download": {CLOSE, CANCEL, PROGRESS, MINIMIZE},
    "offline": {CLOSE, PROGRESS, BANNER, MINIMIZE},
    "install": {CLOSE, PROGRESS, MINIMIZE},
    "done": {CLOSE, FINISH, TENCENT, SINA, MINIMIZE},
}

DOWNLOADED = ["已下载：%d%%" % n for n in range(101)]
INSTALLED = ["已安装：%d%%" % n for n in range(100)]
REMOVING = "正在卸载老版工作台,请勿关闭!"
PAUSED = "下载暂停"


class DriverError(RuntimeError):
    pass


class Session:
    def __init__(self, service_args=None, netns=True, name="session"):
        self.service_args = service_args
        self.netns = netns
        self.name = name
        self.pid = None
        self.env = None

    # -- lifetime ---------------------------------------------------------------
    def __enter__(self):
        os.environ.setdefault("TW_OUT", str(OUT))  # Y: in the prefix
        self.env = WineEnv(arch=os.environ.get("TW_ARCH", "win64"), netns_wanted=self.netns,
                           service_args=self.service_args)
        self.env.__enter__()
        try:
            self.driver = self.env.popen(BIN / "tools" / "twdrive.exe", stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            self.call("processes")
            self.appdata = self._find_appdata()
            self.program_dir = self.env.prefix / "drive_c" / "Program Files" / "Tidewell"
            self.program_dir.mkdir(parents=True, exist_ok=True)
            shutil.copy(BIN / "Tidewell.exe", self.program_dir / "Tidewell.exe")
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        try:
            if getattr(self, "driver", None) and self.driver.poll() is None:
                try:
                    self.driver.stdin.write(b"quit\n")
                    self.driver.stdin.flush()
                    self.driver.wait(timeout=10)
                except (OSError, subprocess.TimeoutExpired):
                    self.driver.kill()
        finally:
            self.env.__exit__(*exc)

    def _find_appdata(self):
        users = glob.glob(str(self.env.prefix / "drive_c" / "users" / "*" / "AppData" / "Roaming"))
        users = [u for u in users if "/Public/" not in u]
        if not users:
            raise RuntimeError("no Application Data folder in the prefix")
        return Path(users[0])

    # -- the driver -------------------------------------------------------------
    def call(self, *args, timeout=30):
        line = "\t".join(str(a) for a in args) + "\n"
        self.driver.stdin.write(line.encode("utf-8"))
        self.driver.stdin.flush()
        answer = self.driver.stdout.readline()
        if not answer:
            raise DriverError(f"the driver ended while answering {args[0]}")
        return json.loads(answer.decode("utf-8"))

    def launch(self, program=None, arguments=""):
        program = program or self.program_dir / "Tidewell.exe"
        command = f'"{self.env.windows_path(program)}"' + (f" {arguments}" if arguments else "")
        reply = self.call("launch", command)
        if not reply["ok"]:
            raise DriverError(f"launch failed: {reply}")
        return reply["pid"]

    def start(self):
        """Starts Tidewell.exe and waits until its window shows its first page."""
        self.pid = self.launch()
        self.wait_for(lambda: self.main().get("visible") and self.children(), 60,
                      "the window and its controls")
        return self.pid

    def exit_code(self, pid=None, wait_ms=0):
        reply = self.call("exitcode", pid or self.pid, wait_ms)
        return None if reply["running"] else reply["code"]

    def wait_exit(self, pid=None, timeout=30):
        return self.wait_for(lambda: self.exit_code(pid, 200), timeout, "the program's exit",
                             accept=lambda v: v is not None)

    # -- what the user sees --------------------------------------------------------
    def main(self):
        return self.call("main")

    def children(self):
        return [c for c in self.call("children")["children"] if c["direct"]]

    def visible_ids(self):
        return {c["id"] for c in self.children() if c["visible"]}

    def page(self):
        """The page the visible controls show (None before the window exists)."""
        if not self.main()["hwnd"]:
            return None
        shown = self.visible_ids()
        for name, controls in PAGE_CONTROLS.items():
            if shown == controls:
                return name
        return "unknown:" + ",".join(map(str, sorted(shown)))

    def status(self, candidates):
        reply = self.call("status", *candidates)
        return reply.get("match"), reply

    def downloaded_percent(self):
        match, _ = self.status(DOWNLOADED)
        return int(match[4:-1]) if match else None

    def installed_percent(self):
        match, _ = self.status(INSTALLED)
        return int(match[4:-1]) if match else None

    def progress(self):
        return self.call("progress")["pos"]

    def boxes(self):
        return self.call("boxes")["boxes"]

    def wait_box(self, timeout=30):
        return self.wait_for(lambda: self.boxes(), timeout, "a message box")[0]

    def press(self, button):
        reply = self.call("press", button)
        if not reply["ok"]:
            raise DriverError(f"press {button}: {reply}")

    def click(self, control_id):
        reply = self.call("click", control_id)
        if not reply["ok"]:
            raise DriverError(f"click {control_id}: {reply}")

    def capture(self, name):
        OUT.mkdir(parents=True, exist_ok=True)
        target = OUT / "screenshots" / f"{name}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        reply = self.call("capture", "Y:\\screenshots\\" + f"{name}.png")
        if not reply["ok"]:
            raise DriverError(f"capture {name} failed")
        return target

    # -- waiting ---------------------------------------------------------------------
    def wait_for(self, probe, timeout, what, accept=bool, interval=0.1):
        deadline = time.monotonic() + timeout
        value = None
        while time.monotonic() < deadline:
            value = probe()
            if accept(value):
                return value
            time.sleep(interval)
        raise AssertionError(f"timed out after {timeout}s waiting for {what}; last: {value!r}")
