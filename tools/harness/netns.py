"""A private network namespace per test: its own loopback (where the bundled Update
service listens) and a veth link that gives it a default route, so Wine sees the
machine as connected. Setting the link down takes the route away: offline for real.
The host side of the link has no address and forwards nothing, so no packet can
leave the namespace for anywhere else."""
import ctypes
import os
import re
import signal
import subprocess
import time


def _run(*args, check=True):
    return subprocess.run(list(args), check=check, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)


def _die_with_parent():
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def available():
    return os.geteuid() == 0 and subprocess.run(
        ["ip", "netns", "list"], stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL).returncode == 0


def sweep_stale():
    """Removes namespaces (and their links) left by test processes that were killed
    before they could clean up; each name carries the creating process's id."""
    listing = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
    for line in listing.splitlines():
        match = re.match(r"^tw(\d+)x(\d+)\b", line)
        if match and not os.path.exists(f"/proc/{match.group(1)}"):
            NetNamespace(f"{match.group(1)}x{match.group(2)}").close()


class NetNamespace:
    """Also one mount namespace for everything that runs inside: `ip netns exec` makes a
    new one for each command, and a mount a test makes for the programs (a small file
    system for the working files) must be seen by the wineserver, which opens their
    files, as well as by the programs, which look names up themselves."""

    def __init__(self, tag):
        self.name = f"tw{tag}"
        self.host_if = f"twh{tag}"[:15]
        self.ns_if = f"twn{tag}"[:15]
        self.holder = None

    def __enter__(self):
        self.close()
        _run("ip", "netns", "add", self.name)
        _run("ip", "link", "add", self.host_if, "type", "veth", "peer", "name", self.ns_if,
             "netns", self.name)
        _run("sysctl", "-q", "-w", f"net.ipv4.conf.{self.host_if}.forwarding=0", check=False)
        _run("sysctl", "-q", "-w", f"net.ipv6.conf.{self.host_if}.disable_ipv6=1", check=False)
        _run("ip", "link", "set", self.host_if, "up")
        # Holds the one mount namespace for as long as the namespace lives (and no longer
        # than the test: it dies with its parent).
        self.holder = subprocess.Popen(["ip", "netns", "exec", self.name, "sleep", "infinity"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       preexec_fn=_die_with_parent)
        deadline = time.monotonic() + 10
        while os.path.basename(os.readlink(f"/proc/{self.holder.pid}/exe")) != "sleep":
            if time.monotonic() > deadline or self.holder.poll() is not None:
                raise RuntimeError(f"the mount namespace of {self.name} was not made")
            time.sleep(0.01)
        self.exec("ip", "link", "set", "lo", "up")
        self.exec("ip", "addr", "add", "10.231.0.2/30", "dev", self.ns_if)
        self.link_up()
        return self

    def __exit__(self, *exc):
        self.close()

    def prefix(self):
        """Command prefix that runs a program inside the namespace (and its mounts)."""
        return ["nsenter", f"--net=/var/run/netns/{self.name}",
                f"--mount={self.mount_namespace()}", "--"]

    def mount_namespace(self):
        """The mount namespace every program of the namespace runs in."""
        return f"/proc/{self.holder.pid}/ns/mnt"

    def exec(self, *args, check=True):
        return _run(*self.prefix(), *args, check=check)

    def link_up(self):
        self.exec("ip", "link", "set", self.ns_if, "up")
        # Wine counts the machine as connected only when an adapter has a gateway; the
        # gateway named here does not exist, so nothing can leave the namespace.
        self.exec("ip", "route", "replace", "default", "via", "10.231.0.1", "dev", self.ns_if)

    def link_down(self):
        # Taking the interface down removes the default route with it.
        self.exec("ip", "link", "set", self.ns_if, "down")

    def close(self):
        if self.holder is not None:
            self.holder.kill()
            self.holder.wait()
            self.holder = None
        _run("ip", "link", "del", self.host_if, check=False)
        _run("ip", "netns", "del", self.name, check=False)
