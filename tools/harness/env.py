"""WineEnv: one test's private Wine world, torn down completely at the end."""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path

from . import netns, wine
from .xvfb import Xvfb, die_with_parent

REPO = Path(__file__).resolve().parents[2]
SERVICE = REPO / "tools" / "update_service.py"
SERVICE_PORT = 18765


def sweep_stale_work():
    """Removes the scratch folders (each holds a whole prefix) of test processes that
    were killed before they could clean up."""
    for folder in Path(tempfile.gettempdir()).glob("tidewell-*"):
        try:
            owner = int((folder / "owner.pid").read_text())
        except (OSError, ValueError):
            continue
        if not os.path.exists(f"/proc/{owner}"):
            # Its Windows programs may still run: end them with their wineserver first.
            subprocess.run([str(wine.WINESERVER), "-k"], env=wine.wine_env(folder / "prefix", "win64"),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
            shutil.rmtree(folder, ignore_errors=True)


class WineEnv:
    """Context manager. Attributes while open: prefix, work (scratch folder), drive_d,
    ns (NetNamespace or None), display, env (environment for Wine processes).

    Drives: C: is the prefix's own, D: a fresh empty folder of the test (a second fixed
    drive), Y: (a network drive) the output folder named by $TW_OUT, when set, so
    Windows programs can leave screenshots and reports under the build folder."""

    def __init__(self, arch="win64", template=None, netns_wanted=True, service_args=None,
                 drives=None, keep=None, dpi=None):
        self.arch = arch
        self.template = Path(template) if template else wine.default_template_dir(arch)
        self.netns_wanted = netns_wanted and netns.available()
        self.service_args = service_args  # None: no service; a list: start it with these
        self.dpi = dpi  # None: Wine's default, 96; else the display's DPI for every program
        self.extra_drives = drives or {}
        self.keep = os.environ.get("TW_KEEP") == "1" if keep is None else keep
        self.ns = None
        self.xvfb = None
        self.service = None
        self.display = os.environ.get("DISPLAY") or None

    # -- set-up -------------------------------------------------------------------
    def __enter__(self):
        try:
            self._open()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _open(self):
        sweep_stale_work()
        self.work = Path(tempfile.mkdtemp(prefix="tidewell-"))
        (self.work / "owner.pid").write_text(str(os.getpid()))
        wine.make_template(self.template, self.arch)
        self.prefix = self.work / "prefix"
        subprocess.run(["cp", "-a", "--reflink=auto", str(self.template), str(self.prefix)],
                       check=True)
        self.drive_d = self.work / "drive_d"
        self.drive_d.mkdir()
        self.set_drive("d", self.drive_d)
        out = os.environ.get("TW_OUT")
        if out:
            Path(out).mkdir(parents=True, exist_ok=True)
            self.set_drive("y", Path(out).resolve())
        for letter, target in self.extra_drives.items():
            self.set_drive(letter, target)
        if not self.display:
            self.xvfb = Xvfb().__enter__()
            self.display = self.xvfb.display
        if self.netns_wanted:
            netns.sweep_stale()
            self.ns = netns.NetNamespace(f"{os.getpid()}x{id(self) % 97}")
            self.ns.__enter__()
        self.env = wine.wine_env(self.prefix, self.arch, {"DISPLAY": self.display,
                                                          "TW_WORK": str(self.work)})
        # One persistent wineserver for the whole test: later starts are fast. It still
        # goes by itself a minute after its last client, should the test be killed.
        subprocess.run(self.wrap([str(wine.WINESERVER), "-p60"]), env=self.env, check=True)
        if self.dpi is not None:
            self.set_dpi(self.dpi)
        if self.service_args is not None:
            self.start_service(self.service_args)

    def set_dpi(self, dpi):
        """The display's DPI as Wine reads it: each program reads it once, as it starts."""
        self.run("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                 "REG_DWORD", "/d", str(dpi), "/f", check=True, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL, timeout=120)

    def set_drive(self, letter, target):
        link = self.prefix / "dosdevices" / f"{letter.lower()}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        os.symlink(str(target), link)

    def wrap(self, argv):
        return (self.ns.prefix() if self.ns else []) + list(argv)

    # -- programs -----------------------------------------------------------------
    def wine_argv(self, program, *args):
        return [str(wine.loader(self.arch)), str(program), *map(str, args)]

    def popen(self, program, *args, **kwargs):
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("cwd", self.prefix / "drive_c")  # a folder Windows can name
        return subprocess.Popen(self.wrap(self.wine_argv(program, *args)), **kwargs)

    def run(self, program, *args, timeout=600, **kwargs):
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("cwd", self.prefix / "drive_c")
        return subprocess.run(self.wrap(self.wine_argv(program, *args)), timeout=timeout,
                              **kwargs)

    def windows_path(self, unix_path):
        """The Windows name of a file under the prefix's drive C: or the drive D:."""
        path = Path(unix_path).resolve()
        for letter, root in (("c", (self.prefix / "drive_c").resolve()),
                             ("d", self.drive_d.resolve())):
            try:
                rel = path.relative_to(root)
            except ValueError:
                continue
            return f"{letter.upper()}:\\" + "\\".join(rel.parts)
        raise ValueError(f"{unix_path} is on no drive of this prefix")

    # -- the bundled Update service -------------------------------------------------
    def start_service(self, args):
        self.service_log = self.work / "requests.jsonl"
        self.service_socket = self.work / "service.sock"
        argv = ["python3", str(SERVICE), "--host", "127.0.0.1", "--port", str(SERVICE_PORT),
                "--log", str(self.service_log), "--control-socket", str(self.service_socket),
                *args]
        self.service = subprocess.Popen(self.wrap(argv), stdout=subprocess.DEVNULL,
                                        stderr=open(self.work / "service.err", "w"),
                                        preexec_fn=die_with_parent)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if self.service.poll() is not None:
                raise RuntimeError("the Update service ended at start: "
                                   + (self.work / "service.err").read_text())
            if self.service_socket.exists():
                try:
                    with socket.socket(socket.AF_UNIX) as probe:
                        probe.connect(str(self.service_socket))
                    return
                except OSError:
                    pass
            time.sleep(0.05)
        raise RuntimeError("the Update service did not come up")

    # -- tear-down ------------------------------------------------------------------
    def __exit__(self, *exc):
        if getattr(self, "env", None):
            subprocess.run(self.wrap([str(wine.WINESERVER), "-k"]), env=self.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(self.wrap([str(wine.WINESERVER), "-w"]), env=self.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.service and self.service.poll() is None:
            self.service.send_signal(signal.SIGTERM)
            try:
                self.service.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.service.kill()
                self.service.wait()
        if self.ns:
            self.ns.close()
        if self.xvfb:
            self.xvfb.__exit__(None, None, None)
        if getattr(self, "work", None) and not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)
