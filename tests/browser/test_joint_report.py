#!/usr/bin/env python3
"""Recomputes the joint report's group means from each tagged recording's
counts.bin and the project's chgroup.dat with an independent reader, and
checks the report's lines."""

import csv
import os
import re
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


def channel_groups(path):
    groups = {}
    with open(path, newline="") as f:
        lines = f.read().split("\r\n")
    for line in lines[1:]:
        if line:
            c, g = (int(v) for v in line.split(","))
            groups[c] = g
    return groups


class JointReport(unittest.TestCase):
    def test_group_means_match_the_recordings(self):
        with tempfile.TemporaryDirectory() as folder:
            path = subprocess.run([WRITER, folder], check=True, capture_output=True, text=True).stdout.strip()
            project = os.path.join(folder, "p00001")
            self.assertRegex(os.path.basename(path), r"^joint_report\d{14}\.csv$")
            with open(path, "rb") as f:
                data = f.read()
            lines = data.decode("cp1252").split("\r\n")
            self.assertRegex(lines[0], r"^Joint Report \[\d{4}-\d\d-\d\d \d\d:\d\d\.\d\d\]$")
            self.assertEqual(lines[1], "Acq:;20240301_0800_s1;20240302_0800;20240303_2000")
            self.assertEqual(lines[2], "")
            self.assertEqual(lines[3], "Group/Time[h];0;24.0;60.0")
            self.assertEqual(lines[-2:], ["", ""])
            rows = list(csv.reader(lines[4:-2], delimiter=";"))

            groups = channel_groups(os.path.join(project, "chgroup.dat"))
            order = ["20240301_0800_s1", "20240302_0800", "20240303_2000"]
            expected = {}
            for item, g in (("000_Contro", 0), ("001_Drug A", 1), ("002_Drug B", 2), ("007_Single", 7),
                            ("999_Free", None)):
                values = []
                for name in order:
                    recs = reader.read_counts(os.path.join(project, name, "counts.bin"))
                    members = [c for c in range(384) if groups.get(c, -1) == g] if g is not None else \
                        [c for c in range(384) if groups.get(c, -1) < 0]
                    total = sum(r["counts"][c] for r in recs for c in members)
                    values.append(str(total if g is None else round(total / len(members))))
                expected["[#" + item + "]"] = values
            self.assertEqual({r[0]: r[1:] for r in rows}, expected)

    def test_a_spreadsheet_reads_the_same_cells(self):
        check_spreadsheet_reads_the_same_cells(self, WRITER, ";")


if __name__ == "__main__":
    WRITER = sys.argv.pop(1)
    unittest.main()
