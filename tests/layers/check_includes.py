#!/usr/bin/env python3
"""The direction of the project's includes, read from the sources and from the build.

    check_includes.py SOURCE_DIR TARGETS_FILE

TARGETS_FILE is written by the build (cmake/KgTargetGraph.cmake): every target, its folder,
the files it compiles and the project targets it links. The check fails, with one line per
fault, when
  - a quoted include names a project header otherwise than by its layer: a header of folder
    F (the nearest with a CMakeLists.txt) is included by its path from F's parent, the
    folder F's library exports
    ("core/Czas.h" for common/source/core/Czas.h, "common/Update.h" for common/Update.h);
  - a file includes a header of a library that its target does not link, directly or through
    the libraries it links: an include that runs up a layer (core including "window/...");
  - the links, or the includes between the libraries' folders, run in a circle.

A header belongs to the library of its folder when the library's own files reach it; the
headers that only tests, benchmarks or fuzz targets include (fixtures, tests/support) are
followed into every target that includes them and checked as that target's own code.
"""
import os
import re
import sys

HEADER_EXT = (".h", ".hpp")
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc", ".cxx", ".c")
LIBRARY_TYPES = {"STATIC_LIBRARY", "SHARED_LIBRARY", "OBJECT_LIBRARY", "MODULE_LIBRARY", "INTERFACE_LIBRARY"}
QUOTED = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


class Build:
    """The targets of the build: type and folder, files compiled, project targets linked."""

    def __init__(self, path):
        self.type, self.folder, self.sources, self.links = {}, {}, {}, {}
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                fields = line.rstrip("\n").split("\t")
                if fields[0] == "target" and len(fields) == 4:
                    name = fields[1]
                    self.type[name] = fields[2]
                    self.folder[name] = os.path.realpath(fields[3])
                    self.sources.setdefault(name, [])
                    self.links.setdefault(name, [])
                elif fields[0] == "source" and len(fields) == 3:
                    self.sources.setdefault(fields[1], []).append(os.path.realpath(fields[2]))
                elif fields[0] == "link" and len(fields) == 3:
                    self.links.setdefault(fields[1], []).append(fields[2])
                elif line.strip():
                    raise ValueError(f"{path}:{number}: not a record of the target graph: {line.strip()}")

    def closure(self, target):
        """The target and every project target it links, directly or through others."""
        seen, todo = set(), [target]
        while todo:
            t = todo.pop()
            if t not in seen:
                seen.add(t)
                todo.extend(self.links.get(t, []))
        return seen

    def compiled_libraries(self):
        return [t for t, ty in self.type.items() if ty in LIBRARY_TYPES and self.sources.get(t)]


def walk(root):
    """The project's C++ files: build trees, hidden folders and .git left out."""
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = sorted(
            d for d in dirnames
            if not d.startswith(".")
            and not os.path.exists(os.path.join(dirpath, d, "CMakeCache.txt"))
            and not (dirpath == root and (d == "build" or d.startswith("build-"))))
        for f in sorted(filenames):
            if f.endswith(SOURCE_EXT):
                yield os.path.join(dirpath, f)


def find_cycle(graph):
    """One circle of the directed graph as a list of its nodes, the first repeated; or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        path.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, path)
                if found:
                    return found
        path.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check(root, targets_file):
    """Every fault found, one sentence each; an empty list when the layers hold."""
    root = os.path.realpath(root)
    build = Build(targets_file)
    problems = []
    rel = lambda p: os.path.relpath(p, root)

    library_of = {}
    for lib in sorted(t for t, ty in build.type.items() if ty in LIBRARY_TYPES):
        folder = build.folder[lib]
        if folder in library_of:
            problems.append(f"{rel(folder)}: two libraries, {library_of[folder]} and {lib}, share one folder")
        else:
            library_of[folder] = lib

    # Each header's layer: the nearest folder, from its own up, with a list of the build.
    files = list(walk(root))
    folder_of, by_name, by_base = {}, {}, {}
    for f in files:
        if not f.endswith(HEADER_EXT):
            continue
        d = os.path.dirname(f)
        while d != root and not os.path.exists(os.path.join(d, "CMakeLists.txt")):
            d = os.path.dirname(d)
        if d == root:
            problems.append(f"{rel(f)}: in no folder with a CMakeLists.txt, so in no layer")
            continue
        folder_of[f] = d
        by_name[os.path.relpath(f, os.path.dirname(d))] = f
        by_base.setdefault(os.path.basename(f), []).append(f)
    name_of = {h: n for n, h in by_name.items()}

    # Every quoted include of a project header, with the header it names.
    includes = {}
    for f in files:
        found = []
        with open(f, encoding="utf-8", errors="surrogateescape") as text:
            for number, line in enumerate(text, 1):
                m = QUOTED.match(line)
                if not m:
                    continue
                name = m.group(1)
                if name in by_name:
                    found.append((number, name, by_name[name]))
                    continue
                local = os.path.normpath(os.path.join(os.path.dirname(f), name))
                candidates = [local] if local in name_of else by_base.get(os.path.basename(name), [])
                if len(candidates) == 1:
                    problems.append(f'{rel(f)}:{number}: "{name}" does not name its layer: '
                                    f'#include "{name_of[candidates[0]]}"')
                    found.append((number, name, candidates[0]))
                elif candidates:
                    problems.append(f'{rel(f)}:{number}: "{name}" does not name its layer and may be any of '
                                    + ", ".join(rel(c) for c in candidates))
        includes[f] = found

    def owner(header):
        folder = folder_of[header]
        return library_of.get(folder, rel(folder))

    # The headers of each library: those its own files reach. The rest of a library's
    # folder that something includes are its tests' fixtures.
    library_headers = {}
    for lib in build.compiled_libraries():
        reached, todo = set(), list(build.sources[lib])
        while todo:
            f = todo.pop()
            for _, _, h in includes.get(f, []):
                if h not in reached:
                    reached.add(h)
                    todo.append(h)
        for h in reached:
            if folder_of[h] == build.folder[lib]:
                library_headers[h] = lib
    included = {h for found in includes.values() for _, _, h in found}
    for h, folder in folder_of.items():
        lib = library_of.get(folder)
        if lib and h not in library_headers and h not in included and build.sources.get(lib):
            library_headers[h] = lib  # included by nothing: judged as the library's own

    def reach(target):
        return {build.folder[t] for t in build.closure(target) if t in build.folder}

    # Library files: their direct includes, against the library's links.
    layer_edges = {}
    for lib in build.compiled_libraries():
        allowed = reach(lib)
        own = sorted(build.sources[lib]) + sorted(h for h, l in library_headers.items() if l == lib)
        for f in own:
            for number, name, h in includes.get(f, []):
                if folder_of[h] not in allowed:
                    problems.append(f'{rel(f)}:{number}: #include "{name}" runs up a layer: {lib} does not link '
                                    f"{owner(h)}, directly or through the libraries it links")
                if h in library_headers and library_headers[h] != lib:
                    layer_edges.setdefault(lib, set()).add(library_headers[h])

    # Every other target's files, and the fixtures they include, against the target's links.
    for target in sorted(build.type):
        if target in build.compiled_libraries():
            continue
        allowed = reach(target)
        seen = set()
        todo = [(f, None) for f in sorted(build.sources[target])]
        while todo:
            f, via = todo.pop()
            for number, name, h in includes.get(f, []):
                if folder_of[h] not in allowed:
                    through = f" (through {rel(via)})" if via else ""
                    problems.append(f'{rel(f)}:{number}: #include "{name}" runs up a layer: {target}{through} '
                                    f"does not link {owner(h)}, directly or through the libraries it links")
                elif h not in library_headers and h not in seen:
                    seen.add(h)
                    todo.append((h, via or f))

    cycle = find_cycle(build.links)
    if cycle:
        problems.append("the links run in a circle: " + " -> ".join(cycle))
    cycle = find_cycle(layer_edges)
    if cycle:
        problems.append("the libraries include each other in a circle: " + " -> ".join(cycle))

    return sorted(set(problems), key=problems.index)


def main(argv):
    if len(argv) != 2:
        print("usage: check_includes.py SOURCE_DIR TARGETS_FILE", file=sys.stderr)
        return 2
    problems = check(argv[0], argv[1])
    for p in problems:
        print(p)
    if problems:
        print(f"check_includes: {len(problems)} faults in the layers", file=sys.stderr)
        return 1
    print("check_includes: every include names its layer and runs down the links")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
