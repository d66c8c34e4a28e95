#!/usr/bin/env python3
"""Reads the raw files of a recorded run with the independent reader and
checks the channel-signal view's datafile.txt of page 2 against windows
55..109 of the run (block b of file n is window 11 n + b)."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "acquisition"))
import read_run_files as reader  # noqa: E402

WRITER = None
CHANNELS = (10, 20)


def windows_of(station):
    out = []
    for n in sorted(station["raw"]):
        if n != len(out) // 11:
            raise AssertionError(f"raw file {n} out of sequence")
        out.extend(station["raw"][n])
    return out


class RawExport(unittest.TestCase):
    def export(self, folder, windows, page):
        path = subprocess.run([WRITER, folder, str(windows), str(page)], check=True, capture_output=True,
                              text=True).stdout.strip()
        with open(os.path.join(path, "datafile.txt"), "rb") as f:
            data = f.read()
        return path, data.decode("cp1252"), reader.read_station(path)

    def check_page(self, text, runs, first, last, header):
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")  # every line ends in CR LF
        lines = lines[:-1]
        self.assertEqual(lines[3], header)
        self.assertEqual(lines[5], "A1.0 A1.1 ")
        body = lines[6:]
        self.assertEqual(len(body), (last - first + 1) * 500)
        for i, line in enumerate(body):
            block = runs[first + i // 500]
            sample = i % 500
            want = "".join(f"{block[sample * 385 + c]} " for c in CHANNELS)
            if line != want:
                self.fail(f"line {i + 7}: {line!r} != {want!r} (window {first + i // 500}, sample {sample})")

    def test_page_two_is_windows_55_to_109(self):
        with tempfile.TemporaryDirectory() as folder:
            path, text, station = self.export(folder, 121, 2)
            runs = windows_of(station)
            self.assertEqual(len(runs), 121)
            self.assertEqual({n: len(v) for n, v in station["raw"].items()}, {n: 11 for n in range(11)})
            lines = text.split("\r\n")
            self.assertEqual(lines[0], '"Export check"')
            self.assertEqual(lines[1], f'"{path}"')
            self.assertEqual(lines[2], "")
            self.assertEqual(lines[4], "")
            # Windows differ, so a block in the wrong slot would show.
            self.assertNotEqual(runs[55][:385 * 3], runs[56][:385 * 3])
            self.check_page(text, runs, 55, 109, "Well: A1 Page[2/3] [#27.5k-55k]")

    def test_a_short_last_page_stops_at_its_last_window(self):
        with tempfile.TemporaryDirectory() as folder:
            _, text, station = self.export(folder, 63, 2)
            runs = windows_of(station)
            self.assertEqual(len(runs), 63)
            self.check_page(text, runs, 55, 62, "Well: A1 Page[2/2] [#27.5k-55k]")


if __name__ == "__main__":
    WRITER = sys.argv.pop(1)
    unittest.main()
