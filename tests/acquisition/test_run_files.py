#!/usr/bin/env python3
"""Reads the files of a run written by acquisition_run_writer with the
independent reader and checks record counts, sizes, minutes, temperature and
which channels counted."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import read_run_files as reader  # noqa: E402

WRITER = None


def write_run(folder, windows, body_bends, raw, full_disk=None):
    """full_disk: (first, last) windows during which no file can grow."""
    extra = [str(w) for w in full_disk] if full_disk else []
    done = subprocess.run([WRITER, folder, str(windows), str(body_bends), str(raw)] + extra, check=True,
                          capture_output=True, text=True)
    write_run.finished = done.stdout.strip()
    return {n: reader.read_station(os.path.join(folder, f"run_s{n}")) for n in (1, 3)}


def counts_bytes(folder, n):
    with open(os.path.join(folder, f"run_s{n}", "counts.bin"), "rb") as f:
        return f.read()


class RunFiles(unittest.TestCase):
    def test_twenty_five_windows_with_raw_recording(self):
        with tempfile.TemporaryDirectory() as folder:
            stations = write_run(folder, 25, 0, 1)
            self.assertFalse(os.path.exists(os.path.join(folder, "run_s2")))
            for n, expected_channel in ((1, 10), (3, 20)):
                st = stations[n]
                self.assertEqual(os.path.getsize(os.path.join(folder, f"run_s{n}", "counts.bin")), 19350)
                self.assertEqual([r["minutes"] for r in st["counts"]], list(range(25)))
                self.assertEqual({r["temperature_tenths"] for r in st["counts"]}, {232})
                for r in st["counts"]:
                    moving = [c for c, v in enumerate(r["counts"]) if v]
                    self.assertEqual(moving, [expected_channel])
                self.assertEqual(stations[1]["counts"][0]["counts"][10], 3)
                self.assertEqual({k: len(v) for k, v in st["raw"].items()}, {0: 11, 1: 11, 2: 3})
                self.assertEqual(st["histogram"], {})
            # Channel 10 of station 1 at sample 100 of the first window.
            self.assertEqual(stations[1]["raw"][0][0][100 * 385 + 10], 0)
            self.assertEqual(stations[1]["raw"][0][0][99 * 385 + 10], 1200)

    def test_body_bends_without_raw_recording(self):
        with tempfile.TemporaryDirectory() as folder:
            stations = write_run(folder, 12, 1, 0)
            st = stations[1]
            self.assertEqual(st["raw"], {})
            self.assertEqual({k: len(v) for k, v in st["histogram"].items()}, {0: 11, 1: 1})
            first = st["histogram"][0][0]
            self.assertEqual(first["minutes"], 0.0)
            self.assertEqual(first["seconds_per_sample"], 0.09)
            self.assertEqual(st["histogram"][1][0]["minutes"], 11 * 0.75)
            # Only station 1 counts in body-bends mode.
            self.assertTrue(all(not any(r["counts"]) for r in stations[3]["counts"]))
            self.assertEqual(len(stations[3]["counts"]), 12)

    def test_trailing_fragments_are_left_out(self):
        # What a writer killed in the middle of a record leaves: whole records
        # and part of the next one.
        with tempfile.TemporaryDirectory() as folder:
            write_run(folder, 3, 1, 1)
            s1 = os.path.join(folder, "run_s1")
            for name, size in (("0.bin", 7446), ("counts.bin", 100), ("histo0000.bin", 5)):
                with open(os.path.join(s1, name), "ab") as f:
                    f.write(b"\x7f" * size)
            st = reader.read_station(s1)
            self.assertEqual([r["minutes"] for r in st["counts"]], [0, 1, 2])
            self.assertEqual({k: len(v) for k, v in st["raw"].items()}, {0: 3})
            self.assertEqual({k: len(v) for k, v in st["histogram"].items()}, {0: 3})
            self.assertEqual(st["trailing_bytes"], {"0.bin": 7446, "counts.bin": 100, "histo0000.bin": 5})
            done = subprocess.run([sys.executable, "-B", reader.__file__, s1], capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn('"counts_records": 3', done.stdout)
            self.assertIn('"0.bin": 7446', done.stdout)
            self.assertEqual(reader.read_station(os.path.join(folder, "run_s3"))["trailing_bytes"], {})

    def test_a_full_disk_for_a_while_leaves_no_hole(self):
        # Windows 1200 to 1210 of 1300 cannot be written; once the disk is
        # back their records go to their places: counts.bin is the file of
        # the same run without the failure, and nothing is counted as lost.
        with tempfile.TemporaryDirectory() as good, tempfile.TemporaryDirectory() as failed:
            write_run(good, 1300, 0, 0)
            self.assertEqual(write_run.finished, "Acquisition finished")
            stations = write_run(failed, 1300, 0, 0, full_disk=(1200, 1210))
            self.assertEqual(write_run.finished, "Acquisition finished")
            for n in (1, 3):
                self.assertEqual(counts_bytes(failed, n), counts_bytes(good, n))
                self.assertEqual([r["minutes"] for r in stations[n]["counts"]], list(range(1300)))
                self.assertEqual(stations[n]["counts_holes"], [])

    def test_a_hole_is_not_minute_zero(self):
        # What an older writer left for a window it could not write: 774 zero
        # bytes after minute 1000. The reader leaves it out; a first record
        # of zeros is data.
        with tempfile.TemporaryDirectory() as folder:
            write_run(folder, 3, 0, 0)
            path = os.path.join(folder, "run_s1", "counts.bin")
            records = [struct.pack("<i", m) + bytes(768) + struct.pack("<h", 232) for m in (1000, 1001, 1003)]
            with open(path, "wb") as f:
                f.write(bytes(774) + records[0] + records[1] + bytes(774) + bytes(774) + records[2])
            st = reader.read_station(os.path.join(folder, "run_s1"))
            self.assertEqual([r["minutes"] for r in st["counts"]], [0, 1000, 1001, 1003])
            self.assertEqual(st["counts_holes"], [3, 4])


if __name__ == "__main__":
    WRITER = sys.argv.pop(1)
    unittest.main()
