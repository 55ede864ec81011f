#!/usr/bin/python3
"""Reads the version resource of a Windows program and checks it against the
project's version number (CMakeLists.txt): file and product version (fixed
and text), product name and description.

    scripts/check-version.py PROGRAM.exe
"""
import pathlib
import re
import sys

import pefile

ROOT = pathlib.Path(__file__).resolve().parent.parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    match = re.search(r"project\(kursexport VERSION (\d+)\.(\d+)\.(\d+)", text)
    if not match:
        sys.exit("check-version: no project version in CMakeLists.txt")
    return tuple(int(part) for part in match.groups())


def strings_of(pe):
    found = {}
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    found[key.decode()] = value.decode()
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check-version.py PROGRAM.exe")
    major, minor, patch = project_version()
    wanted = f"{major}.{minor}.{patch}"
    pe = pefile.PE(sys.argv[1])
    problems = []
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        problems.append("no version resource")
    else:
        fixed = pe.VS_FIXEDFILEINFO[0]
        for name, ms, ls in (("file", fixed.FileVersionMS, fixed.FileVersionLS),
                             ("product", fixed.ProductVersionMS, fixed.ProductVersionLS)):
            got = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
            if got != (major, minor, patch, 0):
                problems.append(f"fixed {name} version {got}, expected {wanted}.0")
        strings = strings_of(pe)
        for key, expected in (("FileVersion", wanted), ("ProductVersion", wanted),
                              ("ProductName", "kursexport")):
            if strings.get(key) != expected:
                problems.append(f"{key} is {strings.get(key)!r}, expected {expected!r}")
        if not strings.get("FileDescription"):
            problems.append("no FileDescription")
    for problem in problems:
        print(f"check-version: {sys.argv[1]}: {problem}")
    if problems:
        print("check-version: 0 passed, 1 failed")
        sys.exit(1)
    print(f"check-version: {sys.argv[1]} carries version {wanted}")


if __name__ == "__main__":
    main()
