#!/usr/bin/env python3
"""Checks what kursexport printed against docs/report.schema.json.

usage: check-report-schema.py [--schema FILE] [--verbose] PATH...

Each PATH is a file holding one run's standard output, byte for byte, or a
folder of such files (*.out, not recursive). Every output is split into the
forms the program prints (report.md, "Telling the outputs apart"):

  [one network message line] then one of
    a complete report                 -> validated
    a state or error object           -> validated
    an unclosed report + error object -> the object is validated, the
                                         report's beginning counted as partial
    [an unclosed report +] the HTML error page -> counted, not JSON

Outputs are read as bytes and decoded as Latin-1: the tables' text is
single-byte and passes through as stored, so bytes 0x80-0xFF map one to one
onto U+0080-U+00FF. Member names that occur twice in a report are checked
occurrence by occurrence. Besides the schema, an output must begin with
CR LF and not end with a line break, and an error object's ErrorText must
equal its ErrorAddText.

The last line printed is "N passed, N failed"; the exit status is 1 when
anything failed or no JSON text was found at all, 2 on a usage error.
"""

import argparse
import json
import pathlib
import re
import sys

try:
    import jsonschema
except ImportError:  # pragma: no cover - reported, not hidden
    sys.exit("check-report-schema: python3-jsonschema is not installed")

DEFAULT_SCHEMA = pathlib.Path(__file__).resolve().parent.parent / "docs" / "report.schema.json"

CRLF = "\r\n"
PAGE_BANNER = "************************* ERROR *************************<br>"
NETWORK_MESSAGE = re.compile(
    r"^(No Network Connection found!"
    r"|Bad Network address!"
    r"|Network Password protected!"
    r"|The value specified by the lpProvider member does not match any provider!"
    r"|Error: Mapping Network Drive - .*!"
    r"|Extended Network Error! .*"
    r"|Extended Network Error - Unknown! )$",
    re.S,
)


class DuplicateAwareObject(dict):
    """A parsed JSON object that also keeps its members in order, duplicates included."""

    pairs = ()


def object_pairs(pairs):
    obj = DuplicateAwareObject(pairs)
    obj.pairs = pairs
    return obj


def reject_constant(name):
    raise ValueError(f"{name} is not JSON")


def parse(text):
    return json.loads(text, object_pairs_hook=object_pairs, parse_constant=reject_constant)


def instances(value):
    """The value as the schema sees it, once per earlier duplicate of a member."""
    yield value
    if isinstance(value, DuplicateAwareObject) and len(value.pairs) != len(value):
        for index, (name, member) in enumerate(value.pairs):
            last = max(i for i, (n, _) in enumerate(value.pairs) if n == name)
            if index != last:
                variant = dict(value)
                variant[name] = member
                yield variant


class Tally:
    def __init__(self, verbose):
        self.verbose = verbose
        self.passed = 0
        self.failed = 0
        self.counts = {}

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    def fail(self, source, why):
        self.failed += 1
        print(f"FAIL {source}: {why}")

    def check(self, validator, source, what, text):
        self.count(what)
        try:
            value = parse(text)
        except ValueError as error:
            self.fail(source, f"{what} is not JSON: {error}")
            return
        problems = []
        for instance in instances(value):
            error = jsonschema.exceptions.best_match(validator.iter_errors(instance))
            if error is not None:
                where = "/".join(str(p) for p in error.absolute_path)
                problems.append((where + ": " if where else "") + error.message)
        if isinstance(value, dict) and "ErrorText" in value:
            if value.get("ErrorText") != value.get("ErrorAddText"):
                problems.append("ErrorText and ErrorAddText differ")
        if problems:
            self.fail(source, f"{what}: " + "; ".join(sorted(set(problems))[:5]))
        else:
            self.passed += 1
            if self.verbose:
                print(f"ok   {source}: {what}")


def is_single_object(line):
    if not line.startswith("{"):
        return False
    try:
        return isinstance(parse(line), dict)
    except ValueError:
        return False


def check_output(validator, source, raw, tally):
    if not raw:
        tally.count("empty output (skipped)")
        return
    text = raw.decode("latin-1")
    if not text.startswith(CRLF):
        tally.fail(source, "the output does not begin with CR LF")
        return
    if text.endswith("\n") or text.endswith("\r"):
        tally.fail(source, "the output ends with a line break")
        return
    lines = text.split(CRLF)[1:]

    # At most one network message line, before everything else.
    if lines and NETWORK_MESSAGE.match(lines[0]) and len(lines) > 1:
        tally.count("network message line")
        lines = lines[1:]
    elif len(lines) == 1 and NETWORK_MESSAGE.match(lines[0]):
        tally.count("network message line")
        tally.fail(source, "a network message line and nothing after it")
        return

    # The tail: the error page, or one state or error object on the last line.
    head = lines
    if PAGE_BANNER in lines:
        start = lines.index(PAGE_BANNER) - 10
        if start < 0 or lines[start : start + 10] != ["<br>"] * 10:
            tally.fail(source, "an error page without its ten <br> lines")
            return
        tally.count("error page (HTML, not JSON)")
        head = lines[:start]
    elif lines and is_single_object(lines[-1]) and (
        lines[-1].startswith('{"State":') or lines[-1].startswith('{"Error":')
    ):
        what = "state object" if lines[-1].startswith('{"State":') else "error object"
        tally.check(validator, source, what, lines[-1])
        head = lines[:-1]
        if what == "state object" and head:
            tally.fail(source, "a state object after other output")
            return

    if not head:
        return
    if head[0] != "{":
        tally.fail(source, f"unrecognised output: {head[0][:80]!r}")
        return
    report = CRLF + CRLF.join(head)
    if head is lines:
        tally.check(validator, source, "complete report", report)
    elif head[-1] == "}":
        tally.fail(source, "a closed report followed by a failure output")
    else:
        tally.count("unclosed report before a failure output (partial, skipped)")


def output_files(paths):
    for path in paths:
        p = pathlib.Path(path)
        if p.is_dir():
            yield from sorted(q for q in p.iterdir() if q.is_file() and q.suffix == ".out")
        else:
            yield p


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--schema", default=str(DEFAULT_SCHEMA))
    parser.add_argument("--verbose", action="store_true", help="name every text that passed")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()

    schema = json.loads(pathlib.Path(args.schema).read_text(encoding="utf-8"))
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)

    tally = Tally(args.verbose)
    files = 0
    for path in output_files(args.paths):
        files += 1
        try:
            raw = path.read_bytes()
        except OSError as error:
            tally.fail(path, f"cannot read: {error}")
            continue
        check_output(validator, path, raw, tally)

    print(f"{files} outputs read")
    for what, n in sorted(tally.counts.items()):
        print(f"  {what}: {n}")
    if tally.passed + tally.failed == 0:
        print("no JSON text to check")
        print("0 passed, 0 failed")
        return 1
    print(f"{tally.passed} passed, {tally.failed} failed")
    return 1 if tally.failed else 0


if __name__ == "__main__":
    sys.exit(main())
