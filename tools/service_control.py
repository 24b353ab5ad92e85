#!/usr/bin/env python3
"""Client of the bundled Update service's control socket (tools/update_service.py).

    from service_control import ServiceControl
    control = ServiceControl(env.service_socket)
    control.set(md5="wrong", times=1)
    control.wait_for(lambda s: s["stalled"] == 1, timeout=10)
    entries = control.log()

Command line: service_control.py SOCKET COMMAND [key=value ...]"""
import json
import socket
import sys
import time


class ServiceControl:
    def __init__(self, socket_path, timeout=10):
        self.socket_path = str(socket_path)
        self.timeout = timeout

    def command(self, cmd, **args):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as conn:
            conn.settimeout(self.timeout)
            conn.connect(self.socket_path)
            conn.sendall((json.dumps({"cmd": cmd, "args": args}) + "\n").encode())
            reply = b""
            while not reply.endswith(b"\n"):
                part = conn.recv(65536)
                if not part:
                    break
                reply += part
        answer = json.loads(reply)
        if not answer.get("ok"):
            raise RuntimeError(f"service refused {cmd}: {answer.get('error')}")
        return answer

    def set(self, **knobs):
        return self.command("set", **{k: str(v) for k, v in knobs.items()})

    def reset(self):
        return self.command("reset")

    def release(self, tail="same"):
        return self.command("release", tail=tail)["released"]

    def status(self):
        return self.command("status")

    def info(self):
        return self.command("info")

    def log(self):
        return self.command("log")["entries"]

    def clear_log(self):
        return self.command("clear_log")

    def wait_for(self, condition, timeout=30, step=0.05):
        """Polls the status until condition(status) holds; the last status, or raises."""
        deadline = time.monotonic() + timeout
        while True:
            status = self.status()
            if condition(status):
                return status
            if time.monotonic() > deadline:
                raise TimeoutError(f"service status never matched: {status}")
            time.sleep(step)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    args = dict(item.split("=", 1) for item in argv[3:])
    print(json.dumps(ServiceControl(argv[1]).command(argv[2], **args), indent=1))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
