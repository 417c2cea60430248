#!/usr/bin/python3
"""Checks of dsrtool's JSON form against the files of the repository.

  check_json_form.py DSRTOOL SOURCE_DIR schema
      the JSON Schema that dsrtool prints equals the copy under resources/
  check_json_form.py DSRTOOL SOURCE_DIR examples
      each examples/NAME.json builds into exactly examples/NAME.dsr
  check_json_form.py DSRTOOL SOURCE_DIR roundtrip
      every example and every fuzz-corpus file that dsrtool reads dumps to
      JSON that validates against the schema, and dump -> build -> dump
      gives the same JSON again

Exits 0 when all hold, 1 naming each file that fails.
"""
import glob
import json
import os
import subprocess
import sys
import tempfile

import jsonschema


def run(tool, *arguments):
    return subprocess.run([tool, *arguments], capture_output=True)


def check_schema(tool, source):
    printed = run(tool, "json-schema")
    copy_path = os.path.join(source, "resources", "device_series.schema.json")
    with open(copy_path, "rb") as copy:
        if printed.returncode != 0 or printed.stdout != copy.read():
            return [f"{copy_path}: differs from what 'dsrtool json-schema' "
                    "prints; refresh it with 'dsrtool json-schema > "
                    "resources/device_series.schema.json'"]
    jsonschema.Draft202012Validator.check_schema(json.loads(printed.stdout))
    return []


def check_examples(tool, source, work):
    problems = []
    sources = sorted(glob.glob(os.path.join(source, "examples", "*.json")))
    if not sources:
        return ["no examples/*.json found"]
    for json_path in sources:
        expected = json_path[:-len(".json")] + ".dsr"
        built = os.path.join(work, os.path.basename(expected))
        result = run(tool, "build", json_path, built)
        if result.returncode != 0:
            problems.append(f"{json_path}: build failed: "
                            f"{result.stderr.decode(errors='replace')}")
        elif result.stderr:
            problems.append(f"{json_path}: build warned: "
                            f"{result.stderr.decode(errors='replace')}")
        elif not os.path.exists(expected):
            problems.append(f"{expected}: missing")
        else:
            with open(built, "rb") as a, open(expected, "rb") as b:
                if a.read() != b.read():
                    problems.append(f"{expected}: differs from what 'dsrtool "
                                    f"build {os.path.basename(json_path)}' "
                                    "writes")
    return problems


def check_roundtrip(tool, source, work):
    with open(os.path.join(source, "resources",
                           "device_series.schema.json")) as schema_file:
        validator = jsonschema.Draft202012Validator(json.load(schema_file))
    files = sorted(glob.glob(os.path.join(source, "examples", "*.dsr")))
    files += sorted(glob.glob(os.path.join(source, "fuzz", "corpus", "*", "*")))
    problems = []
    read = 0
    for path in files:
        first = run(tool, "dump", path)
        if first.returncode != 0:
            continue  # not a file the readers take
        read += 1
        errors = sorted(validator.iter_errors(json.loads(first.stdout)),
                        key=lambda e: list(e.path))
        for error in errors[:3]:
            where = ".".join(str(p) for p in error.path)
            problems.append(f"{path}: the dump does not fit the schema at "
                            f"{where}: {error.message[:200]}")
        dumped = os.path.join(work, "dump.json")
        rebuilt = os.path.join(work, "rebuilt")
        with open(dumped, "wb") as out:
            out.write(first.stdout)
        built = run(tool, "build", dumped, rebuilt)
        if built.returncode != 0:
            problems.append(f"{path}: its dump does not build: "
                            f"{built.stderr.decode(errors='replace')}")
            continue
        second = run(tool, "dump", rebuilt)
        if second.stdout != first.stdout:
            problems.append(f"{path}: dump -> build -> dump differs")
    if read == 0:
        problems.append("no file read at all")
    print(f"{read} of {len(files)} files read and checked")
    return problems


def main():
    tool, source, what = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        if what == "schema":
            problems = check_schema(tool, source)
        elif what == "examples":
            problems = check_examples(tool, source, work)
        else:
            problems = check_roundtrip(tool, source, work)
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
