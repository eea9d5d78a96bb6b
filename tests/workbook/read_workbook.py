#!/usr/bin/python3
"""Reads an .xlsx file with openpyxl and prints one record a line: sheets, active, selection,
merged, columns (the span the column defaults cover and their alignment), widths (each span of
columns of one width, in characters as the spreadsheet's column dialog shows them), then "cell COORD s|n JSON-VALUE" and "format COORD
ALIGNMENT" for each cell, ALIGNMENT with the defaults (general, bottom) for what the file omits,
and "numfmt COORD CODE" for each cell whose number format is not General."""
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


if __name__ == "__main__":
    main(sys.argv[1])
