#!/usr/bin/env python3
"""Every text the program shows has a finished English translation.

Brings a copy of the translation source up to date with the code, as the wimbly_lupdate target
does with the source itself, and fails when any text in it lacks a finished translation: a text
new in the code (or moved to another class) comes back unfinished, and a translation whose text
the code no longer has comes back vanished.

Usage: check_translations.py LUPDATE TS_FILE SOURCE_FOLDER...
"""

import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def main() -> int:
    lupdate, ts_file, *folders = sys.argv[1:]
    with tempfile.TemporaryDirectory() as scratch:
        copy = os.path.join(scratch, os.path.basename(ts_file))
        shutil.copyfile(ts_file, copy)
        subprocess.run([lupdate, "-silent", "-locations", "none", *folders, "-ts", copy],
                       check=True)
        root = ET.parse(copy).getroot()
    problems = []
    count = 0
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            count += 1
            source = message.findtext("source")
            translation = message.find("translation")
            kind = "missing" if translation is None else translation.get("type")
            if kind is None and not (translation.text or "").strip():
                kind = "empty"
            if kind is not None:
                problems.append(f"{name}: {source!r} is {kind}")
    for problem in problems:
        print(problem)
    if count == 0:
        print("no texts found: the folders hold none")
        return 1
    print(f"{count} texts, {len(problems)} without a finished English translation")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
