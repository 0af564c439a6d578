#!/usr/bin/env python3
"""Keeps the folders an acyclic tree of libraries, and the rules written twice in step.

Reads the ostrak_library(...) calls of the CMake files: each names a folder and the folders it
may use. Fails on an #include of a folder the including folder does not name, on a source
folder that is no library, and on a cycle among the named folders. Also fails when the
delivered report and help files give another version or name limit than the code.

Usage: check-layers.py [source root]
"""
import pathlib
import re
import sys

CMAKE_FILES = ["CMakeLists.txt", "cmake/windows.cmake"]
SOURCE_SUFFIXES = {".cpp", ".h", ".rc", ".in"}
# Folders that are not part of the program: they may include anything.
NOT_LIBRARIES = {"tests", "bench", "fuzz", "tools", "installer", "cmake", "delivered", "docs", "build"}

LIBRARY_CALL = re.compile(r"^\s*ostrak_library\(([^)]*)\)", re.MULTILINE)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def declared_libraries(root):
    libraries = {}
    for name in CMAKE_FILES:
        for call in LIBRARY_CALL.finditer((root / name).read_text()):
            words = call.group(1).split()
            folder, depends, section = words[0], [], None
            for word in words[1:]:
                if word in ("DEPENDS", "EXCLUDE"):
                    section = word
                elif section == "DEPENDS":
                    depends.append(word)
            libraries[folder] = set(depends)
    return libraries


def folder_of(include, own_folder):
    parent = str(pathlib.PurePosixPath(include).parent)
    return own_folder if parent == "." else parent


def include_errors(root, libraries):
    errors = []
    for folder, allowed in sorted(libraries.items()):
        for path in sorted((root / folder).iterdir()):
            if path.suffix not in SOURCE_SUFFIXES:
                continue
            text = path.read_text(errors="replace")
            for match in INCLUDE.finditer(text):
                target = folder_of(match.group(1), folder)
                if target == folder or target in allowed:
                    continue
                line = text.count("\n", 0, match.start()) + 1
                errors.append(f"{path.relative_to(root)}:{line}: includes {match.group(1)}, "
                              f"but {folder} does not use {target}")
    return errors


def undeclared_folders(root, libraries):
    errors = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in {".cpp", ".h"} or not path.is_file():
            continue
        relative = path.relative_to(root)
        if relative.parts[0] in NOT_LIBRARIES or relative.parts[0].startswith("."):
            continue
        folder = str(relative.parent)
        if folder not in libraries:
            errors.append(f"{relative}: {folder} is no library of CMakeLists.txt")
    return errors


def cycle_errors(libraries):
    state = {}

    def visit(folder, trail):
        if state.get(folder) == "done":
            return None
        if state.get(folder) == "open":
            return trail[trail.index(folder):] + [folder]
        state[folder] = "open"
        for dependency in sorted(libraries.get(folder, ())):
            cycle = visit(dependency, trail + [folder])
            if cycle:
                return cycle
        state[folder] = "done"
        return None

    for folder in sorted(libraries):
        cycle = visit(folder, [])
        if cycle:
            return ["cycle: " + " -> ".join(cycle)]
    return []


def unknown_dependency_errors(libraries):
    return [f"{folder} uses {dependency}, which is no library"
            for folder, depends in sorted(libraries.items())
            for dependency in sorted(depends) if dependency not in libraries]


def delivered_errors(root):
    errors = []
    version = re.search(r"project\(Ostrak VERSION ([0-9.]+)", (root / "CMakeLists.txt").read_text()).group(1)
    for name, pattern in [("delivered/Report.hta", r'version="([^"]*)"'),
                          ("delivered/Help.English.html", r"<footer>Ostrak ([^<]*)</footer>"),
                          ("delivered/Help.Russian.html", r"<footer>Ostrak ([^<]*)</footer>")]:
        found = re.search(pattern, (root / name).read_bytes().decode("latin-1"))
        if not found or found.group(1) != version:
            errors.append(f"{name}: version {found.group(1) if found else '(none)'}, CMakeLists.txt says {version}")
    code_limit = re.search(r"kNameLimit = (\d+);", (root / "base/narrow_text.h").read_text()).group(1)
    report_limit = re.search(r"NAME_LIMIT = (\d+);", (root / "delivered/report/report-logic.js").read_text())
    if not report_limit or report_limit.group(1) != code_limit:
        errors.append(f"delivered/report/report-logic.js: NAME_LIMIT differs from kNameLimit ({code_limit})")
    return errors


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    libraries = declared_libraries(root)
    errors = (unknown_dependency_errors(libraries) + cycle_errors(libraries) + include_errors(root, libraries) +
              undeclared_folders(root, libraries) + delivered_errors(root))
    for error in errors:
        print(error, file=sys.stderr)
    if errors:
        print(f"layering check: {len(errors)} problem(s)", file=sys.stderr)
        return 1
    print(f"layering check: {len(libraries)} libraries, every include goes down the tree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
