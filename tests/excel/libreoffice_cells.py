#!/usr/bin/python3
"""Prints the cells of workbooks as LibreOffice Calc opens them, in the form openpyxl_cells.py
prints ("<sheet>!<cell> <kind>:<value>", "<sheet> frozen at <cell>"), each workbook after a line
"== <file>". Calc runs headless with a profile of its own in a temporary directory, and the
workbooks are opened through its UNO interface, because only an opened view tells whether a
sheet's panes are frozen.

usage: libreoffice_cells.py FILE...
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

START_TIMEOUT = 60  # seconds for Calc to accept the connection on a loaded machine

# com.sun.star.util.NumberFormat
DATE, TIME, LOGICAL = 2, 4, 1024


def property_value(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def connect(pipe):
    resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
    deadline = time.monotonic() + START_TIMEOUT
    while True:
        try:
            return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except NoConnectException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)


def number(value):
    return str(int(value)) if float(value).is_integer() and abs(value) < 1e15 else repr(value)


def date(serial, null_date):
    moment = null_date + datetime.timedelta(days=serial)
    moment = moment.replace(microsecond=0) + datetime.timedelta(seconds=round(moment.microsecond / 1e6))
    if moment.time() != datetime.time(0):
        return moment.strftime("%Y-%m-%d %H:%M:%S")
    return moment.strftime("%Y-%m-%d")


def column_letters(col):
    letters = ""
    col += 1
    while col > 0:
        col, rest = divmod(col - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def cell_text(book, cell, null_date):
    kind = cell.Type.value
    if kind == "EMPTY":
        return None
    if kind == "TEXT":
        return "s:" + cell.String
    format_type = book.NumberFormats.getByKey(cell.NumberFormat).Type
    if format_type & LOGICAL:
        return "b:" + ("1" if cell.Value else "0")
    if format_type & (DATE | TIME):
        return "d:" + date(cell.Value, null_date)
    return "n:" + number(cell.Value)


def print_book(desktop, path):
    print("== " + path)
    book = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
                                        (property_value("Hidden", True), property_value("ReadOnly", True)))
    try:
        null = book.NullDate
        null_date = datetime.datetime(null.Year, null.Month, null.Day)
        view = book.CurrentController
        for sheet in book.Sheets:
            view.setActiveSheet(sheet)
            if view.hasFrozenPanes():
                print("%s frozen at %s%d" % (sheet.Name, column_letters(view.SplitColumn), view.SplitRow + 1))
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            last = cursor.RangeAddress
            for row in range(last.EndRow + 1):
                for col in range(last.EndColumn + 1):
                    text = cell_text(book, sheet.getCellByPosition(col, row), null_date)
                    if text is not None:
                        print("%s!%s%d %s" % (sheet.Name, column_letters(col), row + 1, text))
    finally:
        book.close(True)


def main():
    profile = tempfile.mkdtemp(prefix="flk-calc-")
    pipe = "flk_calc_%d" % os.getpid()
    office = subprocess.Popen(
        ["soffice", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless", "--invisible",
         "--nologo", "--norestore", "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        context = connect(pipe)
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        for path in sys.argv[1:]:
            print_book(desktop, path)
        sys.stdout.flush()
        try:
            desktop.terminate()
        except Exception:  # Calc ends its side of the bridge while answering
            pass
        office.wait(timeout=30)
    finally:
        if office.poll() is None:
            office.kill()
            office.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
