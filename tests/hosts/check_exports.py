#!/usr/bin/env python3
"""The binary interface agrees with itself: the DLL exports exactly the names
of the .def and no C++ name, and the functions kxvm.h declares, the .def lists
and the C host uses are one set.

usage: check_exports.py OBJDUMP DLL DEF HEADER C_HOST
"""
import re
import subprocess
import sys


def code(path):
    """The file without its comments."""
    text = open(path, encoding="utf-8").read()
    return re.sub(r"/\*.*?\*/|//[^\n]*", " ", text, flags=re.S)


objdump, dll, def_file, header, host = sys.argv[1:6]
dump = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
table = dump.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
exported = re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", table, flags=re.M)
lines = open(def_file, encoding="utf-8").read().split("EXPORTS", 1)[1].split()
listed = [line for line in lines if not line.startswith(";")]
declarations = code(header)
declared = set(re.findall(r"\b(kxvm_\w+)\s*\(", declarations))
types = set(re.findall(r"typedef[^;]*?\b(kxvm_\w+)", declarations))
used = set(re.findall(r"\b(kxvm_\w+)\b", code(host))) - types

problems = [f"exported by C++ name: {name}" for name in exported if name.startswith("_Z")]
problems += [f"listed twice in the .def: {name}" for name in set(listed) if listed.count(name) > 1]
for what, names, other, against in [
    ("exported", set(exported), set(listed), "the .def"),
    ("in the .def", set(listed), set(exported), "the DLL's exports"),
    ("declared in kxvm.h", declared, set(listed), "the .def"),
    ("in the .def", set(listed), declared, "kxvm.h"),
    ("declared in kxvm.h", declared, used, "the C host"),
    ("used by the C host", used, declared, "kxvm.h"),
]:
    problems += [f"{what} but not in {against}: {name}" for name in sorted(names - other)]

for problem in problems:
    print(problem)
print(f"{'FAILED' if problems else 'PASSED'}: {len(exported)} exports, {len(problems)} problems")
sys.exit(1 if problems else 0)
