"""Opens a CSV file in LibreOffice (headless, with a private profile) with the
given field separator and returns the cells as LibreOffice read them, written
back out with "," between fields. None when soffice is not installed."""

import csv
import os
import shutil
import subprocess
import tempfile


def read_with_soffice(path, separator):
    if shutil.which("soffice") is None:
        return None
    work = tempfile.mkdtemp(prefix="vondrel-soffice-")
    try:
        source = os.path.join(work, "in.csv")
        shutil.copyfile(path, source)
        profile = "file://" + os.path.join(work, "profile")
        # Import: the file's separator, '"' as text quote, Windows-1252, first line 1,
        # every column as text so that LibreOffice hands back what it read.
        infilter = "CSV:%d,34,1252,1,%s" % (ord(separator), "/".join("%d/2" % c for c in range(1, 200)))
        out_dir = os.path.join(work, "out")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--infilter=" + infilter,
                        "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", out_dir, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
        with open(os.path.join(out_dir, "in.csv"), encoding="utf-8", newline="") as f:
            return list(csv.reader(f))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def cells(rows):
    """The rows without their trailing empty cells, empty rows left out: a
    spreadsheet pads every row to its widest one."""
    out = []
    for r in rows:
        r = list(r)
        while r and r[-1] == "":
            r.pop()
        if r:
            out.append(r)
    return out


def check_spreadsheet_reads_the_same_cells(test, writer, separator):
    """Runs the writer program in a fresh folder and checks that LibreOffice
    reads the same cells from its file as Python's csv module does."""
    with tempfile.TemporaryDirectory() as folder:
        path = subprocess.run([writer, folder], check=True, capture_output=True, text=True).stdout.strip()
        got = read_with_soffice(path, separator)
        if got is None:
            test.skipTest("soffice is not installed")
        with open(path, encoding="cp1252", newline="") as f:
            want = list(csv.reader(f, delimiter=separator))
        test.assertEqual(cells(got), cells(want))
