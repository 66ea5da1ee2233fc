#!/usr/bin/python3
"""Validates summary.json files against docs/summary.schema.json with the
jsonschema package (Debian python3-jsonschema); prints the first error and
exits 1 when one does not conform."""
import json
import sys

import jsonschema

with open(sys.argv[1], encoding="utf-8") as handle:
    schema = json.load(handle)
validator = jsonschema.Draft202012Validator(schema)
validator.check_schema(schema)
for path in sys.argv[2:]:
    with open(path, encoding="utf-8") as handle:
        errors = sorted(validator.iter_errors(json.load(handle)), key=str)
    if errors:
        print(f"{path}: {errors[0].message} at {list(errors[0].absolute_path)}")
        sys.exit(1)
