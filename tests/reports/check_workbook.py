"""Reads a workbook written by the program with readers of its own: the zip
members with Python's zipfile and zlib, every part with an XML parser, the
sheet with openpyxl and, when asked, with soffice converting it to CSV.
Arguments: the workbook's path and a JSON file of expectations:
  date_time      [y, m, d, h, mi, s] of every member (seconds as the zip format keeps them)
  rows           the sheet's rows (numbers, texts, null for empty cells), or null
  rows_starting  {first cell: the row's cells from the second on} for rows found by their first cell
  soffice_rows   the rows of soffice's CSV export (texts), or absent
  same_as_csv    [path, delimiter, decimal sign]: every cell as Python's csv module reads that
                 Windows-1252 file, a plain decimal number as a number, blanks trimmed
Prints "ok" and exits 0 when everything holds."""
import csv
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile
import zlib

import openpyxl

PARTS = ["[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "docProps/core.xml",
         "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
         "xl/worksheets/sheet1.xml"]


def same_cell(got, want):
    if want is None:
        return got is None
    if isinstance(want, str):
        return isinstance(got, str) and got == want
    return isinstance(got, (int, float)) and not isinstance(got, bool) and abs(got - want) <= 1e-9 * max(1, abs(want))


def check_rows(got_rows, want_rows, what):
    assert len(got_rows) == len(want_rows), (what, len(got_rows), len(want_rows))
    for i, (got, want) in enumerate(zip(got_rows, want_rows)):
        want = list(want) + [None] * (len(got) - len(want))
        assert len(got) == len(want) and all(same_cell(g, w) for g, w in zip(got, want)), (what, i + 1, got, want)


def csv_rows(path, delimiter, decimal):
    number = re.compile(r"^[+-]?(\d+\%s?\d*|\%s\d+)([eE][+-]?\d+)?$" % (decimal, decimal))
    with open(path, encoding="cp1252", newline="") as f:
        rows = list(csv.reader(f, delimiter=delimiter))
    out = []
    for r in rows:
        cells = []
        for field in r:
            t = field.strip(" ")
            cells.append(None if t == "" else float(t.replace(decimal, ".")) if number.match(t) else t)
        out.append(cells)
    width = max(len(r) for r in out)
    return [r + [None] * (width - len(r)) for r in out]


def main():
    path, expected_path = sys.argv[1], sys.argv[2]
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)

    with zipfile.ZipFile(path) as z:
        assert z.testzip() is None
        infos = z.infolist()
        assert [i.filename for i in infos] == PARTS, [i.filename for i in infos]
        for i in infos:
            assert i.compress_type == zipfile.ZIP_STORED, i.filename
            assert i.flag_bits & 0x800, i.filename
            assert list(i.date_time) == expected["date_time"], (i.filename, i.date_time)
            data = z.read(i)
            assert zlib.crc32(data) == i.CRC, i.filename
            assert not data.startswith(b"\xef\xbb\xbf"), i.filename
            ET.fromstring(data)

    wb = openpyxl.load_workbook(path)
    assert wb.sheetnames == ["Hoja1"], wb.sheetnames
    rows = [list(r) for r in wb["Hoja1"].iter_rows(values_only=True)]
    if expected.get("rows") is not None:
        check_rows(rows, expected["rows"], "openpyxl")
    if "same_as_csv" in expected:
        check_rows(rows, csv_rows(*expected["same_as_csv"]), "csv")
    for first, rest in expected.get("rows_starting", {}).items():
        found = [r for r in rows if r and r[0] == first]
        assert found, ("no row starting with", first)
        check_rows([found[0][1:1 + len(rest)]], [rest], first)

    if "soffice_rows" in expected:
        work = tempfile.mkdtemp(prefix="vondrel-soffice-")
        try:
            profile = "file://" + os.path.join(work, "profile")
            subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                            "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", work, path],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
            out = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + ".csv")
            with open(out, encoding="utf-8", newline="") as f:
                got = list(csv.reader(f))
            assert got == expected["soffice_rows"], (got, expected["soffice_rows"])
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print("ok")


main()
