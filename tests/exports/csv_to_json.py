#!/usr/bin/python3
"""Reads CSV files with Python's csv module and prints them as JSON, so that
the C++ tests see exactly the fields a CSV reader sees: one object per file,
{"header": [...], "rows": [[field, ...], ...]}, all fields as text."""
import csv
import json
import sys

tables = {}
for path in sys.argv[1:]:
    with open(path, newline="", encoding="ascii") as handle:
        rows = list(csv.reader(handle, strict=True))
    tables[path] = {"header": rows[0] if rows else [], "rows": rows[1:]}
json.dump(tables, sys.stdout)
