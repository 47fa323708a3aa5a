#!/usr/bin/env python3
"""Runs the end-to-end scenarios: Brisklet.exe started by the test IDE under Wine, results against expectations.

Builds nothing. Needs build/win-x86 and build/win-x64 (Brisklet.exe, TestIde.exe, brisklet-clean.exe),
build/native/brisklet-clean, build/scintilla and build/wine-prefix from scripts/setup-windows.sh. Each scenario is a folder under tests/e2e/scenarios/ (see
README.md there); each runs once per bitness in a fake IDE installation under build/e2e-work/. Before them, the
configuration probe (ConfigPlatformProbe.exe, the "config-probe" runs) checks the Windows platform layer on real files,
and brisklet-clean.exe is compared with the native brisklet-clean on real files (the "clean-exe" runs, clean_exe.py).
Runs that need a 32-bit program are skipped, and counted, where scripts/wine-road.sh says this machine runs none.

Usage: tests/e2e/run-e2e.py [--build DIR] [--scenarios DIR] [NAME ...]   (NAME: run only scenarios whose name contains it)
"""

import argparse
import fcntl
import getpass
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import clean_exe

REPO = Path(__file__).resolve().parents[2]
SCENARIOS = REPO / "tests" / "e2e" / "scenarios"
BITNESSES = ("x86", "x64")
UNDER_DISPLAY = "BRISKLET_E2E_UNDER_DISPLAY"
# Keys the runner consumes itself; every other scenario key goes to the test IDE as it is.
RUNNER_KEYS = {"bitness", "tool-bitness", "program", "ide", "tool", "workdir", "args", "generate", "locale", "before"}
PROGRAMS = ("Brisklet", "ProbeTool", "CrashTool")
PROBE_RUN = "config-probe"
# What every scenario expects unless its expected.txt says otherwise: the tool always ends with
# exit code 0, shows no message box, and sees the test IDE as its parent.
DEFAULT_EXPECTED = {"exit": "0", "boxes": "0", "child-parent-is-ide": "1"}
SLACK_SECONDS = 30


def WindowsPath(path):
    """The path as a Windows program in the prefix sees it: through Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")


def ReadKeyValues(path, allowBound=False):
    """key=value lines (UTF-8, # comments); with allowBound also key<=number and key~=regex.
    Gives {key: (op, value)}."""
    entries = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        key, separator, value = line.partition("=")
        operator = "="
        if allowBound and key.endswith("<"):
            key, operator = key[:-1], "<="
        elif allowBound and key.endswith("~"):
            key, operator = key[:-1], "~="
        if not separator or not key:
            raise ValueError(f"{path}:{number}: not a key=value line: {line!r}")
        entries[key] = (operator, value)
    return entries


def Generated(folder, script):
    """What a scenario's generate= script (a Python file in its folder, given an empty folder) writes there,
    {name: bytes}: documents too big to commit are made at run time."""
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, str(folder / script), out], check=True)
        return {path.name: path.read_bytes() for path in Path(out).iterdir()}


class Scenario:
    def __init__(self, folder):
        self.name = folder.name
        self.folder = folder
        settings = {key: value for key, (_, value) in ReadKeyValues(folder / "scenario.txt").items()}
        self.bitnesses = [b for b in settings.get("bitness", ",".join(BITNESSES)).split(",") if b]
        unknown = [b for b in self.bitnesses if b not in BITNESSES]
        if unknown or settings.get("tool-bitness", "x86") not in BITNESSES:
            raise ValueError(f"{folder}/scenario.txt: bitness and tool-bitness take x86 or x64")
        self.toolBitness = settings.get("tool-bitness")
        self.program = settings.get("program", "Brisklet")
        if self.program not in PROGRAMS:
            raise ValueError(f"{folder}/scenario.txt: program takes one of {', '.join(PROGRAMS)}")
        self.ide = settings.get("ide", "PureBasic.exe")
        self.tool = settings.get("tool", "tool\\Brisklet.exe")
        self.workdir = settings.get("workdir", self.tool.rpartition("\\")[0])
        self.args = settings.get("args", "")
        self.locale = settings.get("locale")
        # Steps before the IDE starts, ";" between them: "clean ARGUMENTS" runs the brisklet-clean.exe
        # beside the tool, "move FROM -> TO" moves a folder of the installation.
        self.before = [step.strip() for step in settings.get("before", "").split(";") if step.strip()]
        # The IDE's configuration in the prefix's own roaming folder, where the IDE keeps it.
        self.usesRoaming = bool(self.before) or "tool-entry" in settings
        self.ideSettings = {k: v for k, v in settings.items() if k not in RUNNER_KEYS}
        expectedFile = folder / "expected.txt"
        self.expected = {key: ("=", value) for key, value in DEFAULT_EXPECTED.items()}
        if expectedFile.exists():
            self.expected.update(ReadKeyValues(expectedFile, allowBound=True))
        generated = Generated(folder, settings["generate"]) if "generate" in settings else {}

        def Document(name, default):
            path = folder / name
            return generated[name] if name in generated else path.read_bytes() if path.exists() else default
        self.document = Document("doc.bin", b"")
        self.expectedDocument = Document("expected-doc.bin", self.document)


class Inputs:
    def __init__(self, build):
        self.build = build
        self.prefix = build / "wine-prefix"
        self.work = build / "e2e-work"

    def Program(self, name, bitness):
        return self.build / f"win-{bitness}" / f"{name}.exe"

    def Roaming(self):
        """The prefix's roaming application data folder: where the IDE keeps its configuration, whatever
        APPDATA a Windows program is started with."""
        return self.prefix / "drive_c" / "users" / getpass.getuser() / "AppData" / "Roaming"

    def NativeClean(self):
        return self.build / "native" / "brisklet-clean"

    def Scintilla(self, bitness):
        return self.build / "scintilla" / bitness / "Scintilla.dll"

    def Missing(self, runs, probeBitnesses, cleanBitnesses):
        needed = [self.prefix / "system.reg"]
        for scenario, bitness in runs:
            needed += [self.Program("TestIde", bitness), self.Scintilla(bitness),
                       self.Program(scenario.program, scenario.toolBitness or bitness)]
        needed += [self.Program("ConfigPlatformProbe", bitness) for bitness in probeBitnesses]
        needed += [self.Program("brisklet-clean", bitness) for bitness in cleanBitnesses]
        needed += [self.NativeClean()] if cleanBitnesses else []
        return sorted({str(path) for path in needed if not path.exists()})


class WineRoad:
    """What scripts/wine-road.sh says of this machine: the bitnesses that run, why, and the command
    that runs a Windows program."""

    def __init__(self):
        answer = subprocess.run(["bash", str(REPO / "scripts" / "wine-road.sh")], check=True,
                                capture_output=True, text=True).stdout.splitlines()
        self.bitnesses = answer[0].split()
        self.reason = answer[1]
        self.wine = answer[2].split()

    def Runs(self, *bitnesses):
        return all(bitness in self.bitnesses for bitness in bitnesses)

    # Under load Wine now and then fails to start a program at all, before any of its code runs:
    # "ShellExecuteEx failed: Internal error" from the wine command, CreateProcessW error 1359 in
    # the test IDE. Such a run says nothing of the program and is made once more; any other
    # failure stands.
    START_ERROR = "1359"

    @staticmethod
    def FailedToStart(messages):
        return "ShellExecuteEx failed" in messages


def WorkingDirectory(workdir, rootText):
    """A path with a drive or a leading "\\\\" as it stands, anything else under the root."""
    if re.match(r"[A-Za-z]:|\\\\", workdir):
        return workdir
    return rootText + ("\\" + workdir if workdir else "")


def LayOut(scenario, bitness, inputs):
    """A fake IDE installation: ide/ with the test IDE under the IDE's name, the tool, the scenario's files."""
    root = inputs.work / bitness / scenario.name
    if root.exists():
        shutil.rmtree(root)
    (root / "ide").mkdir(parents=True)
    (root / "result").mkdir()
    (root / "appdata").mkdir()
    shutil.copyfile(inputs.Program("TestIde", bitness), root / "ide" / scenario.ide)
    shutil.copyfile(inputs.Scintilla(bitness), root / "ide" / "Scintilla.dll")
    tool = root / scenario.tool.replace("\\", "/")
    tool.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(inputs.Program(scenario.program, scenario.toolBitness or bitness), tool)
    if (scenario.folder / "files").is_dir():
        shutil.copytree(scenario.folder / "files", root, dirs_exist_ok=True)
    if scenario.usesRoaming:
        shutil.copyfile(inputs.Program("brisklet-clean", scenario.toolBitness or bitness), tool.parent / "brisklet-clean.exe")
        for ide in ("PureBasic", "SpiderBasic"):
            shutil.rmtree(inputs.Roaming() / ide, ignore_errors=True)
        if (scenario.folder / "roaming").is_dir():
            shutil.copytree(scenario.folder / "roaming", inputs.Roaming(), dirs_exist_ok=True)
    (root / "doc.bin").write_bytes(scenario.document)

    rootText = WindowsPath(root)
    settings = {
        "document": rootText + "\\doc.bin",
        "results": rootText + "\\result",
        "commandline": f'"{WindowsPath(tool)}"' + (" " + scenario.args if scenario.args else ""),
        "workdir": WorkingDirectory(scenario.workdir, rootText),
        # A private APPDATA, so the tool never reads the prefix's own.
        "env.APPDATA": rootText + "\\appdata",
    }
    settings.update({key: value.replace("%ROOT%", rootText) for key, value in scenario.ideSettings.items()})
    lines = "".join(f"{key}={value}\n" for key, value in settings.items())
    (root / "run.txt").write_text(lines, encoding="utf-8")
    return root


def Shown(data, limit=160):
    """Bytes as one readable line: printable ASCII as is, the rest escaped. No limit: all of it."""
    text = "".join(chr(b) if 32 <= b < 127 and b != 92 else
                   {10: "\\n", 13: "\\r", 9: "\\t", 92: "\\\\"}.get(b, f"\\x{b:02x}") for b in data[:limit])
    return text + (f"... ({len(data)} bytes)" if limit is not None and len(data) > limit else "")


def DocumentDifference(expected, seen):
    if expected == seen:
        return None
    at = next((i for i, (a, b) in enumerate(zip(expected, seen)) if a != b), min(len(expected), len(seen)))
    start = max(0, at - 20)
    return (f"document differs at byte {at} (expected {len(expected)} bytes, saw {len(seen)}):\n"
            f"      expected: {Shown(expected[start:start + 80])}\n"
            f"      saw:      {Shown(seen[start:start + 80])}")


def FilesSeen(key, root, inputs):
    """file.GLOB: the one file under the root (under the prefix's roaming folder for roaming/GLOB) that
    GLOB matches, as one escaped line; count.GLOB: how many paths it matches. None for any other key."""
    kind, _, pattern = key.partition(".")
    if kind not in ("file", "count") or not pattern:
        return None
    if pattern.startswith("roaming/"):
        root, pattern = inputs.Roaming(), pattern.removeprefix("roaming/")
    matches = sorted(root.glob(pattern))
    if kind == "count":
        return str(len(matches))
    if len(matches) != 1:
        return f"({len(matches)} files: {', '.join(str(m.relative_to(root)) for m in matches)})"
    return Shown(matches[0].read_bytes(), limit=None)


def Compare(scenario, root, inputs, before):
    """The differences between what the scenario expects and what the test IDE (and the steps before it)
    reported."""
    seen = {key: value for key, (_, value) in ReadKeyValues(root / "result" / "result.txt").items()}
    seen.update(before)
    problems = []
    escapedRoot = WindowsPath(root).replace("\\", "\\\\")
    for key, (operator, expected) in scenario.expected.items():
        expected = expected.replace("%ROOT%", re.escape(escapedRoot) if operator == "~=" else escapedRoot)
        actual = FilesSeen(key, root, inputs)
        if actual is None:
            actual = seen.get(key)
        if operator == "<=":
            ok = actual is not None and actual.isdigit() and int(actual) <= int(expected)
        elif operator == "~=":
            ok = actual is not None and re.fullmatch(expected, actual) is not None
        else:
            ok = actual == expected
        if not ok:
            shownActual = "(nothing)" if actual is None else repr(actual)
            problems.append(f"{key}: expected {operator} {expected!r}, saw {shownActual}")
    boxes = [f"{key}={value}" for key, value in seen.items() if key.startswith("box") and key not in scenario.expected]
    if boxes and any(p.startswith("boxes:") for p in problems):
        problems.append("message boxes seen: " + "; ".join(boxes))
    document = root / "result" / "doc.bin"
    # An IDE process that ended mid-run took the document with it; its watcher reports the rest.
    if seen.get("vanished") == "process" and not document.exists():
        return problems
    difference = DocumentDifference(scenario.expectedDocument, document.read_bytes())
    if difference:
        problems.append(difference)
    return problems


def RunProbe(bitness, inputs, road, again=True):
    """The configuration probe prints a line per check and ends non-zero when one failed."""
    log = inputs.work / f"{PROBE_RUN}-{bitness}.log"
    with open(log, "wb") as output:
        try:
            finished = subprocess.run(road.wine + [str(inputs.Program("ConfigPlatformProbe", bitness))],
                                      stdin=subprocess.DEVNULL, stdout=output, stderr=output, timeout=120)
        except subprocess.TimeoutExpired:
            return ["the probe did not end within 120 s"]
    if finished.returncode == 0:
        return []
    text = log.read_text(encoding="utf-8", errors="replace")
    if again and road.FailedToStart(text):
        print(f"again {PROBE_RUN} [{bitness}]: Wine could not start the probe")
        return RunProbe(bitness, inputs, road, again=False)
    failures = [line for line in text.splitlines() if "FAIL" in line]
    return [f"the probe failed (exit code {finished.returncode}; all of its output in {log})"] + failures[:20]


def StartGlitched(scenario, root):
    """The test IDE could not start the tool at all, and the scenario did not ask for that."""
    seen = {key: value for key, (_, value) in ReadKeyValues(root / "result" / "result.txt").items()}
    return (seen.get("exit") == "start-failed" and seen.get("start-error") == WineRoad.START_ERROR
            and scenario.expected.get("exit", ("=", ""))[1] != "start-failed")


def RunBefore(scenario, root, road):
    """The scenario's steps before the IDE starts: before-exit (the exit codes of its clean steps) and
    before-errors (what they wrote to standard error, as one line)."""
    exits, errors = [], b""
    tool = root / scenario.tool.replace("\\", "/")
    for step in scenario.before:
        verb, _, rest = step.partition(" ")
        if verb == "move":
            source, _, target = rest.partition(" -> ")
            (root / source.replace("\\", "/")).rename(root / target.replace("\\", "/"))
            tool = root / target.replace("\\", "/") / tool.name
        elif verb == "clean":
            # Files, not pipes: Wine's desktop process keeps the first program's handles open.
            with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as messages:
                finished = subprocess.run(road.wine + [str(tool.parent / "brisklet-clean.exe")] + rest.split(),
                                          stdin=subprocess.DEVNULL, stdout=output, stderr=messages, timeout=120)
                messages.seek(0)
                errors += messages.read()
            exits.append(str(finished.returncode))
        else:
            raise ValueError(f"{scenario.name}: a step before the IDE is clean or move, not {step!r}")
    return {"before-exit": ",".join(exits), "before-errors": Shown(errors, limit=None)} if scenario.before else {}


def RunOne(scenario, bitness, inputs, road, again=True):
    root = LayOut(scenario, bitness, inputs)
    before = RunBefore(scenario, root, road)
    timeout = int(scenario.ideSettings.get("timeout-ms", "30000")) / 1000 + SLACK_SECONDS
    command = road.wine + [str(root / "ide" / scenario.ide), WindowsPath(root / "run.txt")]
    # Wine takes a process's ANSI code page from its locale; the tool inherits the IDE's.
    environment = dict(os.environ, LC_ALL=scenario.locale) if scenario.locale else None
    # A file, not a pipe: Wine's desktop process, started by the first program, inherits the
    # output handles and keeps them open, so a pipe would never reach its end.
    log = root / "testide.log"
    with open(log, "wb") as output:
        try:
            finished = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                      timeout=timeout, env=environment)
        except subprocess.TimeoutExpired:
            return [f"the test IDE did not end within {timeout:.0f} s"]
    if finished.returncode != 0 or not (root / "result" / "result.txt").exists():
        text = log.read_text(encoding="utf-8", errors="replace").strip()
        # The test IDE itself ends with 0 or 2 and says why: exit code 1 with nothing said is Wine
        # failing to start it under load, as seen now and then on the busy 2-core machine.
        if again and (road.FailedToStart(text) or (finished.returncode == 1 and not text)):
            print(f"again {scenario.name} [{bitness}]: Wine could not start the test IDE")
            return RunOne(scenario, bitness, inputs, road, again=False)
        return [f"the test IDE failed (exit code {finished.returncode}): {text or 'no output'}"]
    problems = Compare(scenario, root, inputs, before)
    if problems and again and StartGlitched(scenario, root):
        print(f"again {scenario.name} [{bitness}]: Wine could not start the tool (error {road.START_ERROR})")
        return RunOne(scenario, bitness, inputs, road, again=False)
    return problems


def StartWineServer():
    """One persistent Wine server for all scenarios. A server already running for the prefix is
    someone else's Wine program (waited for), or a leftover whose desktop holds a display that is
    gone (ended)."""
    for attempt in range(3):
        if subprocess.run(["wineserver", "-p"], stderr=subprocess.DEVNULL).returncode == 0:
            return
        if attempt == 0:
            try:
                subprocess.run(["wineserver", "-w"], timeout=20)
                continue
            except subprocess.TimeoutExpired:
                pass
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        time.sleep(1)
    raise SystemExit("run-e2e: cannot start a Wine server for " + os.environ["WINEPREFIX"])


def Chosen(name, names):
    return not names or any(n in name for n in names)


def RunAll(arguments, inputs, road):
    folders = sorted(p for p in arguments.scenarios.iterdir() if (p / "scenario.txt").exists())
    scenarios = [Scenario(f) for f in folders if Chosen(f.name, arguments.names)]
    probes = list(BITNESSES) if Chosen(PROBE_RUN, arguments.names) and arguments.scenarios == SCENARIOS else []
    cleans = list(BITNESSES) if Chosen(clean_exe.RUN, arguments.names) and arguments.scenarios == SCENARIOS else []
    if not scenarios and not probes and not cleans:
        print("run-e2e: no scenario matches")
        return 1
    # (label, what it needs, how to run it); a run of a 32-bit IDE or tool needs 32-bit programs.
    runs = [(f"{PROBE_RUN} [{b}]", (b,), lambda b=b: RunProbe(b, inputs, road)) for b in probes]
    runs += [(f"{clean_exe.RUN} [{b}]", (b,), lambda b=b: clean_exe.RunCleanExe(b, inputs, road)) for b in cleans]
    runs += [(f"{s.name} [{b}]", (b, s.toolBitness or b), lambda s=s, b=b: RunOne(s, b, inputs, road))
             for s in scenarios for b in s.bitnesses]
    missing = inputs.Missing([(s, b) for s in scenarios for b in s.bitnesses if road.Runs(b, s.toolBitness or b)],
                             [b for b in probes if road.Runs(b)], [b for b in cleans if road.Runs(b)])
    if missing:
        print("run-e2e: missing (build the native, win-x86 and win-x64 presets, run scripts/setup-windows.sh):")
        print("\n".join("  " + path for path in missing))
        return 1

    print(f"run-e2e: {road.reason}")
    inputs.work.mkdir(parents=True, exist_ok=True)
    os.environ.update(WINEPREFIX=str(inputs.prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    StartWineServer()
    passed = failed = skipped = 0
    began = time.monotonic()
    try:
        for label, needs, run in runs:
            if not road.Runs(*needs):
                skipped += 1
                print(f"skip {label}: needs a 32-bit program, and only 64-bit ones are run here")
                continue
            problems = run()
            if problems:
                failed += 1
                print(f"FAIL {label}")
                print("\n".join("    " + problem for problem in problems))
            else:
                passed += 1
                print(f"ok   {label}")
            sys.stdout.flush()
    finally:
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    print(f"run-e2e: {passed + failed} runs in {time.monotonic() - began:.1f} s; {skipped} skipped: {road.reason}")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=REPO / "build", help="the build folder (default: build/)")
    parser.add_argument("--scenarios", type=Path, default=SCENARIOS,
                        help="the folder of scenario folders (default: tests/e2e/scenarios)")
    parser.add_argument("names", nargs="*", help="run only scenarios whose name contains one of these")
    arguments = parser.parse_args()
    if not os.environ.get(UNDER_DISPLAY):
        # Windows need a display; each run gets a fresh virtual one.
        os.environ[UNDER_DISPLAY] = "1"
        command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable, __file__] + sys.argv[1:]
        os.execvp("xvfb-run", command)
    inputs = Inputs(arguments.build.resolve())
    arguments.scenarios = arguments.scenarios.resolve()
    inputs.build.mkdir(parents=True, exist_ok=True)
    # Developers share one work tree: runs take turns on the one prefix and work folder.
    with open(inputs.build / "e2e.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        return RunAll(arguments, inputs, WineRoad())


if __name__ == "__main__":
    sys.exit(main())
