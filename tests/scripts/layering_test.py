#!/usr/bin/env python3
"""The folders of src/ depend one way, top to bottom, and no two of its files need each other.

Folders, top to bottom: program (the program's entry), app, passes, files, platform (its
interfaces, with win32/ and sim/ implementing them side by side), component, shared. A file may
include its own folder and the folders below it; win32/ and sim/ include neither each other nor
anything above platform/. A file and the header of the same name are one unit; no unit may reach
itself again through its includes. The closing lines are GoogleTest's, so that scripts/test
counts them.
"""
import os
import re
import sys

ORDER = ["shared", "component", "platform", "files", "passes", "app", "program"]
RANK = {name: rank for rank, name in enumerate(ORDER)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    """The folder a file of src/ belongs to: its first component, platform's implementations apart."""
    parts = path.split("/")
    if parts[0] == "platform" and len(parts) > 2 and parts[1] in ("win32", "sim"):
        return "platform/" + parts[1]
    return parts[0]


def rank_of(folder):
    return RANK.get(folder.split("/")[0])


def main(root):
    src = os.path.join(root, "src")
    files = {}
    for directory, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".hpp", ".cpp")):
                path = os.path.relpath(os.path.join(directory, name), src).replace(os.sep, "/")
                with open(os.path.join(directory, name), encoding="utf-8", errors="replace") as text:
                    files[path] = [include for include in INCLUDE.findall(text.read())]
    results = []

    upward = []
    for path, includes in sorted(files.items()):
        mine = folder_of(path)
        for include in includes:
            if include not in files:
                continue  # a header of the platform's own, not one of ours
            theirs = folder_of(include)
            if rank_of(mine) is None or rank_of(theirs) is None:
                upward.append(f"{path} -> {include} (a folder outside the order)")
            elif rank_of(theirs) > rank_of(mine):
                upward.append(f"{path} -> {include}")
            elif theirs != mine and theirs.startswith("platform/") and mine.startswith("platform/"):
                upward.append(f"{path} -> {include} (one platform's implementation includes the other's)")
    results.append(("IncludesRunOnlyDownwards", upward))

    def unit(path):
        return os.path.splitext(path)[0]

    edges = {}
    for path, includes in files.items():
        for include in includes:
            if include in files and unit(include) != unit(path):
                edges.setdefault(unit(path), set()).add(unit(include))
    circles = []
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for next_node in sorted(edges.get(node, ())):
            if state.get(next_node) == "open":
                circles.append(" -> ".join(trail[trail.index(next_node):] + [next_node]))
            elif next_node not in state:
                visit(next_node, trail + [next_node])
        state[node] = "done"

    for node in sorted(edges):
        if node not in state:
            visit(node, [node])
    results.append(("NoTwoFilesNeedEachOther", circles))

    # Where each class is declared, and where its members are defined: one folder.
    declared = {}
    for path in files:
        if path.endswith((".h", ".hpp")):
            with open(os.path.join(src, path), encoding="utf-8", errors="replace") as text:
                for name in re.findall(r"^\s*(?:class|struct)\s+(\w+)(?:\s+final)?\s*[:{]", text.read(), re.M):
                    declared.setdefault(name, set()).add(folder_of(path))
    strays = []
    for path in sorted(files):
        if not path.endswith(".cpp"):
            continue
        with open(os.path.join(src, path), encoding="utf-8", errors="replace") as text:
            defined = set(re.findall(r"^[\w:<>,&*\s]*?\b(\w+)::~?\w+\([^;]*$", text.read(), re.M))
        for name in sorted(defined):
            homes = declared.get(name, set())
            if len(homes) == 1 and folder_of(path) not in homes:
                strays.append(f"{path} defines members of {name}, which {next(iter(homes))}/ declares")
    results.append(("EachClassLivesInOneFolder", strays))

    passed = 0
    failed = []
    for name, faults in results:
        print(f"[ RUN      ] Layering.{name}")
        if faults:
            for fault in faults:
                print(f"  {fault}")
            print(f"[  FAILED  ] Layering.{name}")
            failed.append(name)
        else:
            print(f"[       OK ] Layering.{name}")
            passed += 1
    print(f"[  PASSED  ] {passed} tests.")
    if failed:
        print(f"[  FAILED  ] {len(failed)} tests, listed below:")
        for name in failed:
            print(f"[  FAILED  ] Layering.{name}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")))
