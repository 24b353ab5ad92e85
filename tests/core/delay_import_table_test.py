#!/usr/bin/env python3
"""The delay-import table of a program built with the delay-load helper ends with a null
descriptor; tools/check_xp_imports reads the table up to it, and both it and
tools/set_delay_import_directory refuse a table without one.

    delay_import_table_test.py EXE NM

EXE: delayprobe.exe of the build (not stripped, its directory recorded); NM: the
toolchain's nm."""
import importlib.machinery
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

TOOLS = Path(__file__).resolve().parents[2] / "tools"
check = importlib.machinery.SourceFileLoader(
    "check_xp_imports", str(TOOLS / "check_xp_imports")).load_module()
EXE, NM = Path(sys.argv[1]), sys.argv[2]


def with_table_end_overwritten(folder):
    """A copy of EXE whose null descriptor is overwritten with what follows it."""
    image = check.Image(EXE.read_bytes())
    rva, size = image.directory(check.DELAY_IMPORT_DIRECTORY)
    end = image.offset(rva + size - 32)
    data = bytearray(image.data)
    data[end:end + 32] = data[end + 32:end + 64]  # the code after the table
    copy = Path(folder) / EXE.name
    copy.write_bytes(bytes(data))
    return copy


class DelayImportTable(unittest.TestCase):
    def test_read_up_to_its_null_descriptor(self):
        table = check.imports(check.Image(EXE.read_bytes()))
        delayed = {dll: sorted(functions) for dll, functions, is_delayed in table if is_delayed}
        self.assertEqual(delayed, {
            "comctl32.dll": ["#328", "#329", "InitCommonControlsEx", "TidewellAbsentFunction"],
            "tidewell-absent.dll": ["TidewellProbe"]})

    def test_without_one_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            copy = with_table_end_overwritten(folder)
            with self.assertRaisesRegex(check.NotPE, "null descriptor"):
                check.imports(check.Image(copy.read_bytes()))
            done = subprocess.run([sys.executable, str(TOOLS / "set_delay_import_directory"),
                                   NM, str(copy)], capture_output=True, text=True)
            self.assertEqual(done.returncode, 1)
            self.assertIn("no null descriptor", done.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
