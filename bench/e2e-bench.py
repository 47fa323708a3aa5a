#!/usr/bin/env python3
"""Message budget and wall time of Brisklet.exe in the test IDE on generated sources of growing length.

For 1,000, 10,000 and 100,000 lines (CR LF, 10 collapsed procedures) it runs the tool with
"/removecomments /removedebuglines /removespacesatendoflines /keepcursorandfolds" in the test IDE under Wine,
32-bit and 64-bit, through tests/e2e/run-e2e.py, and prints per run: lines, bytes, the messages the editor
received (all, and Scintilla's; lowest-highest when the repeats differed), and the child's wall
time from start to exit (the median of the repeats). With --wait the test IDE waits for the tool as the IDE
does under "Wait until tool quits" (in steps of 10 ms, handling the tool's messages only between them), and
the breaks in which the tool's messages were handled are printed too. The cleaned document is checked byte for byte, so a fast
wrong run does not pass as a result. The scenarios and their runs stay in build/e2e-bench/ and build/e2e-work/.
Not part of the tests; builds nothing (build the win-x86 and win-x64 presets first).

Usage: bench/e2e-bench.py [--build DIR] [--repeat N] [--collapsed N] [--wait] [LINES ...]
"""

import argparse
import shutil
import statistics
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import purebasic_source  # noqa: E402

SWITCHES = "/removecomments /removedebuglines /removespacesatendoflines /keepcursorandfolds"
COLLAPSED = 10
BITNESSES = ("x86", "x64")


def ScenarioName(lines, repeat):
    return f"bench-{lines}-lines-{repeat}"


def WriteScenarios(folder, lineCounts, repeats, collapsed, wait):
    """One scenario folder per length and repeat; gives {lines: bytes of the document}."""
    if folder.exists():
        shutil.rmtree(folder)
    sizes = {}
    for lines in lineCounts:
        document, expected, headers = purebasic_source.Generate(lines)
        folded = ",".join(str(line) for line in purebasic_source.Spread(headers, collapsed))
        sizes[lines] = len(document)
        for repeat in range(1, repeats + 1):
            scenario = folder / ScenarioName(lines, repeat)
            scenario.mkdir(parents=True)
            (scenario / "scenario.txt").write_text(
                f"args={SWITCHES}\n" + (f"folded={folded}\n" if folded else "") + ("wait=1\n" if wait else "") +
                "timeout-ms=120000\n",
                encoding="utf-8")
            (scenario / "doc.bin").write_bytes(document)
            (scenario / "expected-doc.bin").write_bytes(expected)
            prefs = scenario / "files" / "appdata" / "PureBasic" / "PureBasic.prefs"
            prefs.parent.mkdir(parents=True)
            prefs.write_text("[Global]\nTabLength = 4\n", encoding="utf-8")
    return sizes


def Spread(values):
    """"N", or "LOW-HIGH" when the repeats differed; "?" when a run reported nothing."""
    if not values or not all(value and value.isdigit() for value in values):
        return "?"
    numbers = sorted(int(value) for value in values)
    return str(numbers[0]) if numbers[0] == numbers[-1] else f"{numbers[0]}-{numbers[-1]}"


def ReadResult(path):
    result = {}
    if not path.exists():
        return result
    for line in path.read_text(encoding="utf-8").splitlines():
        key, _, value = line.partition("=")
        result[key] = value
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=REPO / "build", help="the build folder (default: build/)")
    parser.add_argument("--repeat", type=int, default=3, help="runs per length and bitness (default: 3)")
    parser.add_argument("--collapsed", type=int, default=COLLAPSED,
                        help=f"collapsed procedures (default: {COLLAPSED})")
    parser.add_argument("--wait", action="store_true", help="the IDE waits for the tool in steps of 10 ms")
    parser.add_argument("lines", nargs="*", type=int, default=[1000, 10000, 100000])
    arguments = parser.parse_args()
    build = arguments.build.resolve()
    scenarios = build / "e2e-bench" / "scenarios"
    sizes = WriteScenarios(scenarios, arguments.lines, arguments.repeat, arguments.collapsed, arguments.wait)

    runner = subprocess.run([sys.executable, str(REPO / "tests" / "e2e" / "run-e2e.py"), "--build", str(build),
                             "--scenarios", str(scenarios)], stdout=subprocess.PIPE, text=True)
    failures = [line for line in runner.stdout.splitlines() if not line.startswith("ok ")]
    if runner.returncode != 0:
        print("\n".join(failures))
        print("e2e-bench: some runs failed; their numbers below are not results")

    print(f"{'tool':<5} {'lines':>8} {'bytes':>10} {'messages':>9} {'scintilla':>10} {'breaks':>7} {'child ms':>9}")
    for bitness in BITNESSES:
        for lines in arguments.lines:
            results = [ReadResult(build / "e2e-work" / bitness / ScenarioName(lines, repeat) / "result" / "result.txt")
                       for repeat in range(1, arguments.repeat + 1)]
            messages = Spread([r.get("messages") for r in results])
            scintilla = Spread([r.get("scintilla-messages") for r in results])
            breaks = Spread([r.get("busy-steps") for r in results]) if arguments.wait else "-"
            times = [int(r["child-ms"]) for r in results if r.get("child-ms", "").isdigit()]
            median = f"{statistics.median(times):.0f}" if times else "?"
            print(f"{bitness:<5} {lines:>8,} {sizes[lines]:>10,} {messages:>9} {scintilla:>10} {breaks:>7} {median:>9}")
    return runner.returncode


if __name__ == "__main__":
    sys.exit(main())
