#!/usr/bin/python3
"""Prints the cells of a workbook as openpyxl reads them, in the form the Excel tests compare:
"<sheet>!<cell> <kind>:<value>" per cell that holds a value (s string, n number, b boolean,
d date), sheet by sheet, row by row, and "<sheet> frozen at <cell>" for a sheet with frozen panes.

usage: openpyxl_cells.py FILE
"""
import datetime
import sys

import openpyxl


def number(value):
    value = float(value)
    return str(int(value)) if value.is_integer() and abs(value) < 1e15 else repr(value)


def date(value):
    if isinstance(value, datetime.datetime) and value.time() != datetime.time(0):
        return value.strftime("%Y-%m-%d %H:%M:%S")
    return value.strftime("%Y-%m-%d")


def text(cell):
    value = cell.value
    if isinstance(value, bool):
        return "b:" + ("1" if value else "0")
    if isinstance(value, (datetime.datetime, datetime.date)):
        return "d:" + date(value)
    if isinstance(value, (int, float)):
        return "n:" + number(value)
    return "s:" + str(value)


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    for ws in book.worksheets:
        if ws.freeze_panes:
            print("%s frozen at %s" % (ws.title, ws.freeze_panes))
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is not None:
                    print("%s!%s %s" % (ws.title, cell.coordinate, text(cell)))


if __name__ == "__main__":
    main()
