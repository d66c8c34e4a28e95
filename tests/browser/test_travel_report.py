#!/usr/bin/env python3
"""Checks the travel report against the recording's counts.bin read by an
independent reader: one column per record with its minutes, one row per well
of the w6 plate, whole millimetres, CR LF line ends."""

import csv
import io
import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "acquisition"))
import read_run_files as reader  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soffice_csv import check_spreadsheet_reads_the_same_cells  # noqa: E402

WRITER = None


class TravelReport(unittest.TestCase):
    def test_minutes_and_rows(self):
        with tempfile.TemporaryDirectory() as folder:
            path = subprocess.run([WRITER, folder], check=True, capture_output=True, text=True).stdout.strip()
            self.assertEqual(os.path.basename(path), "travel_report.csv")
            with open(path, "rb") as f:
                data = f.read()
            self.assertTrue(data.endswith(b"\r\n\r\n"))
            self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
            rows = list(csv.reader(io.StringIO(data.decode("cp1252")), delimiter=","))
            self.assertEqual(rows[0][0], "DATE:")
            self.assertEqual(rows[1], ["FILE:", folder])
            records = reader.read_counts(os.path.join(folder, "counts.bin"))
            self.assertEqual(rows[4][0], "Group/Time[m]")
            self.assertEqual(rows[4][1:], ["%.1f" % r["minutes"] for r in records])
            wells = rows[5:11]
            self.assertEqual([w[0] for w in wells],
                             ["000_Control", "001_Free", "002_Free", "003_Free", "004_Free", "005_Free"])
            for w in wells:
                self.assertEqual(len(w), len(records) + 1)
                self.assertTrue(all(v.isdigit() for v in w[1:]))
                self.assertEqual(w[-1], "0")  # the walk ends on the last block's first sample
            self.assertTrue(any(int(v) > 0 for w in wells for v in w[1:]))

    def test_a_spreadsheet_reads_the_same_cells(self):
        check_spreadsheet_reads_the_same_cells(self, WRITER, ",")


if __name__ == "__main__":
    WRITER = sys.argv.pop(1)
    unittest.main()
