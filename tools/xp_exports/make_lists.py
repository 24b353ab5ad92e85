#!/usr/bin/env python3
"""Writes the lists of what Windows XP SP3 (x86) exports, one file per DLL.

    tools/xp_exports/make_lists.py REACTOS_TREE

REACTOS_TREE is a checkout of ReactOS. Beside the sources of each system DLL it
reimplements (the Server 2003 SP2 set) lies an export table, a file named after the
DLL, which names every export and marks the later ones with -version=0x600+ and the
like. An export is kept when its version range (none means
"always") includes NT 5.1, it exists on x86, and its line does not say it is missing
on XP SP3. adjustments.txt beside this script then removes what ReactOS lists
unmarked although XP lacks it (Server 2003 and XP x64 additions, IE7 and GDI+ 1.1
additions) and adds the few it marks too late; each line there says why.
Ordinal-only exports are written as #ORDINAL.
"""
import re
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
XP = 0x501

SOURCE_FOLDERS = {  # where each DLL's sources, and its export table, lie in the tree
    "advapi32": "dll/win32/advapi32",
    "comctl32": "dll/win32/comctl32",
    "crypt32": "dll/win32/crypt32",
    "gdi32": "win32ss/gdi/gdi32",
    "gdiplus": "dll/win32/gdiplus",
    "kernel32": "dll/win32/kernel32",
    "msvcrt": "dll/win32/msvcrt",
    "ole32": "dll/win32/ole32",
    "oleaut32": "dll/win32/oleaut32",
    "shell32": "dll/win32/shell32",
    "urlmon": "dll/win32/urlmon",
    "user32": "win32ss/user/user32",
    "wininet": "dll/win32/wininet",
    "wintrust": "dll/win32/wintrust",
}

TYPES = {"stdcall", "cdecl", "varargs", "fastcall", "thiscall", "stub", "extern", "pascal"}


def version_includes_xp(flag):
    """-version=0x600+, -version=0x501-0x502 or -version=0x502."""
    versions = flag.split("=", 1)[1]
    if versions.endswith("+"):
        return int(versions[:-1], 16) <= XP
    low, _, high = versions.partition("-")
    return int(low, 16) <= XP <= int(high or low, 16)


def arch_includes_x86(flag):
    arches = flag.split("=", 1)[1].split(",")
    return any(a in ("i386", "win32") for a in arches)


def exports_on_xp(table_text):
    """Names (or #ordinals) a ReactOS export table exports on 32-bit XP."""
    names = []
    for raw in table_text.splitlines():
        line = raw.strip()
        if not line or line.startswith(("#", ";")):
            continue
        if "missing in XP SP3" in line:
            continue
        line = re.split(r"\s[#;]", line, maxsplit=1)[0]
        words = line.split()
        if len(words) < 3 or words[1] not in TYPES:
            continue
        ordinal, flags, rest = words[0], [], words[2:]
        while rest and rest[0].startswith("-"):
            flags.append(rest.pop(0))
        if not rest:
            continue
        name = rest[0].split("(", 1)[0]
        if any(f.startswith("-version=") and not version_includes_xp(f) for f in flags):
            continue
        if any(f.startswith("-arch=") and not arch_includes_x86(f) for f in flags):
            continue
        if "-noname" in flags or name == "@":
            if ordinal.isdigit():
                names.append("#" + ordinal)
            continue
        names.append(name)
    return names


def read_adjustments(path):
    """{dll: ({removed}, {added})} from lines like `kernel32 -FlsAlloc  # why`."""
    adjust = {}
    for raw in path.read_text().splitlines():
        line = "" if raw.lstrip().startswith("#") else re.split(r"\s#", raw, maxsplit=1)[0].strip()
        if not line:
            continue
        dll, change = line.split()
        removed, added = adjust.setdefault(dll, (set(), set()))
        (removed if change[0] == "-" else added).add(change[1:])
    return adjust


def export_table(folder, dll):
    """The file of `folder` named after the DLL that declares its exports."""
    for candidate in sorted(folder.glob(dll + ".*")):
        text = candidate.read_text(errors="replace")
        if exports_on_xp(text):
            return text
    sys.exit(f"no export table for {dll} in {folder}")


def header(dll, folder):
    return (f"# Exports of {dll}.dll on Windows XP SP3 (x86), one a line; #N is an export by\n"
            f"# ordinal only. Derived from the export table in ReactOS's {folder}/ (exports marked for NT 6.0\n"
            f"# and later, or for other architectures, left out) and adjusted by\n"
            f"# tools/xp_exports/adjustments.txt. Regenerate with\n"
            f"#   tools/xp_exports/make_lists.py REACTOS_TREE\n")


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    tree = Path(argv[1])
    adjust = read_adjustments(HERE / "adjustments.txt")
    for dll, folder in SOURCE_FOLDERS.items():
        text = export_table(tree / folder, dll)
        names = set(exports_on_xp(text))
        removed, added = adjust.get(dll, (set(), set()))
        missing = removed - names
        if missing:
            sys.exit(f"adjustments.txt removes from {dll} what ReactOS does not list: "
                     + ", ".join(sorted(missing)))
        names = (names - removed) | added
        ordered = sorted(names, key=lambda n: (n.startswith("#"), int(n[1:]) if n.startswith("#") else 0, n))
        (HERE / f"{dll}.txt").write_text(header(dll, folder) + "".join(n + "\n" for n in ordered))
        print(f"{dll}: {len(ordered)} exports")


if __name__ == "__main__":
    main(sys.argv)
