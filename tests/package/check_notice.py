#!/usr/bin/env python3
"""The notices name every runtime part the links pulled in: each archive
member a link map names (and each runtime object file) must come from an
archive or file that a "Linked from:" line of the notices lists.

usage: check_notice.py NOTICE ARCHIVE_DIR[,ARCHIVE_DIR...] MAP [MAP...]
"""
import pathlib
import re
import subprocess
import sys

notice, dirs, maps = sys.argv[1], sys.argv[2].split(","), sys.argv[3:]
listed = set()
for line in pathlib.Path(notice).read_text(encoding="utf-8").splitlines():
    if line.strip().startswith("Linked from:"):
        listed.update(line.split(":", 1)[1].split())

# Which archives hold a member of each name: the listed ones first, every
# archive only when a member is in none of them.
def index(archives):
    holders = {}
    for archive in archives:
        members = subprocess.run(["llvm-ar", "t", str(archive)], capture_output=True,
                                 text=True).stdout.split()
        for member in members:
            holders.setdefault(member, set()).add(archive.name)
    return holders


everything = [a for folder in dirs for a in pathlib.Path(folder).glob("*.a")]
holders = index(a for a in everything if a.name in listed)
problems, parts = [], set()
for map_file in maps:
    text = pathlib.Path(map_file).read_text(encoding="utf-8", errors="replace")
    for name in set(re.findall(r"^\S+\s+\S+\s+\S+\s+(\S+?\.(?:o|obj|res)):\(", text, flags=re.M)):
        if name.endswith((".obj", ".res")) or (
                name.startswith("/") and not any(name.startswith(d) for d in dirs)):
            continue  # the product's own objects (CMake names them .obj)
        base = name.rsplit("/", 1)[-1]
        if base not in holders and not name.startswith("/") and everything:
            holders, everything = index(everything), []
        sources = holders.get(base, set()) | ({base} if name.startswith("/") else set())
        if not sources:
            problems.append(f"{map_file}: {name} comes from no archive searched")
        elif not sources & listed:
            problems.append(f"{map_file}: {name} (from {', '.join(sorted(sources))}) "
                            "is in no notice")
        parts |= sources & listed
for problem in sorted(set(problems)):
    print(problem)
print(f"{'FAILED' if problems else 'PASSED'}: {len(parts)} runtime parts linked, all noticed"
      if not problems else f"FAILED: {len(set(problems))} parts without a notice")
sys.exit(1 if problems else 0)
