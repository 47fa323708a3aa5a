#!/usr/bin/env python3
"""The IDE's Tools menu on Linux, set up by the installed brisklet-clean and run as the IDE runs it.

Usage: tools-menu.py BUILD_FOLDER. Installs into a temporary prefix, gives it a fresh home whose IDE configuration
folder holds the user's own tools file, and checks: --add-ide-tools adds the entries; each entry, read from the file
with the IDE's reading rules and run as the IDE runs it (the source saved to a temporary file with its settings block,
%TEMPFILE replaced, the tool waited for, the file loaded back into the current source), cleans as the README says; a
second run changes nothing; a program that moved is followed; --remove-ide-tools gives back the user's file byte for
byte. Exits 0 when all holds, 1 otherwise.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

USER_TOOLS = (b"\xef\xbb\xbf; PureBasic IDE ToolsMenu Configuration\n;\n[ToolsInfo]\n  ToolCount = 1\n;\n[Tool_0]\n"
              b"  Command = /usr/bin/astyle\n  Arguments = \"%FILE\"\n  MenuItemName = Format\n  Shortcut = 123\n")
SETTINGS = "; IDE Options = PureBasic 6.10 LTS (Linux - x64)\n; CursorPosition = 3\n"
# Each entry, the source it is run on, the IDE's selection, and the source loaded back.
ENTRIES = [
    ("Strip comments", "a = 1 ; one\nb = 2   \n", "1x1x1x1", "a = 1\nb = 2\n"),
    ("Release clean-up", "Debug a\nx = 1 ; c\n\ny = 2\n", "1x1x1x1", "x = 1 \ny = 2\n"),
    ("Tabs to spaces", "\tx = 1\n", "1x1x1x1", "    x = 1\n"),
    ("Tidy the selection", "a  =  1  \nb  =  2  \n", "1x1x2x1", "a = 1\nb  =  2  \n"),
]


def ToolsMenu(data):
    """The entries of a tools file as the IDE reads them: a byte order mark means UTF-8, else each byte is a
    Latin-1 letter; groups and keys match in any letter case, the first of a name wins; no end-of-line comments."""
    text = data[3:].decode() if data.startswith(b"\xef\xbb\xbf") else data.decode("latin-1")
    groups, group = {}, None
    for line in text.replace("\r", "\n").split("\n"):
        line = line.lstrip(" \t")
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            name = line[1:].split("]")[0].lower()
            group = groups.setdefault(name, {}) if name not in groups else None
            continue
        key, _, value = line.partition("=")
        if group is not None:
            group.setdefault(key.rstrip(" \t").lower(), value.strip(" \t"))
    count = int(groups.get("toolsinfo", {}).get("toolcount", "0"))
    return [groups.get(f"tool_{i}", {}) for i in range(count)]


def Click(entry, source, selection, work):
    """Runs an entry as the IDE does; the source it loads back, cut at its settings block."""
    temporary = Path(work) / "PB_EditorOutput.pb"
    temporary.write_text(source + SETTINGS)
    arguments = shlex.split(entry["arguments"].replace("%TEMPFILE", str(temporary)))
    # The IDE's tool shows its trouble in the desktop's dialog: a stand-in records any.
    environment = dict(os.environ, PB_TOOL_IDE="/opt/purebasic/compilers/purebasic", PB_TOOL_Selection=selection,
                       PB_TOOL_Preferences=str(Path(work) / "purebasic.prefs"),
                       PATH=f"{Path(work) / 'dialogs'}:{os.environ['PATH']}")
    finished = subprocess.run([entry["command"]] + arguments, env=environment, capture_output=True, text=True,
                              timeout=60)
    if int(entry["flags"]) & 1 == 0 or entry["reloadsource"] != "2":
        return f"not waited for and reloaded: flags {entry['flags']}, reload {entry['reloadsource']}"
    loaded = temporary.read_text()
    return loaded[:loaded.find("; IDE Options")] + (finished.stderr if finished.returncode else "")


def Register(program, home, action):
    result = subprocess.run([str(program), action], env=dict(os.environ, HOME=str(home)), capture_output=True,
                            text=True, timeout=60)
    return result.returncode, result.stderr


def main():
    build = Path(sys.argv[1]).resolve()
    problems = []
    with tempfile.TemporaryDirectory() as work:
        prefix, home = Path(work) / "prefix", Path(work) / "home"
        (home / ".purebasic").mkdir(parents=True)
        tools = home / ".purebasic" / "tools.prefs"
        tools.write_bytes(USER_TOOLS)
        (Path(work) / "purebasic.prefs").write_text("[Global]\nTabLength = 4\n")
        (Path(work) / "dialogs").mkdir()
        for dialog in ("zenity", "kdialog"):
            (Path(work) / "dialogs" / dialog).write_text(f'#!/bin/sh\necho "$@" >> "{work}/dialogs.txt"\n')
            (Path(work) / "dialogs" / dialog).chmod(0o755)
        subprocess.run(["cmake", "--install", str(build), "--prefix", str(prefix)], check=True, capture_output=True)
        program = prefix / "bin" / "brisklet-clean"
        moved = Path(work) / "moved dir" / "brisklet-clean"
        moved.parent.mkdir()
        shutil.copy2(program, moved)
        runs = [(program, "--add-ide-tools", f"{tools}: added 4\n"), (program, "--add-ide-tools", f"{tools}: unchanged 4\n"),
                (moved, "--add-ide-tools", f"{tools}: updated 4\n")]
        for run, (used, action, said) in enumerate(runs):
            status, errors = Register(used, home, action)
            if (status, errors) != (0, "brisklet-clean: " + said):
                problems.append(f"{used} {action}: exit {status}, said {errors!r}; expected {said!r}")
            menu = ToolsMenu(tools.read_bytes())
            names = [entry.get("menuitemname") for entry in menu]
            if names != ["Format"] + [name for name, _, _, _ in ENTRIES]:
                problems.append(f"run {run + 1}: the menu holds {names}")
                continue
            for entry, (name, source, selection, cleaned) in zip(menu[1:], ENTRIES):
                if entry["command"] != str(used):
                    problems.append(f"run {run + 1}: {name} runs {entry['command']}, not {used}")
                loaded = Click(entry, source, selection, work)
                if loaded != cleaned:
                    problems.append(f"run {run + 1}: {name} loaded back {loaded!r}; expected {cleaned!r}")
        if (Path(work) / "dialogs.txt").exists():
            problems.append(f"the entries showed dialogs: {(Path(work) / 'dialogs.txt').read_text()!r}")
        status, errors = Register(moved, home, "--remove-ide-tools")
        if status != 0 or tools.read_bytes() != USER_TOOLS:
            problems.append(f"--remove-ide-tools: exit {status}, {errors!r}; the user's file is now "
                            f"{tools.read_bytes()!r}")
    for problem in problems:
        print(f"FAIL {problem}")
    print(f"the IDE's Tools menu: {'ok' if not problems else f'{len(problems)} problems'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
