"""Reads a report.csv as a spreadsheet program would: Windows-1252, the csv
module with the report's spacer. Arguments: path, spacer, decimal sign."""
import csv
import sys

path, spacer, decimal = sys.argv[1], sys.argv[2], sys.argv[3]
with open(path, encoding="cp1252", newline="") as f:
    rows = list(csv.reader(f, delimiter=spacer))

assert rows[0][0] == "DATE:" and len(rows[0]) == 2, rows[0]
assert rows[1][0] == "FILE:" and rows[2] == ["SUBPROJECT:", "day 1 test"], rows[:3]
assert rows[3] == ["SETTING:", "Mode1 C.elegans[snr=1.8]".replace(".8", decimal + "8")], rows[3]
by_first = {}
for r in rows:
    if r:
        by_first.setdefault(r[0], r)
assert by_first["Group/Time[m]"] == ["Group/Time[m]", "30", "60"], by_first["Group/Time[m]"]
assert by_first["000_Control"] == ["000_Control", "23", "1"], by_first["000_Control"]
temp = by_first["Temp[\u00b0C]"]
assert temp == ["Temp[\u00b0C]", "25" + decimal + "0", "0" + decimal + "0", ""], temp
se = [r for r in rows if r and r[0] == "000_Control"][1]
assert se == ["000_Control", "8" + decimal + "7", "0" + decimal + "0"], se
print("ok")
