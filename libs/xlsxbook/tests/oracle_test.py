#!/usr/bin/python3
"""Outside oracles for xlsxbook, both ways:
- workbooks we write are opened by openpyxl (and converted by LibreOffice where it is installed)
  and must show the same sheet names, values, types, date formats and frozen panes;
- workbooks openpyxl writes are read by xlsx-dump and must show what openpyxl reads back.

usage: oracle_test.py XLSX_DUMP SAMPLE_WRITER
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import warnings

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904

DUMP, WRITER = sys.argv[1], sys.argv[2]


def iso(value):
    """A date or time as xlsx-dump prints it."""
    if isinstance(value, datetime.time):
        text = value.strftime("%H:%M:%S")
        return text + (".%03d" % (value.microsecond // 1000) if value.microsecond else "")
    text = value.strftime("%Y-%m-%d")
    if isinstance(value, datetime.datetime) and value.time() != datetime.time(0):
        text += "T" + iso(value.time())
    return text


def typed_dump(path):
    """{sheet name: {cell reference: (type, text)}} as xlsx-dump --typed prints it."""
    out = subprocess.run([DUMP, "--typed", path], capture_output=True, text=True, check=True).stdout
    sheets, current = {}, None
    for line in out.split("\n"):
        if line.startswith("sheet "):
            name = line.split(": ", 1)[1].rsplit(" (", 1)[0]
            current = sheets.setdefault(name, {})
        elif line:
            ref, kind, text = line.split("\t", 2)
            text = text.replace("\\n", "\n").replace("\\t", "\t").replace("\\r", "\r").replace("\\\\", "\\")
            if kind != "blank":
                current[ref] = (kind, text)
    return sheets


def expected_from_openpyxl(path):
    """The same view built from openpyxl's reading of the cached values."""
    wb = openpyxl.load_workbook(path, data_only=True)
    sheets = {}
    for ws in wb.worksheets:
        cells = sheets.setdefault(ws.title, {})
        for row in ws.iter_rows():
            for cell in row:
                v = cell.value
                if v is None:
                    continue
                if isinstance(v, bool):
                    cells[cell.coordinate] = ("boolean", "TRUE" if v else "FALSE")
                elif isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
                    cells[cell.coordinate] = ("date", iso(v))
                elif isinstance(v, (int, float)):
                    cells[cell.coordinate] = ("number", float(v))
                elif isinstance(v, str) and v.startswith("#") and cell.data_type == "e":
                    cells[cell.coordinate] = ("error", v)
                else:
                    cells[cell.coordinate] = ("string", v)
    return sheets


class TheirFilesReadByUs(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def compare(self, wb, name):
        path = os.path.join(self.dir, name)
        wb.save(path)
        ours, theirs = typed_dump(path), expected_from_openpyxl(path)
        self.assertEqual(list(ours), list(theirs))
        for sheet in theirs:
            self.assertEqual(sorted(ours[sheet]), sorted(theirs[sheet]), sheet)
            for ref, (kind, value) in theirs[sheet].items():
                got_kind, got = ours[sheet][ref]
                self.assertEqual(got_kind, kind, f"{sheet}!{ref}")
                if kind == "number":
                    self.assertEqual(float(got), value, f"{sheet}!{ref}")
                else:
                    self.assertEqual(got, value, f"{sheet}!{ref}")

    def test_values_of_every_kind_on_several_sheets(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "Values"
        ws.append(["text", "int", "float", "bool", "date", "datetime", "time"])
        ws.append(["héllo wörld", 42, -3.25, True, datetime.date(2024, 2, 29),
                   datetime.datetime(2023, 12, 31, 23, 59, 59), datetime.time(6, 30, 15)])
        ws.append(["  spaced  ", 0, 1e-12, False, datetime.date(1900, 1, 1),
                   datetime.datetime(1970, 1, 1, 12, 0, 0), datetime.time(0, 0, 1)])
        ws.append(["multi\nline", 10 ** 15, 1.5e300, None, datetime.date(9999, 12, 31)])
        ws["B7"] = "=SUM(B2:B4)"  # no cached value: openpyxl and we both show nothing
        ws["K20"] = "far away"
        ws["C10"].value = 45352.75
        ws["C10"].number_format = "dd/mm/yyyy hh:mm"
        ws["D10"].value = 45352
        ws["D10"].number_format = 'yyyy"年"m"月"d"日"'
        ws["E10"].value = 1234.5
        ws["E10"].number_format = '#,##0.00 "days"'
        ws["F10"].value = 0.5
        ws["F10"].number_format = "0.00%"
        other = wb.create_sheet("Other sheet")
        other["A1"] = "only cell"
        wb.create_sheet("Empty")
        self.compare(wb, "values.xlsx")

    @unittest.skipUnless(shutil.which("libreoffice"), "LibreOffice is not installed")
    def test_formulas_calculated_and_saved_by_libreoffice(self):
        # LibreOffice calculates the formulas and caches numbers, strings, booleans and errors.
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "Calc"
        ws.append([2, 3, "=A1*B1", '=A1&"x"', "=A1>B1", "=1/0", "=DATE(2024,2,29)", '=NA()'])
        ws["G1"].number_format = "yyyy-mm-dd"
        ws.append(["=SUM(A1:B1)", "=C1+1", "=C2*2", '=UPPER("abc")', "=TRUE()"])
        wb.create_sheet("Second")["B2"] = "kept"
        source = os.path.join(self.dir, "formulas.xlsx")
        wb.save(source)
        outdir = os.path.join(self.dir, "lo")
        profile = "file://" + os.path.join(self.dir, "lo-profile")
        subprocess.run(["libreoffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", "xlsx",
                        "--outdir", outdir, source], check=True, capture_output=True, timeout=180)
        converted = os.path.join(outdir, "formulas.xlsx")
        ours, theirs = typed_dump(converted), expected_from_openpyxl(converted)
        self.assertEqual(theirs["Calc"]["C1"], ("number", 6.0))  # the oracle saw calculated values
        self.assertEqual(ours["Calc"]["F1"], ("error", "#DIV/0!"))
        self.assertEqual(ours["Calc"]["G1"], ("date", "2024-02-29"))
        self.assertEqual(list(ours), list(theirs))
        for sheet, cells in theirs.items():
            self.assertEqual(sorted(ours[sheet]), sorted(cells), sheet)
            for ref, (kind, value) in cells.items():
                self.assertEqual(ours[sheet][ref][0], kind, ref)
                got = float(ours[sheet][ref][1]) if kind == "number" else ours[sheet][ref][1]
                self.assertEqual(got, value, ref)

    def test_1904_dates(self):
        wb = openpyxl.Workbook()
        wb.epoch = CALENDAR_MAC_1904
        ws = wb.active
        ws["A1"] = datetime.datetime(1998, 7, 5, 8, 15)
        ws["A2"] = datetime.date(1904, 1, 2)
        ws["A3"] = 100
        self.compare(wb, "mac.xlsx")


class OurFilesReadByThem(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.path = os.path.join(cls.dir, "ours.xlsx")
        subprocess.run([WRITER, cls.path], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_openpyxl_reads_the_values_types_formats_and_pane(self):
        with warnings.catch_warnings():
            warnings.simplefilter("error")  # any complaint about the file fails the test
            wb = openpyxl.load_workbook(self.path)
        self.assertEqual(wb.sheetnames, ["Data", "Notes & more"])
        ws = wb["Data"]
        self.assertEqual(ws.freeze_panes, "A2")
        self.assertEqual([c.value for c in ws[1]], ["name", "amount", "day", "moment", "flag"])
        self.assertEqual(ws.max_row, 51)
        for r in range(1, 51):
            name, amount, day, moment, flag = ws[r + 1]
            self.assertEqual(name.value, f"item {r}")
            self.assertEqual(amount.value, r * 1.25 - 20)
            self.assertEqual(amount.data_type, "n")
            self.assertEqual(day.value, datetime.datetime(2024, 1 + r % 12, 1 + r % 28))
            self.assertEqual(day.number_format, "mm-dd-yy")  # built-in format 14
            self.assertTrue(day.is_date)
            self.assertEqual(moment.value, datetime.datetime(1999, 12, 31, r % 24, r % 60, r % 60))
            self.assertEqual(moment.number_format, "yyyy-mm-dd hh:mm:ss")
            self.assertEqual(flag.value or "", "TRUE" if r % 2 else "")
            self.assertEqual(flag.data_type, "s")
        notes = wb["Notes & more"]
        self.assertEqual([notes.cell(r, 1).value for r in range(1, 5)],
                         ['a < b & c > d "quoted"', " leading and trailing ", "two\nlines", "été 日本"])
        self.assertEqual(notes["C4"].value, 1e-7)
        self.assertIsNone(notes.freeze_panes)

    def test_read_only_mode_sees_the_same_rows(self):
        wb = openpyxl.load_workbook(self.path, read_only=True)
        rows = list(wb["Data"].iter_rows(values_only=True))
        self.assertEqual(len(rows), 51)
        self.assertEqual(rows[7][:2], ("item 7", 7 * 1.25 - 20))

    def libreoffice(self, target, outdir):
        """Converts our file with LibreOffice, in a profile of its own so that runs do not collide."""
        profile = "file://" + os.path.join(self.dir, "lo-profile")
        subprocess.run(["libreoffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", target,
                        "--outdir", outdir, self.path], check=True, capture_output=True, timeout=180)

    @unittest.skipUnless(shutil.which("libreoffice"), "LibreOffice is not installed")
    def test_libreoffice_converts_it_to_the_same_csv(self):
        self.libreoffice("csv", self.dir)
        with open(os.path.join(self.dir, "ours.csv"), encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertEqual(lines[0], "name,amount,day,moment,flag")
        self.assertEqual(len(lines), 51)
        for r in range(1, 51):
            fields = lines[r].split(",")
            self.assertEqual(fields[0], f"item {r}")
            self.assertEqual(float(fields[1]), r * 1.25 - 20)
            self.assertEqual(fields[3], "1999-12-31 %02d:%02d:%02d" % (r % 24, r % 60, r % 60))
            self.assertEqual(fields[4], "TRUE" if r % 2 else "")

    @unittest.skipUnless(shutil.which("libreoffice"), "LibreOffice is not installed")
    def test_libreoffice_reexports_it_and_we_read_its_file_as_openpyxl_does(self):
        # Headless conversion drops view settings of any file, so the frozen pane is checked through
        # openpyxl above, not here.
        outdir = os.path.join(self.dir, "lo")
        os.makedirs(outdir, exist_ok=True)
        self.libreoffice("xlsx", outdir)
        converted = os.path.join(outdir, "ours.xlsx")
        wb = openpyxl.load_workbook(converted)
        self.assertEqual(wb.sheetnames, ["Data", "Notes & more"])
        self.assertEqual(wb["Data"]["C2"].value, datetime.datetime(2024, 2, 2))
        # And LibreOffice's own file is read by us as openpyxl reads it.
        ours, theirs = typed_dump(converted), expected_from_openpyxl(converted)
        self.assertEqual(list(ours), list(theirs))
        for sheet, cells in theirs.items():
            self.assertEqual(sorted(ours[sheet]), sorted(cells), sheet)
            for ref, (kind, value) in cells.items():
                self.assertEqual(ours[sheet][ref][0], kind, ref)
                got = float(ours[sheet][ref][1]) if kind == "number" else ours[sheet][ref][1]
                self.assertEqual(got, value, ref)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
