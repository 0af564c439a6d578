#!/usr/bin/env python3
"""Fails when two source files of the program call each other.

Reads the object files of the program's libraries in a build folder with nm: file A uses
file B when A leaves undefined a symbol that B defines (weak definitions, which inline
functions and templates leave in every file that uses them, do not count). A pair of files
that each use the other is a call cycle.

Usage: check-file-calls.py <build folder> [nm program]
  e.g. check-file-calls.py build/native
       check-file-calls.py build/win x86_64-w64-mingw32-nm
"""
import itertools
import pathlib
import subprocess
import sys

# Object files of these targets are the program's; tests, benchmarks and GoogleTest are not.
PROGRAM_TARGETS = ("ostrak_", "Ostrak.dir")
NOT_PROGRAM = ("ostrak_unit_tests", "ostrak_win_tests", "ostrak_bench", "ostrak_demo_session", "ostrak_e2e")
STRONG_DEFINITIONS = set("TDBRC")


def program_objects(build):
    for path in sorted(build.rglob("*.o")) + sorted(build.rglob("*.obj")):
        target = next((part for part in path.parts if part.endswith(".dir")), "")
        if target.startswith(PROGRAM_TARGETS) or target in PROGRAM_TARGETS:
            if not target.startswith(NOT_PROGRAM):
                yield path


def symbols(nm, path):
    defined, used = set(), set()
    output = subprocess.run([nm, "-P", str(path)], check=True, capture_output=True, text=True).stdout
    for line in output.splitlines():
        words = line.split()
        if len(words) < 2:
            continue
        name, kind = words[0], words[1]
        if kind == "U":
            used.add(name)
        elif kind in STRONG_DEFINITIONS:
            defined.add(name)
    return defined, used


def source_name(build, path):
    # CMakeFiles/ostrak_xmlstore.dir/xmlstore/xml_save.cpp.o -> xmlstore/xml_save.cpp
    parts = path.relative_to(build).parts
    at = next(i for i, part in enumerate(parts) if part.endswith(".dir"))
    return "/".join(parts[at + 1:]).removesuffix(".o").removesuffix(".obj")


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    build = pathlib.Path(sys.argv[1])
    nm = sys.argv[2] if len(sys.argv) > 2 else "nm"
    files = {source_name(build, path): symbols(nm, path) for path in program_objects(build)}
    if not files:
        print(f"no object files of the program under {build}", file=sys.stderr)
        return 2
    pairs = []
    for (a, (defined_a, used_a)), (b, (defined_b, used_b)) in itertools.combinations(sorted(files.items()), 2):
        a_uses_b = sorted(used_a & defined_b)
        b_uses_a = sorted(used_b & defined_a)
        if a_uses_b and b_uses_a:
            pairs.append(f"{a} <-> {b}: e.g. {a_uses_b[0]} / {b_uses_a[0]}")
    for pair in pairs:
        print(pair, file=sys.stderr)
    if pairs:
        print(f"file call check: {len(pairs)} pair(s) of files call each other", file=sys.stderr)
        return 1
    print(f"file call check: {len(files)} object files, no two call each other")
    return 0


if __name__ == "__main__":
    sys.exit(main())
