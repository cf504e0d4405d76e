#!/usr/bin/python3
"""Checks the layering that the README's layer table draws.

Every source file may include headers of its own folder and of the folders that its folder's row
names, and no others; outside platform/ it may not include a system header that platform/ wraps.
The build must agree with the table: each row's target declares exactly the row's folders as its
dependencies (zel_library's DEPS, or target_link_libraries for the programs). The table itself
must have no cycle. Prints every departure and exits with 1 when there is one.
"""

import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCE_SUFFIXES = {".cpp", ".h"}

# The system interfaces that only platform/ may use; everything above goes through platform/.
WRAPPED_SYSTEM_HEADER = re.compile(
    r"(sys|linux|fontconfig)/|(unistd|fcntl|dlfcn|pthread|poll|signal|spawn|dirent|link|malloc"
    r"|elf|ucontext|sched|semaphore|termios)\.h$")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def read_table(readme):
    """The layer table: {folder: (target, [folders it depends on])}."""
    text = readme.read_text(encoding="utf-8")
    section = re.search(r"^## Layers\n(.*?)(?=^## |\Z)", text, re.MULTILINE | re.DOTALL)
    if section is None:
        sys.exit("check_layers: README.md has no '## Layers' section")
    table = {}
    for line in section.group(1).splitlines():
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) != 3 or not cells[0].startswith("`"):
            continue
        folder = cells[0].strip("`").rstrip("/")
        target = cells[1].strip("`")
        depends = [name.strip().strip("`").rstrip("/") for name in cells[2].split(",")]
        table[folder] = (target, [name for name in depends if name and name != "—"])
    if not table:
        sys.exit("check_layers: the '## Layers' table of README.md has no rows")
    return table


def owner(path, folders):
    """The table folder that `path` (relative, with slashes) lies in: the longest match."""
    matches = [folder for folder in folders if path == folder or path.startswith(folder + "/")]
    return max(matches, key=len) if matches else None


def check_table(table, problems):
    for folder, (_, depends) in table.items():
        if not (ROOT / folder).is_dir():
            problems.append(f"README.md: the layer table names {folder}/, which does not exist")
        for name in depends:
            if name not in table:
                problems.append(f"README.md: {folder}/ depends on {name}/, which has no row")
    # A cycle would let two folders include each other through the back door.
    state = {}

    def cycle_from(folder, trail):
        if state.get(folder) == "done":
            return None
        if state.get(folder) == "open":
            return trail[trail.index(folder):] + [folder]
        state[folder] = "open"
        for name in table[folder][1]:
            if name in table:
                cycle = cycle_from(name, trail + [folder])
                if cycle:
                    return cycle
        state[folder] = "done"
        return None

    for folder in table:
        cycle = cycle_from(folder, [])
        if cycle:
            problems.append("README.md: the layer table has a cycle: " +
                            " -> ".join(name + "/" for name in cycle))
            return


def check_includes(table, problems):
    top_level = {entry.name for entry in ROOT.iterdir() if entry.is_dir()}
    used = {folder: set() for folder in table}
    for folder in table:
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            relative = path.relative_to(ROOT).as_posix()
            own = owner(relative, table)
            allowed = {own, *table[own][1]}
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                kind, header = match.groups()
                line = text.count("\n", 0, match.start()) + 1
                if kind == "<":
                    if own != "platform" and WRAPPED_SYSTEM_HEADER.search(header):
                        problems.append(f"{relative}:{line}: includes <{header}>, which only "
                                        "platform/ may use")
                    continue
                if "/" not in header or header.split("/")[0] not in top_level:
                    continue
                target = owner(header, table)
                used[own].add(target)
                if target is None:
                    problems.append(f"{relative}:{line}: includes \"{header}\", which is in no "
                                    "library folder of the layer table")
                elif target not in allowed:
                    problems.append(f"{relative}:{line}: includes \"{header}\", but {own}/ does "
                                    f"not depend on {target}/ in the layer table")
    # A row that names more than its files use no longer says what the folder needs.
    for folder, (_, depends) in table.items():
        for name in depends:
            if name not in used[folder]:
                problems.append(f"README.md: {folder}/ depends on {name}/ in the layer table, "
                                "but none of its files includes it")


def cmake_calls(name):
    """Every call of the CMake command `name` in the project's own CMake files, as word lists."""
    calls = []
    for path in sorted(ROOT.rglob("CMakeLists.txt")):
        relative = path.relative_to(ROOT).parts
        if relative[0] in ("build", "tests") or relative[0].startswith("build-"):
            continue
        text = re.sub(r"#[^\n]*", "", path.read_text(encoding="utf-8"))
        for match in re.finditer(name + r"\s*\(([^)]*)\)", text):
            calls.append(match.group(1).split())
    return calls


def declared_dependencies():
    """{target: set of zel_ targets it links}, from zel_library and target_link_libraries."""
    declared = {}
    for words in cmake_calls("zel_library"):
        target = "zel_" + words[0]
        depends = declared.setdefault(target, set())
        if "DEPS" in words:
            after = words[words.index("DEPS") + 1:]
            for word in after:
                if word in ("EXCLUDE",):
                    break
                depends.add(word)
    for words in cmake_calls("target_link_libraries"):
        declared.setdefault(words[0], set()).update(words[1:])
    return {target: {name for name in names if name.startswith("zel_")}
            for target, names in declared.items()}


def check_build(table, problems):
    declared = declared_dependencies()
    targets = {folder: target for folder, (target, _) in table.items()}
    for folder, (target, depends) in table.items():
        if target not in declared:
            problems.append(f"README.md: {folder}/ is built as {target}, which no CMake file makes")
            continue
        wanted = {targets[name] for name in depends if name in targets}
        have = declared[target]
        for name in sorted(wanted - have):
            problems.append(f"CMake: {target} does not declare {name}, which the layer table "
                            f"gives {folder}/")
        for name in sorted(have - wanted):
            problems.append(f"CMake: {target} declares {name}, which the layer table does not "
                            f"give {folder}/")


def main():
    table = read_table(ROOT / "README.md")
    problems = []
    check_table(table, problems)
    if not problems:
        check_includes(table, problems)
        check_build(table, problems)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_layers: {len(problems)} departure(s) from the layer table in README.md")
        return 1
    print(f"check_layers: {len(table)} folders follow the layer table")
    return 0


if __name__ == "__main__":
    sys.exit(main())
