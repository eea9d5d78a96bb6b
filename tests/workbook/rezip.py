#!/usr/bin/python3
"""Copies an .xlsx (zip) file with one change, for the tests of the check of finished workbooks:
    rezip.py IN OUT store             every part stored uncompressed, unchanged
    rezip.py IN OUT remove PART       without PART
    rezip.py IN OUT cut PART N        PART without its last N bytes
    rezip.py IN OUT drop-row PART     PART without its last <row> element
Each copied part keeps its name and order; the zip directory is written anew, so that its check
sums and sizes fit the changed part."""
import re
import sys
import zipfile


def changed(name, data, action, args):
    if action == "cut" and name == args[0]:
        return data[: len(data) - int(args[1])]
    if action == "drop-row" and name == args[0]:
        rows = list(re.finditer(rb"<row [^>]*>.*?</row>", data, re.S))
        last = rows[-1]
        return data[: last.start()] + data[last.end():]
    return data


def main(source, target, action, *args):
    method = zipfile.ZIP_STORED if action == "store" else zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(source) as old, zipfile.ZipFile(target, "w", method) as new:
        for info in old.infolist():
            if action == "remove" and info.filename == args[0]:
                continue
            new.writestr(info.filename, changed(info.filename, old.read(info), action, args))


if __name__ == "__main__":
    main(*sys.argv[1:])
