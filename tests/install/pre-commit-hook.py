#!/usr/bin/env python3
"""The repository's .pre-commit-hooks.yaml, run by pre-commit try-repo on a small repository.

Usage: pre-commit-hook.py SOURCE_FOLDER BRISKLET_CLEAN. The hook file is committed to a repository of its
own (so the check needs no git state of the source folder) and tried on a repository holding sources of
every kind in both letter cases and files that are no sources, all with blanks at their line ends. The
first run must clean exactly the sources and fail, as pre-commit does when a hook changed files; a second
run, on the cleaned files, must pass. Exits 0 when all holds, 1 otherwise, 77 (skipped) when git or
pre-commit is missing.
"""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HOOKS_FILE = ".pre-commit-hooks.yaml"
SKIPPED = 77
BLANKS = b"a = 1 \t \r\nb = 2  \r\n"
CLEANED = b"a = 1\r\nb = 2\r\n"
# (file name, whether the hook cleans it)
FILES = [("Main.pb", True), ("include/Lib.pbi", True), ("WEB.SB", True), ("web/Part.Sbi", True),
         ("Project.pbp", False), ("notes.txt", False), ("Main.pb.orig", False)]


def Git(folder, *arguments):
    subprocess.run(["git", "-c", "user.name=Test", "-c", "user.email=test@example.org", "-c", "init.defaultBranch=main",
                    *arguments], cwd=folder, check=True, capture_output=True)


def Repository(folder, files):
    folder.mkdir(parents=True)
    Git(folder, "init", "-q")
    for name, data in files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
    Git(folder, "add", "-A")
    Git(folder, "commit", "-q", "-m", "files")


def main():
    source, program = Path(sys.argv[1]), Path(sys.argv[2]).resolve()
    for tool in ("git", "pre-commit"):
        if shutil.which(tool) is None:
            print(f"skipped: {tool} is not installed (scripts/setup-native.sh installs it)")
            return SKIPPED
    problems = []
    with tempfile.TemporaryDirectory() as work:
        hooks, sources = Path(work) / "hooks", Path(work) / "sources"
        Repository(hooks, {HOOKS_FILE: (source / HOOKS_FILE).read_bytes()})
        Repository(sources, {name: BLANKS for name, _ in FILES})
        environment = dict(os.environ, PATH=f"{program.parent}{os.pathsep}{os.environ['PATH']}",
                           PRE_COMMIT_HOME=str(Path(work) / "cache"))
        command = ["pre-commit", "try-repo", str(hooks), "brisklet-clean", "--all-files"]
        for run, expectedCode in (("first", 1), ("second", 0)):
            result = subprocess.run(command, cwd=sources, env=environment, capture_output=True, text=True,
                                    timeout=120)
            if result.returncode != expectedCode:
                problems.append(f"{run} run: exit {result.returncode}, expected {expectedCode}:\n"
                                f"{result.stdout}{result.stderr}")
            for name, cleaned in FILES:
                expected = CLEANED if cleaned else BLANKS
                if (sources / name).read_bytes() != expected:
                    problems.append(f"{run} run: {name} is {(sources / name).read_bytes()!r}, expected {expected!r}")
    for problem in problems:
        print(f"FAIL {problem}")
    print(f"pre-commit try-repo with {HOOKS_FILE}: {'ok' if not problems else f'{len(problems)} problems'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
