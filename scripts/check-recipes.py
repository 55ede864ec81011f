#!/usr/bin/env python3
"""Runs the decoding recipes of docs/report.md ("Text encoding") with the
real clients and checks what they decode.

  scripts/check-recipes.py BUILD

BUILD holds kursexport and mkdemo. mkdemo writes a demo installation whose
currency names hold every byte 0x80 to 0xFF; the PHP, Python and Node code
blocks of the section run as they stand there, each between a line that sets
`program` to that installation's kursexport and one that prints `report` as
JSON, with php, python3 and node. Every decoded name must be the Windows-1252
text of its bytes, with the five bytes Windows-1252 leaves undefined decoded
as the section's table says for that recipe. The .NET recipe is not run (no
.NET on the test machines); the output says so.

The exit status is 1 when a recipe is missing from the section, a client is
missing from the machine, a recipe failed or decoded a byte otherwise.
"""
import json
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Windows-1252 for the bytes 0x80 to 0x9F (None: undefined); from 0xA0 on,
# each byte is the character of the same number.
CP1252_80_9F = [
    0x20AC, None, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, None, 0x017D, None,
    None, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, None, 0x017E, 0x0178,
]
UNDEFINED = [0x80 + i for i, c in enumerate(CP1252_80_9F) if c is None]

# Per code block language: the client, the lines around the recipe, and
# what the recipe makes of an undefined byte.
RECIPES = {
    "php": (["php"], "<?php\n$program = $argv[1];\n", "\necho json_encode($report);\n",
            lambda b: "?"),
    "python": ([sys.executable], "import sys\nprogram = sys.argv[1]\n",
               "\nprint(json.dumps(report))\n", lambda b: "\ufffd"),
    "js": (["node"], "const program = process.argv[2];\n",
           "\nprocess.stdout.write(JSON.stringify(report));\n", chr),
}
NOT_RUN = {"csharp": ".NET"}

# The bytes 0x80 to 0xFF as the names of five demo currencies, 30 bytes at
# most each (the width of M_MAUANG->NAMA).
HIGH_BYTES = bytes(range(0x80, 0x100))
NAMES = {code: HIGH_BYTES[i * 30:(i + 1) * 30]
         for i, code in enumerate(["USD", "EUR", "SGD", "JPY", "AUD"])}


def recipes():
    """The code blocks of the Text encoding section, by language."""
    text = (ROOT / "docs" / "report.md").read_text(encoding="utf-8")
    section = re.search(r"^## Text encoding\n(.*?)(?=^## )", text, re.S | re.M).group(1)
    blocks = {}
    for lang, code in re.findall(r"^```(\w+)\n(.*?)^```$", section, re.S | re.M):
        if lang in blocks:
            sys.exit(f"check-recipes: two {lang} blocks in report.md's Text encoding section")
        blocks[lang] = code
    return blocks


def expected(lang, raw):
    undefined = RECIPES[lang][3]
    return "".join(
        chr(b) if b >= 0xA0 else
        undefined(b) if b in UNDEFINED else chr(CP1252_80_9F[b - 0x80])
        for b in raw)


def differences(lang, report):
    """What the recipe decoded otherwise than expected, one text per fault."""
    faults = []
    for code, raw in NAMES.items():
        got = report.get("Nama_" + code) if isinstance(report, dict) else None
        want = expected(lang, raw)
        if not isinstance(got, str) or len(got) != len(want):
            faults.append(f"Nama_{code}: got {got!r}, expected {want!r}")
            continue
        faults += [f"byte 0x{b:02X}: got U+{ord(g):04X}, expected U+{ord(w):04X}"
                   for b, g, w in zip(raw, got, want) if g != w]
    return faults


def run_recipe(lang, code, program, work):
    client, before, after, _ = RECIPES[lang]
    script = work / f"recipe.{lang}"
    script.write_text(before + code + after, encoding="utf-8")
    run = subprocess.run(client + [str(script), str(program)], capture_output=True, timeout=60)
    if run.returncode != 0:
        return [f"exit status {run.returncode}: {run.stderr.decode(errors='replace').strip()}"]
    try:
        return differences(lang, json.loads(run.stdout.decode("utf-8")))
    except ValueError as e:
        return [f"printed no JSON report ({e}): {run.stdout[:200]!r}"]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check-recipes.py BUILD")
    build = Path(sys.argv[1])
    blocks = recipes()
    missing = [lang for lang in list(RECIPES) + list(NOT_RUN) if lang not in blocks]
    if missing:
        sys.exit(f"check-recipes: no {', '.join(missing)} recipe in report.md's Text encoding section")
    for lang, (client, *_rest) in RECIPES.items():
        if not shutil.which(client[0]):
            sys.exit(f"check-recipes: {client[0]} not found, so the {lang} recipe cannot run; "
                     "scripts/install-deps.sh installs it")
    failed = 0
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        args = [build / "mkdemo"]
        for code, raw in NAMES.items():
            args += ["--name", code.encode() + b"=" + raw]
        program = subprocess.run(args + [work / "demo", build / "kursexport"], check=True,
                                 capture_output=True).stdout.decode().strip()
        for lang in RECIPES:
            faults = run_recipe(lang, blocks[lang], program, work)
            failed += bool(faults)
            if faults:
                print(f"FAIL {lang}: " + "\n  ".join(faults))
            else:
                undefined = " ".join(f"U+{ord(RECIPES[lang][3](b)):04X}" for b in UNDEFINED)
                print(f"ok   {lang}: bytes 0x80-0xFF decoded as Windows-1252; "
                      f"0x81 0x8D 0x8F 0x90 0x9D as {undefined}")
    for lang, client in NOT_RUN.items():
        print(f"NOT RUN {lang}: {client} is not installed here (no Debian package); "
              "that recipe is not checked")
    print(f"{len(RECIPES) - failed} recipes passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
