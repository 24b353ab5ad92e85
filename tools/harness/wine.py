"""Locating Wine and making the per-run template prefix."""
import fcntl
import hashlib
import os
import shutil
import subprocess
import time
from pathlib import Path

WINE_DIR = Path("/usr/lib/wine")
LOADERS = {"win64": WINE_DIR / "wine64", "win32": WINE_DIR / "wine"}
WINESERVER = WINE_DIR / "wineserver"

BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    # Which system fonts Wine may use: see the file for why.
    "FONTCONFIG_FILE": str(Path(__file__).resolve().parent / "fonts.conf"),
}


# Wine runs the way the program's users run Windows: Chinese, ANSI code page 936 (Wine
# takes its code pages from the Unix locale, and runs in a C locale, code page 1252,
# without it), and a user whose profile folder, C:\users\<USER>, has a Chinese name
# with a space in it.
LOCALE = "zh_CN.UTF-8"
USER = "测试 用户"


def loader(arch):
    return LOADERS[arch]


def arch_usable(arch):
    """A 32-bit Wine needs a kernel that runs 32-bit Linux code; some VMs have none."""
    path = LOADERS[arch]
    if not path.exists():
        return False
    try:
        subprocess.run([str(path), "--version"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30, check=True)
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def default_template_dir(arch):
    root = os.environ.get("TW_WINE_TEMPLATE_ROOT") or os.path.join(
        os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")), "tidewell")
    # A prefix keeps the locale and the user it was made under: the name tells them.
    made_as = hashlib.sha1(f"{LOCALE}\n{USER}".encode()).hexdigest()[:8]
    return Path(root) / f"wine-template-{arch}-{LOCALE}-{made_as}"


def locale_available():
    try:
        names = subprocess.run(["locale", "-a"], capture_output=True, text=True,
                               timeout=30).stdout.split()
    except (OSError, subprocess.SubprocessError):
        return False
    wanted = LOCALE.lower().replace("-", "")
    return any(name.lower().replace("-", "") == wanted for name in names)


def wine_env(prefix, arch, extra=None):
    # The host's own locale settings would override LANG: none of them reach Wine.
    env = {k: v for k, v in os.environ.items()
           if not (k.startswith("LC_") or k == "LANGUAGE")}
    env.update(BASE_ENV)
    env["LANG"] = LOCALE
    env["USER"] = USER
    env["WINEPREFIX"] = str(prefix)
    env["WINEARCH"] = arch
    if arch == "win64":
        env["WINELOADER"] = str(LOADERS["win64"])
    if extra:
        env.update(extra)
    return env


def make_template(template, arch, fresh=False):
    """Creates the template prefix once (guarded by a lock so parallel tests wait)."""
    template = Path(template)
    template.parent.mkdir(parents=True, exist_ok=True)
    lock_path = template.parent / (template.name + ".lock")
    with open(lock_path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        ready = template / ".tidewell-ready"
        if fresh and template.exists():
            shutil.rmtree(template)
        if ready.exists():
            return template
        if template.exists():
            shutil.rmtree(template)
        if not locale_available():
            # Wine would go on in a C locale without a word: the tests would pass on
            # code paths no user of the program takes.
            raise RuntimeError(f"the {LOCALE} locale is missing: run tools/setup")
        env = wine_env(template, arch, {"DISPLAY": ""})
        subprocess.run([str(loader(arch)), "wineboot", "-i"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        # Y: carries test output out of the prefix. It is a network drive so that it
        # never counts among the fixed drives the program chooses from.
        subprocess.run([str(loader(arch)), "reg", "add", r"HKLM\Software\Wine\Drives",
                        "/v", "y:", "/d", "network", "/f"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        # Chinese Windows links its UI font to a CJK font, so balloons and message
        # boxes show Chinese; without such a link Wine draws them as boxes.
        subprocess.run([str(loader(arch)), "reg", "add",
                        r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
                        "/v", "Tahoma", "/t", "REG_MULTI_SZ", "/d",
                        "wqy-microhei.ttc,WenQuanYi Micro Hei", "/f"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run([str(WINESERVER), "-k"], env=env, timeout=300)
        subprocess.run([str(WINESERVER), "-w"], env=env, timeout=300)
        # Tests install software into "X:\Program Files\..."; no drive letter may
        # reach the host's root folder.
        for link in (template / "dosdevices").iterdir():
            if link.name != "c:":
                link.unlink()
        ready.write_text(time.strftime("%Y-%m-%d %H:%M:%S\n"))
        return template
