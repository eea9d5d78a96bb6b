#!/usr/bin/python3
"""Reads an .xlsx file with openpyxl and prints one record a line: sheets, active, selection,
merged, columns (the span the column defaults cover and their alignment), widths (each span of
columns of one width, in characters as the spreadsheet's column dialog shows them), then "cell COORD s|n JSON-VALUE" and "format COORD
ALIGNMENT" for each cell, ALIGNMENT with the defaults (general, bottom) for what the file omits,
and "numfmt COORD CODE" for each cell whose number format is not General. With --shown it prints
instead the sheet's values as a spreadsheet shows them, as CSV (RFC 4180, CRLF)."""
import csv
import json
import re
import sys

import openpyxl
from openpyxl.cell.text import Text
from openpyxl.reader import excel
from openpyxl.xml.constants import SHEET_MAIN_NS
from openpyxl.xml.functions import iterparse

ESCAPE = re.compile("_x([0-9A-Fa-f]{4})_")


def read_string_table(xml_source):
    """openpyxl decodes only the escaped underscore; decode every _xHHHH_ escape, left to right."""
    strings = []
    for _, node in iterparse(xml_source):
        if node.tag == "{%s}si" % SHEET_MAIN_NS:
            text = Text.from_tree(node).content
            strings.append(ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text))
            node.clear()
    return strings


excel.read_string_table = read_string_table


def alignment(align):
    return "%s %s wrap=%d rotation=%d shrink=%d indent=%d" % (
        align.horizontal or "general",
        align.vertical or "bottom",
        1 if align.wrap_text else 0,
        align.text_rotation or 0,
        1 if align.shrink_to_fit else 0,
        align.indent or 0,
    )


def main(path):
    book = openpyxl.load_workbook(path)
    sheet = book.active
    print("sheets", json.dumps(book.sheetnames))
    print("active", sheet.title)
    selection = sheet.sheet_view.selection[0]
    print("selection", selection.activeCell, selection.sqref)
    print("merged", len(sheet.merged_cells.ranges))
    dimensions = sorted(sheet.column_dimensions.values(), key=lambda d: d.min)
    if dimensions:
        aligns = sorted({alignment(book._alignments[d._style.alignmentId]) for d in dimensions})
        print("columns", dimensions[0].min, dimensions[-1].max, " / ".join(aligns))
        # The file holds the width with the writer's padding of 5 pixels, in digits of 7 pixels.
        print("widths", " ".join("%d-%d:%g" % (d.min, d.max, round((d.width * 7 - 5) / 7, 2)) for d in dimensions))
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            kind = "s" if cell.data_type == "s" else "n"
            print("cell", cell.coordinate, kind, json.dumps(cell.value))
            print("format", cell.coordinate, alignment(cell.alignment))
            if cell.number_format != "General":
                print("numfmt", cell.coordinate, cell.number_format)


def shown(cell):
    """The value as its number format shows it: the format's section for its sign, its decimals,
    its "+"; a text as it is."""
    if cell.data_type == "s" or cell.number_format == "General":
        return str(cell.value) if cell.data_type == "s" else "%.15g" % cell.value
    sections = cell.number_format.split(";")
    value = cell.value
    section = sections[0] if value > 0 or len(sections) == 1 else sections[1] if value < 0 else sections[-1]
    decimals = len(section.split(".")[1]) if "." in section else 0
    text = "%.*f" % (decimals, abs(value) if len(sections) > 1 else value)
    return ("+" if section.startswith("+") else "-" if section.startswith("-") else "") + text


def print_shown(path):
    sheet = openpyxl.load_workbook(path).active
    out = csv.writer(sys.stdout, lineterminator="\r\n")
    for row in sheet.iter_rows(min_row=1, min_col=1, max_col=sheet.max_column):
        out.writerow("" if cell.value is None else shown(cell) for cell in row)


if __name__ == "__main__":
    if sys.argv[1] == "--shown":
        print_shown(sys.argv[2])
    else:
        main(sys.argv[1])
