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
from service_control import ServiceControl  # noqa: E402

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

# Virtual-key codes of the keys the wizard takes.
VK_TAB, VK_RETURN, VK_ESCAPE, VK_SPACE = 0x09, 0x0D, 0x1B, 0x20

# The skin's pictures, as the program's resources carry them.
PICTURES = REPO / "res" / "pictures"

DOWNLOADED = ["已下载：%d%%" % n for n in range(101)]
INSTALLED = ["已安装：%d%%" % n for n in range(100)]
REMOVING = "正在卸载老版工作台,请勿关闭!"
CANCEL_QUESTION = ("您确定要取消吗！", "警告")


def bmp_region(path, x, y, width, height):
    """Rows of (r, g, b) of a 24-bit BMP's area, top row first."""
    return [[bmp_pixel(path, x + dx, y + dy) for dx in range(width)] for dy in range(height)]


class DriverError(RuntimeError):
    pass


STANDINS = BIN / "standins"
# The stand-in installer as the maker ships the real one: signed by the publisher this
# build pins (tools/signing/). standin_installer.exe is the same program unsigned.
INSTALLER_STANDIN = STANDINS / "standin_installer_signed.exe"
# A new build of it, signed by the same publisher, in other bytes: what the service
# serves once its change_after has counted (Session's installer_alt).
INSTALLER_ALT_STANDIN = STANDINS / "standin_installer_signed_alt.exe"
UNINSTALLER_STANDIN = STANDINS / "standin_uninstaller.exe"
IDLE_STANDIN = STANDINS / "standin_idle.exe"
SCANNER_STANDIN = STANDINS / "standin_scanner.exe"
SLIDES = sorted((REPO / "tools" / "service" / "slides").glob("*.bmp"))

OLD_EDITION_KEY = ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                   "{5B1E2C7A-94D3-4F08-A6C1-3D72E9B40F15}_is1")
PRODUCT_KEY = "Software\\Halvesta\\LMD"

OLD_SUITE = ["LMDBoot.exe", "PkgKeeper.exe", "LMDHover.exe", "LMDMend32.exe", "LMDMend64.exe",
             "LMDRenew.exe", "KitMedic.exe", "KitEnrol.exe", "VolScan.exe", "ItemFacts.exe",
             "PkgAide.exe", "DocSentry.exe", "LMDSky.exe", "QtyNorms.exe", "WandSeek.exe",
             "LMD.exe"]


def bmp_pixel(path, x, y):
    """(r, g, b) of a 24-bit BMP at (x, y) from the top-left."""
    data = Path(path).read_bytes()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    row = (width * 3 + 3) // 4 * 4
    line = (height - 1 - y) if height > 0 else y
    at = offset + line * row + x * 3
    b, g, r = data[at], data[at + 1], data[at + 2]
    return (r, g, b)


class Session:
    """service: start the bundled Update service serving the stand-in installer and
    the three demo slides (extra arguments in service_args); installer_alt: the file
    the service changes to on change_after (e.g. INSTALLER_ALT_STANDIN); program_env:
    environment for Tidewell.exe and the programs it starts (the stand-ins' knobs); dpi:
    the display's DPI, set before any program starts (None: Wine's 96)."""

    def __init__(self, service=True, service_args=(), netns=True, program_env=None,
                 installer_ms=1500, name="session", installer_alt=None, dpi=None):
        self.service_args = None
        if service:
            alternate = ["--installer-alt", str(installer_alt)] if installer_alt else []
            self.service_args = ["--installer", str(INSTALLER_STANDIN), *alternate,
                                 "--slides", *map(str, SLIDES), *service_args]
        self.netns = netns
        self.program_env = dict(program_env or {})
        self.program_env.setdefault("TW_STANDIN_INSTALL_MS", str(installer_ms))
        self.name = name
        self.dpi = dpi
        self.pid = None
        self.env = None
        self.control = None

    # -- lifetime ---------------------------------------------------------------
    def __enter__(self):
        os.environ.setdefault("TW_OUT", str(OUT))  # Y: in the prefix
        self.env = WineEnv(arch=os.environ.get("TW_ARCH", "win64"), netns_wanted=self.netns,
                           service_args=self.service_args, dpi=self.dpi)
        self.env.__enter__()
        try:
            drive_c = self.env.prefix / "drive_c"
            self.record_file = drive_c / "standin-record.txt"
            self.url_file = drive_c / "opened-urls.txt"
            self.env.env.update(self.program_env)
            self.env.env["TW_STANDIN_RECORD"] = "C:\\standin-record.txt"
            self.env.env["TW_URL_RECORD"] = "C:\\opened-urls.txt"
            if self.service_args is not None:
                self.control = ServiceControl(self.env.service_socket)
            self._start_driver()
            self.appdata = self._find_appdata()
            self.program_dir = self.env.prefix / "drive_c" / "Program Files" / "Tidewell"
            self.program_dir.mkdir(parents=True, exist_ok=True)
            shutil.copy(BIN / "Tidewell.exe", self.program_dir / "Tidewell.exe")
            self._install_browser(drive_c)
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

    def _install_browser(self, drive_c):
        """The test prefix's browser records the addresses it is asked to open."""
        tools = drive_c / "tools"
        tools.mkdir(exist_ok=True)
        shutil.copy(BIN / "tools" / "urlrecord.exe", tools / "urlrecord.exe")
        for protocol in ("http", "https"):
            self.call("regset", "HKLM", f"Software\\Classes\\{protocol}\\shell\\open\\command",
                      "", "sz", '"C:\\tools\\urlrecord.exe" %1')

    def opened_urls(self):
        if not self.url_file.exists():
            return []
        return [line.strip() for line in self.url_file.read_text("utf-8").splitlines() if line]

    def records(self):
        """The stand-ins' start records: (role, pid, show, module, arguments)."""
        if not self.record_file.exists():
            return []
        rows = []
        for line in self.record_file.read_text("utf-8", errors="replace").splitlines():
            parts = line.split("\t")
            if len(parts) >= 5:
                rows.append(tuple(parts[:4]) + ("\t".join(parts[4:]),))
        return rows

    # -- machine state ---------------------------------------------------------------
    def register_old_edition(self, uninstall_string=None):
        """Puts the stand-in uninstaller where the old edition's would be and registers it."""
        folder = self.env.prefix / "drive_c" / "Program Files (x86)" / "LumoOld"
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy(UNINSTALLER_STANDIN, folder / "unins000.exe")
        if uninstall_string is None:
            uninstall_string = '"C:\\Program Files (x86)\\LumoOld\\unins000.exe"'
        self.call("regset", "HKLM", OLD_EDITION_KEY, "UninstallString", "sz", uninstall_string,
                  "32")
        return uninstall_string

    def old_edition_registered(self):
        return self.call("regget", "HKLM", OLD_EDITION_KEY, "UninstallString", "32").get(
            "exists", False)

    def start_old_suite(self, names):
        """Starts idle stand-ins under the given file names; returns their pids."""
        folder = self.env.prefix / "drive_c" / "Program Files (x86)" / "LumoOld" / "bin"
        folder.mkdir(parents=True, exist_ok=True)
        pids = []
        for index, name in enumerate(names):
            sub = folder / str(index)
            sub.mkdir(exist_ok=True)
            shutil.copy(IDLE_STANDIN, sub / name)
            pids.append(self.launch(sub / name))
        return pids

    def start_scanner(self, folder):
        """A resident scanner on `folder` (see tools/standins/README.md): returns once it
        watches."""
        program = self.env.prefix / "drive_c" / "tools" / "scanner.exe"
        shutil.copy(SCANNER_STANDIN, program)
        self.launch(program, f'"{self.env.windows_path(folder)}"')
        self.wait_for(lambda: any(r[0] == "scanner" for r in self.records()), 30,
                      "the scanner to watch")

    def scans(self):
        """The scanner's scans: (outcome, Windows path) for each file it opened or tried."""
        return [(r[2], r[3]) for r in self.records() if r[0] == "scan"]

    def running(self, names):
        """Names from `names` that have a running process, with their counts."""
        wanted = {n.lower() for n in names}
        counts = {}
        for process in self.call("processes")["processes"]:
            if process["name"].lower() in wanted:
                counts[process["name"]] = counts.get(process["name"], 0) + 1
        return counts

    def set_install_path(self, folder):
        self.call("regset", "HKCU", PRODUCT_KEY, "InstallPath", "sz", folder)

    def working_files_gone(self):
        return (not (self.appdata / "TidewellInstall.exe").exists()
                and not (self.appdata / "Image").exists())

    def requests(self, path):
        """Requests for `path` the service has finished answering (a transfer is
        logged when it ends)."""
        return [e for e in self.control.log() if e["path"] == path]

    def installer_requests(self):
        return [e for e in self.control.log() if e["path"].endswith(".exe")]

    def attempts(self):
        """The installer requests of each download attempt, in order (an attempt asks for
        the installer's address first, then for the file, in one request or in ranges)."""
        attempts = []
        for entry in sorted(self.control.log(), key=lambda e: e["time"]):
            if entry["path"] == "/api/v1/install_url":
                attempts.append([])
            elif entry["path"].endswith(".exe") and attempts:
                attempts[-1].append(entry)
        return [attempt for attempt in attempts if attempt]

    def address_requests(self):
        """Each download attempt begins by asking for the installer's address."""
        return self.requests("/api/v1/install_url")

    # A point of the picture area that no slide writes on.
    SLIDE_PROBE = (540, 215)

    def slide_colour(self, index=0):
        return bmp_pixel(self.appdata / "Image" / f"{index}.bmp", *self.SLIDE_PROBE)

    def picture_colour(self):
        return self.pixel(*self.SLIDE_PROBE)

    def pixel(self, x, y):
        reply = self.call("pixel", x, y)
        return (reply["r"], reply["g"], reply["b"])

    def temp_folder(self):
        """The prefix's temporary folder (%TEMP%), where the support log is."""
        users = self.env.prefix / "drive_c" / "users"
        folders = [Path(f) for pattern in ("*/Temp", "*/AppData/Local/Temp")
                   for f in glob.glob(str(users / pattern)) if "/Public/" not in f]
        if not folders:
            raise RuntimeError("no temporary folder in the prefix")
        return folders[0]

    def support_log(self):
        """The support log's text ("" while there is none)."""
        path = self.temp_folder() / "Tidewell.log"
        return path.read_text("utf-8") if path.exists() else ""

    def replay_support_log(self):
        """Feeds the support log back through the wizard's decisions (logreplay.exe):
        (exit status, what it printed); 0 when every recorded action is reproduced."""
        log = self.temp_folder() / "Tidewell.log"
        done = self.env.run(BIN / "tools" / "logreplay.exe", self.env.windows_path(log),
                            capture_output=True, timeout=120)
        return done.returncode, done.stdout.decode("utf-8", "replace").strip()

    def _find_appdata(self):
        users = glob.glob(str(self.env.prefix / "drive_c" / "users" / "*" / "AppData" / "Roaming"))
        users = [u for u in users if "/Public/" not in u]
        if not users:
            raise RuntimeError("no Application Data folder in the prefix")
        return Path(users[0])

    # -- the driver -------------------------------------------------------------
    DRIVER_ATTEMPTS = 3

    def _start_driver(self):
        """Starts twdrive.exe and waits for its first answer. A driver that ends before
        that answer has done nothing yet (seen rarely, on a loaded machine); it says
        nothing about the program under test, so the driver is started again, a bounded
        number of times, and each retry is reported with what Wine printed."""
        # Wine's own complaints (about the driver and everything it starts) land here.
        self.driver_log = self.env.work / "driver-stderr.log"
        for attempt in range(1, self.DRIVER_ATTEMPTS + 1):
            with open(self.driver_log, "ab") as log:
                self.driver = self.env.popen(BIN / "tools" / "twdrive.exe",
                                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                             stderr=log)
            try:
                self.call("processes")
                return
            except DriverError as error:
                self.driver.kill()
                self.driver.wait(timeout=10)
                if attempt == self.DRIVER_ATTEMPTS:
                    raise
                print(f"note: driver start {attempt} failed: {error}", file=sys.stderr)

    def call(self, *args, timeout=30):
        line = "\t".join(str(a) for a in args) + "\n"
        self.driver.stdin.write(line.encode("utf-8"))
        self.driver.stdin.flush()
        answer = self.driver.stdout.readline()
        if not answer:
            raise DriverError(f"the driver ended while answering {args[0]}; Wine said: "
                              f"{self.driver_log_tail()}")
        return json.loads(answer.decode("utf-8"))

    def launch(self, program=None, arguments=""):
        program = program or self.program_dir / "Tidewell.exe"
        command = f'"{self.env.windows_path(program)}"' + (f" {arguments}" if arguments else "")
        reply = self.call("launch", command)
        if not reply["ok"]:
            raise DriverError(f"launch failed: {reply}; Wine said: {self.driver_log_tail()}")
        if reply.get("attempts", 1) > 1:
            print(f"note: {command} started on attempt {reply['attempts']}; Wine said: "
                  f"{self.driver_log_tail()}", file=sys.stderr)
        return reply["pid"]

    def driver_log_tail(self, lines=5):
        try:
            text = self.driver_log.read_text(errors="replace").splitlines()
        except OSError:
            return "(no log)"
        return " | ".join(text[-lines:]) or "(nothing)"

    def start(self):
        """Starts Tidewell.exe and waits for its agreement page."""
        self.pid = self.launch()
        self.wait_for(lambda: self.page() == "agree", 60, "the agreement page")
        return self.pid

    def start_upgrade(self):
        """Clicks "一键安装" and waits for the download page."""
        self.click(INSTALL)
        self.wait_for(lambda: self.page() == "download", 30, "the download page")

    def wait_page(self, name, timeout=60):
        return self.wait_for(lambda: self.page() == name, timeout, f"the {name} page")

    def finish(self):
        """From the finish page: "完成", then the program's end."""
        self.click(FINISH)
        return self.wait_exit()

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

    def shown_percent(self, timeout=5):
        """The download percentage once the status line shows one (it may be mid-repaint)."""
        return self.wait_for(self.downloaded_percent, timeout, "a download percentage",
                             accept=lambda v: v is not None, interval=0.05)

    def installed_percent(self):
        match, _ = self.status(INSTALLED)
        return int(match[4:-1]) if match else None

    # Wine copies what a window draws to the X screen on its own schedule, so the
    # screen readers below poll for a short while instead of trusting one read.
    def folder_label_text(self, candidates, timeout=5):
        """Which candidate the install-folder label shows (at (354, 290), 12-pixel text)."""
        return self.wait_for(
            lambda: self.call("text", 354, 290, 150, 20, 12, *candidates).get("match"),
            timeout, "the folder label to show one of " + ", ".join(candidates), interval=0.05)

    def change_link_colour(self, timeout=5):
        """(r, g, b) of the change-folder link's text, once it is drawn."""
        reply = self.wait_for(lambda: self.call("text", 510, 290, 32, 18, 12), timeout,
                              "the change-folder link", accept=lambda r: r["ink"] > 0,
                              interval=0.05)
        ink = reply["colour"]
        return ((ink >> 16) & 0xFF, (ink >> 8) & 0xFF, ink & 0xFF)

    def responsiveness(self, slow_ms, duration_ms):
        """How the window answered probes for `duration_ms`: a sent WM_NULL and a repaint
        of one pixel, each counted slow past `slow_ms` (the driver's `responsive`)."""
        return self.call("responsive", slow_ms, duration_ms, timeout=duration_ms / 1000 + 60)

    def retry_count(self):
        """The count line of the retry banner (已重试N次), or None."""
        # The banner sits at (166, 30); its count line at (100, 210) inside it.
        candidates = ["已重试%d次" % n for n in range(1, 40)]
        reply = self.call("text", 266, 240, 130, 20, 12, *candidates)
        match = reply.get("match")
        return int(match[3:-1]) if match else None

    def installer_size(self):
        return INSTALLER_STANDIN.stat().st_size

    def throttle_to_seconds(self, seconds, times=None):
        """Makes the installer download last about `seconds`."""
        knobs = {"throttle": max(1024, self.installer_size() // seconds)}
        if times:
            knobs["times"] = times
        self.control.set(**knobs)

    def progress(self):
        return self.call("progress")["pos"]

    def boxes(self):
        return self.call("boxes")["boxes"]

    def wait_box(self, timeout=30):
        """A message box with its text (one that is still being made or taken down
        shows none)."""
        return self.wait_for(lambda: [b for b in self.boxes() if b["text"]], timeout,
                             "a message box")[0]

    def press(self, button):
        reply = self.call("press", button)
        if not reply["ok"]:
            raise DriverError(f"press {button}: {reply}")

    def click(self, control_id):
        reply = self.call("click", control_id)
        if not reply["ok"]:
            raise DriverError(f"click {control_id}: {reply}")

    def key(self, vk, shift=False):
        """Presses and releases a key on the real keyboard (Shift held with shift)."""
        reply = self.call("key", vk, *(["shift"] if shift else []))
        if not reply["ok"]:
            raise DriverError(f"key {vk}: {reply}")

    def keyboard_focus(self):
        """(main window in the foreground, which of its windows has the focus)."""
        reply = self.call("focus")
        return reply["foreground"], reply["focus"]

    def accessible(self, control_id):
        """What an accessibility client learns about a control: name, value, role, state."""
        reply = self.call("accname", control_id)
        if not reply["ok"]:
            raise DriverError(f"accname {control_id}: {reply}")
        return reply

    def region(self, x, y, width, height):
        """Rows of (r, g, b) the screen shows in an area of the main window."""
        hexes = self.call("region", x, y, width, height)["rgb"]
        pixels = [tuple(int(hexes[i + k:i + k + 2], 16) for k in (0, 2, 4))
                  for i in range(0, len(hexes), 6)]
        return [pixels[row * width:(row + 1) * width] for row in range(height)]

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
        shot = self._failure_capture(what)
        raise AssertionError(f"timed out after {timeout}s waiting for {what}; last: {value!r}"
                             f"; screen: {shot}")

    def _failure_capture(self, what):
        """A screenshot of the moment a wait gave up, for whoever reads the failure."""
        name = "failed-" + "".join(c if c.isalnum() else "-" for c in what)[:40]
        try:
            if self.main().get("hwnd"):
                return self.capture(f"{self.name}-{int(time.time())}-{name}")
        except (DriverError, OSError, ValueError):
            pass
        return None
