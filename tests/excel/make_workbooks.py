#!/usr/bin/python3
"""Writes the workbooks the Excel read tests take as input, with openpyxl, into OUTDIR.

usage: make_workbooks.py OUTDIR
"""
import datetime
import os
import sys

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904


def save(book, outdir, name):
    book.save(os.path.join(outdir, name))


def sheet(book, title, rows, first=False):
    ws = book.active if first else book.create_sheet()
    ws.title = title
    for row in rows:
        ws.append(row)
    return ws


def orders(outdir):
    """Cells of every type under one header, on the sheets a mapping selects and one it leaves."""
    book = openpyxl.Workbook()
    sheet(book, "Orders", [
        ["id", "customer", "total", "items", "day", "paid"],
        ["A1", "Zoë", 12.5, 3, datetime.date(2024, 3, 4), True],
        ["A2", "Bob", -2.75, 2.9, datetime.date(2024, 12, 31), False],
        [1003, 42, "7.5", -2.9, datetime.datetime(2024, 3, 5, 0, 0), None],
    ], first=True)
    sheet(book, "Lines", [["order", "product", "qty"], ["A1", "apple", 3], ["A1", "pear", 2], ["A2", "apple", 1]])
    sheet(book, "Notes", [["id", "total"], ["N1", 99]])
    sheet(book, "Big", [["id", "items"], ["B1", 3e12]])
    save(book, outdir, "orders.xlsx")


def dates(outdir, name, epoch=None):
    """The same days in either date system, and a time of day; a day outside the calendar."""
    book = openpyxl.Workbook()
    if epoch is not None:
        book.epoch = epoch
    sheet(book, "Orders", [
        ["id", "day", "total"],
        ["A1", datetime.date(2024, 3, 4), 1],
        ["A2", datetime.datetime(2024, 12, 31, 18, 30), 2],
        ["A3", datetime.date(2031, 1, 1), 3],
    ], first=True)
    save(book, outdir, name)


def many(outdir):
    """Several thousand rows."""
    book = openpyxl.Workbook()
    rows = [["id", "customer", "total"]]
    rows += [["o%d" % i, "customer %d" % (i % 97), i * 0.5] for i in range(1, 5001)]
    sheet(book, "Orders", rows, first=True)
    save(book, outdir, "many.xlsx")


def years(outdir):
    """Numbers as column names, as planners head columns with years."""
    book = openpyxl.Workbook()
    sheet(book, "Plan", [["product", 2023, 2024, "note"], ["apple", 1, 2, "x"], ["pear", 3, None, "y"]], first=True)
    save(book, outdir, "years.xlsx")


def gaps(outdir):
    """Empty cells, a row without its id, an empty row in the middle and blanks around names."""
    book = openpyxl.Workbook()
    ws = sheet(book, "Orders", [
        ["id", "customer", "total"],
        ["A1", None, 1],
        [None, "nobody", 2],
        [],
        ["  A4 ", "Dee", None],
        ["A5", "", "   "],
    ], first=True)
    ws["A8"] = "A8"
    ws["C8"] = 8
    save(book, outdir, "gaps.xlsx")


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    orders(outdir)
    dates(outdir, "dates1900.xlsx")
    dates(outdir, "dates1904.xlsx", CALENDAR_MAC_1904)
    many(outdir)
    years(outdir)
    gaps(outdir)


if __name__ == "__main__":
    main()
