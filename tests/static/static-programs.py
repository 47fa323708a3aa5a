#!/usr/bin/env python3
"""The static Linux programs: they need nothing from the system, and the aarch64 one does what the x86-64 one does.

Usage: static-programs.py X86_64_PROGRAM AARCH64_PROGRAM. Checks that neither program names a program interpreter
or a dynamic section; runs the x86-64 one in an empty chroot (as root) and compares its output with a run outside;
then gives both programs the cases of the clean-exe runs (tests/e2e/clean_exe.py: line ends, encodings, the
settings block, links, --diff, the IDE's selection and tab width, .editorconfig files, standard input), the
aarch64 one under qemu-user, and compares exit codes, standard output, messages and every file left behind, byte
for byte. Prints ok or FAIL per check, then "static programs: N passed, N failed, N skipped"; exits 1 when
anything failed.
"""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import clean_exe  # noqa: E402

QEMU = ("qemu-aarch64-static", "qemu-aarch64")
# chroot's exit code when it could not change the root (no permission), as opposed to the program failing.
CHROOT_REFUSED = 125
SOURCE = clean_exe.Source("\r\n") + clean_exe.SETTINGS


def LinkedStatically(program):
    """The problem with a program that needs a program interpreter or shared libraries, or None."""
    headers = subprocess.run(["readelf", "--program-headers", "--wide", str(program)], capture_output=True,
                             text=True)
    if headers.returncode != 0:
        return f"readelf: {headers.stderr.strip()}"
    needs = [kind for kind in ("INTERP", "DYNAMIC") if f" {kind} " in headers.stdout]
    return f"has {' and '.join(needs)}: it needs the system's loader and libraries" if needs else None


def InEmptyRoot(program, work):
    """(problem or None, skip reason or None): the program cleaning standard input in a root holding nothing else."""
    if os.geteuid() != 0:
        return None, "needs root"
    arguments = ["/removecomments", "/removespacesatendoflines"]
    outside = subprocess.run([str(program)] + arguments, input=SOURCE, capture_output=True)
    root = work / "empty-root"
    root.mkdir()
    shutil.copy(program, root / "brisklet-clean")
    inside = subprocess.run(["chroot", str(root), "/brisklet-clean"] + arguments, input=SOURCE, capture_output=True)
    if inside.returncode == CHROOT_REFUSED:
        return None, f"chroot refused: {inside.stderr.decode(errors='replace').strip()}"
    if (inside.returncode, inside.stdout, inside.stderr) != (outside.returncode, outside.stdout, outside.stderr):
        return (f"exit {inside.returncode} {inside.stderr.decode(errors='replace').strip()!r}, outside the chroot "
                f"exit {outside.returncode}; output {'same' if inside.stdout == outside.stdout else 'differs'}"), None
    return None, None


def SameAsReference(case, reference, emulated, work):
    """What differs when the emulated command runs the case where the reference one does."""
    results = []
    for label, command in (("x86-64", reference), ("aarch64", emulated)):
        folder = work / case["name"] / label
        clean_exe.LayOut(case, folder)
        environment = clean_exe.ToolEnvironment(case, folder, dict(os.environ, LC_ALL="C.UTF-8"), str)
        results.append((clean_exe.Run(command + clean_exe.Arguments(case), folder, case.get("stdin"), environment),
                        clean_exe.Listing(folder)))
    ((code, output, messages), files), ((aCode, aOutput, aMessages), aFiles) = results
    problems = []
    if (aCode, aMessages) != (code, messages):
        problems.append(f"exit {aCode} {aMessages!r}, the x86-64 program's exit {code} {messages!r}")
    if aOutput != output:
        problems.append(f"standard output differs ({len(aOutput)} bytes, the x86-64 program's {len(output)})")
    problems += [f"{name} differs" for name in sorted(files.keys() | aFiles.keys()) if files.get(name) != aFiles.get(name)]
    return problems


def main():
    x86_64, aarch64 = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    counts = {"passed": 0, "failed": 0, "skipped": 0}

    def Report(name, problems, skipped=None):
        if skipped:
            print(f"skip {name}: {skipped}")
            counts["skipped"] += 1
        elif problems:
            print(f"FAIL {name}: " + "; ".join(problems))
            counts["failed"] += 1
        else:
            print(f"ok   {name}")
            counts["passed"] += 1

    qemu = next((shutil.which(name) for name in QEMU if shutil.which(name)), None)
    with tempfile.TemporaryDirectory(dir=aarch64.parent) as folder:
        work = Path(folder)
        for label, program in (("x86-64", x86_64), ("aarch64", aarch64)):
            problem = LinkedStatically(program)
            Report(f"{label} linked statically", [problem] if problem else [])
        problem, skipped = InEmptyRoot(x86_64, work)
        Report("x86-64 in an empty chroot", [problem] if problem else [], skipped)
        for case in clean_exe.CASES:
            name = f"aarch64 under qemu-user as x86-64: {case['name']}"
            if qemu is None:
                Report(name, [f"none of {', '.join(QEMU)} is installed (scripts/setup-aarch64.sh installs it)"])
            else:
                Report(name, SameAsReference(case, [str(x86_64)], [qemu, str(aarch64)], work))
    print(f"static programs: {counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
