#!/usr/bin/env bash
# Keeps the layering that docs/ARCHITECTURE.md describes, so it does not rest on discipline:
#  - includes point down: platform <- foundation <- engine <- tasks <- restore <- shell;
#  - logic never includes a header of src/ui (the windows form one layer above all logic: the
#    task editor opens the restore and clean-up windows);
#  - Qt headers only in src/ui;
#  - file-system and process calls only in src/platform.
# Usage: scripts/ci.d/layers.sh [source folder]   (default: src)
set -euo pipefail
cd "$(dirname "$0")/../.."
src=${1:-src}

python3 - "$src" <<'EOF'
import os, re, sys

src = sys.argv[1]
levels = {"platform": 0, "foundation": 1, "engine": 2, "tasks": 3, "restore": 4, "shell": 5, "ui": 6}
include_re = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
calls = ("fopen|freopen|opendir|fdopendir|readdir|open|openat|openat2|creat|stat|lstat|fstat|fstatat|statx|"
         "access|faccessat|getcwd|chdir|fchdir|mkdir|mkdirat|rmdir|unlink|unlinkat|rename|renameat|renameat2|"
         "remove|truncate|ftruncate|chmod|fchmod|chown|utimensat|futimens|symlink|readlink|link|"
         "setpriority|getpriority|nice|fork|vfork|execv|execve|execvp|execl|execlp|popen|system|"
         "posix_spawn|posix_spawnp|kill|waitpid")
call_re = re.compile(r'(^|[^A-Za-z0-9_:.>])(::)?(' + calls + r')\s*\(')
stream_re = re.compile(r'std::filesystem|std::(i|o)?fstream\b|<filesystem>|<fstream>')

def strip_code(line, state):
    """Drops comments and string literals so that only code is checked."""
    out, i = [], 0
    while i < len(line):
        if state["block"]:
            end = line.find("*/", i)
            if end < 0:
                return "".join(out)
            state["block"], i = False, end + 2
            continue
        c = line[i]
        if line.startswith("//", i):
            break
        if line.startswith("/*", i):
            state["block"], i = True, i + 2
            continue
        if c in "\"'":
            j = i + 1
            while j < len(line) and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out)

problems = []
for root, _, files in os.walk(src):
    rel = os.path.relpath(root, src).split(os.sep)
    if rel[0] not in levels:
        continue
    layer = rel[0]
    in_ui = layer == "ui"
    for name in sorted(files):
        if not name.endswith((".cpp", ".h")):
            continue
        path = os.path.join(root, name)
        state = {"block": False}
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, raw in enumerate(f, 1):
                where = f"{path}:{number}"
                m = include_re.match(raw)
                if m:
                    kind, target = m.groups()
                    parts = target.split("/")
                    if kind == "<" and target.startswith("Q") and not in_ui:
                        problems.append(f"{where}: Qt header outside src/ui: {target}")
                    if kind == '"' and len(parts) > 1 and parts[0] in levels:
                        if parts[0] == "ui" and not in_ui:
                            problems.append(f"{where}: logic includes a header of src/ui: {target}")
                        elif levels[parts[0]] > levels[layer]:
                            problems.append(f"{where}: include points up the layers ({layer} -> {parts[0]}): {target}")
                    if layer != "platform" and stream_re.search(raw):
                        problems.append(f"{where}: file-system access outside src/platform: {raw.strip()}")
                    continue
                if layer == "platform":
                    continue
                code = strip_code(raw, state)
                if call_re.search(code) or stream_re.search(code):
                    problems.append(f"{where}: file-system or process call outside src/platform: {raw.strip()}")

for p in problems:
    print(p)
if problems:
    print(f"layers: {len(problems)} violation(s)")
    sys.exit(1)
print("layers: clean")
EOF
