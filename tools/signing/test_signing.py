#!/usr/bin/env python3
"""Signs copies of the stand-in installer the way the maker signs the real one, with
a throwaway certificate chain made here, for the tests and the demo.

    test_signing.py --publisher-file FILE --installer EXE --out-dir DIR --work DIR

Makes (with openssl, into --work; nothing of it is committed) a test root and two
code-signing leaves issued by it: one named as the publisher this build pins (the
first line of --publisher-file), one with another name. Then writes into --out-dir
(with osslsigncode):
  standin_installer_signed.exe        signed by the pinned publisher
  standin_installer_other_signer.exe  signed by the other name, same root
  standin_installer_tampered.exe      signed by the pinned publisher, then one byte
                                      changed inside what the signature covers
  standin_installer_signed_alt.exe    signed by the pinned publisher too, but other
                                      bytes: another link time in its header and
                                      another description in its signature (a new
                                      build of the same installer)
  standin_installer_signed_big.exe    signed by the pinned publisher, the same program
                                      with data after its image (as installers carry
                                      their payload) to 3 MiB, for downloads long
                                      enough to be cut
The root is trusted nowhere: Wine does not ask for a trusted root, Windows would.

As a module: make_chain(work, publisher) and sign(chain, source, target) for other
scripts that need a signed file (bench/signature_bench.py)."""
import argparse
import hashlib
import secrets
import shutil
import struct
import subprocess
import sys
from pathlib import Path

OTHER_PUBLISHER = "Tidewell Other Publisher"
ROOT_NAME = "Tidewell Test Root"


def run(*argv):
    proc = subprocess.run(argv, capture_output=True, text=True)
    if proc.returncode != 0:
        raise RuntimeError(f"{' '.join(map(str, argv))} failed:\n{proc.stdout}{proc.stderr}")


def subject(common_name):
    # openssl -subj: "/" and "\" inside a value are escaped with a backslash.
    return "/CN=" + common_name.replace("\\", "\\\\").replace("/", "\\/")


def make_leaf(work, root, tag, common_name):
    """A code-signing certificate issued by `root`; returns (key, chain PEM)."""
    key, csr, cert = work / f"{tag}.key", work / f"{tag}.csr", work / f"{tag}.crt"
    extensions = work / f"{tag}.ext"
    extensions.write_text("basicConstraints = critical, CA:FALSE\n"
                          "keyUsage = critical, digitalSignature\n"
                          "extendedKeyUsage = codeSigning\n"
                          "subjectKeyIdentifier = hash\n"
                          "authorityKeyIdentifier = keyid\n")
    run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-utf8", "-keyout", key,
        "-out", csr, "-subj", subject(common_name))
    run("openssl", "x509", "-req", "-in", csr, "-CA", root / "root.crt", "-CAkey",
        root / "root.key", "-set_serial", str(secrets.randbits(62) + 2),
        "-days", "3650", "-sha256", "-extfile", extensions, "-out", cert)
    chain = work / f"{tag}-chain.pem"
    chain.write_text(cert.read_text() + (root / "root.crt").read_text())
    return key, chain


def make_chain(work, publisher):
    """A fresh test root and leaves in `work`: {"publisher": (key, chain), "other": ...}."""
    work = Path(work)
    if publisher == OTHER_PUBLISHER:
        raise ValueError(f"the pinned publisher must differ from {OTHER_PUBLISHER!r}")
    work.mkdir(parents=True, exist_ok=True)
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-utf8", "-sha256",
        "-days", "3650", "-keyout", work / "root.key", "-out", work / "root.crt",
        "-subj", subject(ROOT_NAME),
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    return {"publisher": make_leaf(work, work, "publisher", publisher),
            "other": make_leaf(work, work, "other", OTHER_PUBLISHER)}


def sign(leaf, source, target, description="Tidewell stand-in installer"):
    key, chain = leaf
    target = Path(target)
    target.unlink(missing_ok=True)
    run("osslsigncode", "sign", "-certs", chain, "-key", key, "-h", "sha256",
        "-n", description, "-in", source, "-out", target)


def restamp(source, target):
    """A copy of a PE file with another link time in its COFF header: the same program
    in other bytes from its first kilobyte on, as a rebuild would be."""
    data = bytearray(Path(source).read_bytes())
    stamp_at = struct.unpack_from("<I", data, 0x3C)[0] + 8
    stamp = struct.unpack_from("<I", data, stamp_at)[0]
    struct.pack_into("<I", data, stamp_at, (stamp + 86400) & 0xFFFFFFFF)
    Path(target).write_bytes(bytes(data))


def pad(source, target, size):
    """A copy of a PE file with deterministic bytes after its image up to `size` bytes:
    the loader ignores them, the signature made afterwards covers them."""
    data = bytearray(Path(source).read_bytes())
    block = hashlib.sha256(b"tidewell payload").digest()
    while len(data) < size:
        block = hashlib.sha256(block).digest()
        data += block
    Path(target).write_bytes(bytes(data[:size]))


def certificate_table_offset(data):
    """File offset of the PE certificate table (where the signature lies)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    offset, size = struct.unpack_from("<II", data, directories + 4 * 8)
    if not offset or not size:
        raise ValueError("the file carries no signature")
    return offset


def tamper(path):
    """Changes one byte that the signature's digest covers (halfway to the signature)."""
    data = bytearray(Path(path).read_bytes())
    at = certificate_table_offset(data) // 2
    data[at] ^= 0xFF
    Path(path).write_bytes(bytes(data))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--publisher-file", required=True)
    parser.add_argument("--installer", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    publisher = Path(args.publisher_file).read_text(encoding="utf-8").splitlines()[0]
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    leaves = make_chain(work, publisher)
    out = Path(args.out_dir)
    sign(leaves["publisher"], args.installer, out / "standin_installer_signed.exe")
    sign(leaves["other"], args.installer, out / "standin_installer_other_signer.exe")
    tampered = out / "standin_installer_tampered.exe"
    shutil.copy(out / "standin_installer_signed.exe", tampered)
    tamper(tampered)
    rebuilt = work / "standin_installer_rebuilt.exe"
    restamp(args.installer, rebuilt)
    sign(leaves["publisher"], rebuilt, out / "standin_installer_signed_alt.exe",
         "Tidewell stand-in installer, new build")
    big = work / "standin_installer_big.exe"
    pad(args.installer, big, 3 * 1024 * 1024)
    sign(leaves["publisher"], big, out / "standin_installer_signed_big.exe")
    return 0


if __name__ == "__main__":
    sys.exit(main())
