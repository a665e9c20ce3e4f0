#!/usr/bin/env python3
"""Validates what fenlark-info --json and fenlark-library list --json print
against the JSON Schemas in docs/, on the bundled samples and, when present,
on every file of the shared demo collection.

Usage: check_json_schema.py INFO_SCHEMA LIBRARY_SCHEMA FENLARK_INFO
                            FENLARK_LIBRARY SAMPLES_DIR [SHARED_DEMOS_DIR]
"""

import copy
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text, file=sys.stderr)


def run(program, args, env):
    result = subprocess.run([program, *args], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env, timeout=600)
    lines = [line for line in result.stdout.decode("utf-8").split("\n") if line]
    return result.returncode, [json.loads(line) for line in lines]


def validate_all(validator, objects, where):
    for number, value in enumerate(objects):
        for error in validator.iter_errors(value):
            path = "/".join(str(part) for part in error.absolute_path)
            # A oneOf error quotes the whole value: keep the line readable.
            fail(f"{where}, object {number + 1}, at /{path}: {error.message[:300]}")


def expect_rejected(validator, value, what):
    """A schema that accepts everything would pass every test: make sure it
    rejects the mistakes it is there to catch."""
    if validator.is_valid(value):
        fail(f"the schema accepts {what}")


def info_objects(program, demos, options, env):
    """Runs fenlark-info over the demos; a demo that ends the program ends
    the run, so the rest is read by a new one."""
    objects = []
    rest = list(demos)
    while rest:
        status, printed = run(program, ["--json", *options, "--", *rest], env)
        if status not in (0, 1, 3) or not printed:
            fail(f"fenlark-info {' '.join(options)} exited {status} on {rest[0]}")
            return objects
        objects += printed
        rest = rest[len(printed):] if status == 3 else []
    if len(objects) != len(demos):
        fail(f"{len(demos)} demos but {len(objects)} objects")
    return objects


def main():
    info_schema_path, library_schema_path, info, library, samples = sys.argv[1:6]
    shared = sys.argv[6] if len(sys.argv) > 6 else ""
    with open(info_schema_path, encoding="utf-8") as file:
        info_schema = json.load(file)
    with open(library_schema_path, encoding="utf-8") as file:
        library_schema = json.load(file)
    for schema in (info_schema, library_schema):
        jsonschema.Draft202012Validator.check_schema(schema)
    info_validator = jsonschema.Draft202012Validator(info_schema)
    library_validator = jsonschema.Draft202012Validator(library_schema)

    temp = tempfile.TemporaryDirectory()
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(temp.name, "config"),
               XDG_DATA_HOME=os.path.join(temp.name, "data"))
    sample_demos = sorted(os.path.join(samples, name) for name in os.listdir(samples)
                          if not name.endswith((".json", ".md")))

    # Plain, with the match analysis, and with the demo log of the last demo.
    plain = info_objects(info, sample_demos, [], env)
    validate_all(info_validator, plain, "samples")
    if any("match" in value or "log" in value for value in plain):
        fail("match or log without --match or --log")
    matched = info_objects(info, sample_demos, ["--match"], env)
    validate_all(info_validator, matched, "samples with --match")
    if not all(isinstance(value.get("match", None), dict) for value in matched):
        fail("a sample without its match analysis")
    log_path = os.path.join(temp.name, "demo.log")
    logged = info_objects(info, sample_demos, ["--log", log_path], env)
    validate_all(info_validator, logged, "samples with --log")
    if not logged or "log" not in logged[-1] or any("log" in v for v in logged[:-1]):
        fail("--log must add log to the last object only")

    # The schema must reject what it is there to catch.
    if matched:
        good = matched[0]
        expect_rejected(info_validator, dict(good, extra=1), "an unknown field")
        missing = dict(good)
        del missing["txtMap"]
        expect_rejected(info_validator, missing, "a missing txtMap")
        wrong = copy.deepcopy(good)
        wrong["match"]["players"] = [{"name": "x"}]
        expect_rejected(info_validator, wrong, "a player without team or times")
        wrong = copy.deepcopy(good)
        wrong["messages"] = [{"icon": "question", "title": "", "text": "", "textId": None}]
        expect_rejected(info_validator, wrong, "an unknown message icon")

    # Every file of the shared collection, whatever it is.
    if shared and os.path.isdir(shared):
        files = sorted(os.path.join(root, name) for root, _, names in os.walk(shared)
                       for name in names)
        objects = info_objects(info, files, ["--match"], env)
        validate_all(info_validator, objects, "shared demos with --match")
        print(f"{len(objects)} objects of the shared demos checked")
    else:
        print("no shared demos: only the samples were checked")

    # The library's rows, after a scan of the samples.
    database = os.path.join(temp.name, "library.sqlite")
    scan = subprocess.run([library, "--db", database, "scan", samples],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=600)
    if scan.returncode != 0:
        fail(f"fenlark-library scan exited {scan.returncode}: {scan.stderr.decode()}")
    status, rows = run(library, ["--db", database, "list", "--json"], env)
    if status != 0 or len(rows) != len(sample_demos):
        fail(f"fenlark-library list --json: status {status}, {len(rows)} rows")
    validate_all(library_validator, rows, "library rows")
    if rows:
        expect_rejected(library_validator, dict(rows[0], dateSource="guess"),
                        "an unknown date source")

    print(f"{len(plain) + len(matched) + len(logged)} sample objects and {len(rows)} rows checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
