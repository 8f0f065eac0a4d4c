#!/usr/bin/env python3
"""Both programs' resources as the resource compiler itself reads them (windres, its output as a
script): every string the code names exists, in English and Japanese with the same placeholders,
and the main dialog, the diagnostics and the tray menu hold in both languages the controls and
commands the code uses. The program's manifest names Vista and 7 alone: later releases then report 6.2, which the
refresh tells them by."""
import re, subprocess, sys
from collections import Counter, defaultdict

ROOT = sys.argv[1] if len(sys.argv) > 1 else "."
ENGLISH, JAPANESE = 9, 17
PLACEHOLDER = re.compile(r"%[sd1]")


def compiled(script):
    out = subprocess.run(["x86_64-w64-mingw32-windres", "-c", "65001", "-I", ROOT, "-I", script.rsplit("/", 1)[0],
                          "-i", script, "-O", "rc"], capture_output=True, text=True, check=True).stdout
    strings, items = defaultdict(dict), defaultdict(set)  # language -> id -> text; (language, resource) -> ids
    language = resource = None
    for line in out.splitlines():
        if m := re.match(r"LANGUAGE (\d+), \d+", line):
            language = int(m.group(1))
        elif m := re.match(r"(\d+) (MENU|DIALOGEX) ", line):
            resource = int(m.group(1))
        elif m := re.match(r"  (\d+), L?\"(.*)\"$", line):
            strings[language][int(m.group(1))] = m.group(2)
        elif m := re.match(r"\s+\w+ (?:L?\".*\", )?(-?\d+)", line):
            items[language, resource].add(int(m.group(1)))
    return strings, items


failures, defined = [], set()
for script in ["ui/resources/TolvexDesktopWin.rc", "regset/resources/TolvexRegset.rc"]:
    strings, items = compiled(f"{ROOT}/{script}")
    english, japanese = strings[ENGLISH], strings[JAPANESE]
    defined |= english.keys()
    if english.keys() != japanese.keys():
        failures.append(f"{script}: strings in one language only: {sorted(english.keys() ^ japanese.keys())}")
    for id in english.keys() & japanese.keys():
        if Counter(PLACEHOLDER.findall(english[id])) != Counter(PLACEHOLDER.findall(japanese[id])):
            failures.append(f"{script}: string {id} has other placeholders in Japanese")
    if script.startswith("ui/"):
        for language in (ENGLISH, JAPANESE):
            for resource, needed in ((102, {1002, 1003, 1004, 2}), (103, {1010, 1011, 2}), (147, {32773, 2})):
                if not needed <= items[language, resource]:
                    failures.append(f"{script}: {resource} in language {language} lacks {sorted(needed - items[language, resource])}")
VISTA_AND_7 = ["e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a"]
if re.findall(r'supportedOS Id="\{([-0-9a-f]+)\}"', open(f"{ROOT}/ui/resources/TolvexDesktopWin.manifest").read()) != VISTA_AND_7:
    failures.append("the program's manifest names other systems than Vista and 7")
named = {int(m.group(1)) for m in re.finditer(r"#define ID[SP]_\w+\s+(\d+)", open(f"{ROOT}/base/ResourceIds.h").read())}
if named - defined:
    failures.append(f"strings the code names but no resource script holds: {sorted(named - defined)}")
print("\n".join(failures) or "resources: both languages agree")
sys.exit(1 if failures else 0)
