#!/usr/bin/env python3
"""brisklet-clean as cmake --install lays it out, checked against the installed program's own --help.

Usage: installed-files.py BUILD_FOLDER. Installs into a temporary prefix and checks: exactly the program, the
man page and the bash, zsh and fish completions are installed; the README's examples on the bundled sample run as
written; the page renders without a warning, holds every sentence of --help word for word (usage, options,
switches and their notes), and names no option or switch the program does not accept; each completion offers, in
its real shell, what --help lists (a table of command lines and their completions); --help fits 80 columns and
the page's sentences of fact (PROSE) hold for the program. Exits 0 when all holds, 1 otherwise, 77 (skipped) when
groff, strace or a shell is missing.
"""

import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

PROGRAM = "bin/brisklet-clean"
MAN_PAGE = "share/man/man1/brisklet-clean.1"
COMPLETION = "share/bash-completion/completions/brisklet-clean"
ZSH_COMPLETION = "share/zsh/site-functions/_brisklet-clean"
FISH_COMPLETION = "share/fish/vendor_completions.d/brisklet-clean.fish"
SKIPPED = 77


def Run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, timeout=60, **options)


def Installed(build, prefix):
    result = Run(["cmake", "--install", str(build), "--prefix", str(prefix)])
    if result.returncode != 0:
        return [f"cmake --install failed: {result.stderr.strip()}"]
    files = sorted(str(path.relative_to(prefix)) for path in prefix.rglob("*") if not path.is_dir())
    problems = []
    installed = sorted([PROGRAM, MAN_PAGE, COMPLETION, ZSH_COMPLETION, FISH_COMPLETION])
    if files != installed:
        problems.append(f"installed {files}, expected {installed}")
    elif not os.access(prefix / PROGRAM, os.X_OK):
        problems.append(f"{PROGRAM} is not executable")
    return problems


def HelpPieces(help):
    """--help cut into the pieces the page must hold: each usage line, each paragraph, each option or switch
    with its description (continuation lines joined), whitespace made single spaces."""
    pieces, current = [], []

    def Close():
        if current:
            pieces.append(" ".join(" ".join(current).split()))
            current.clear()
    for line in help.splitlines():
        if line.startswith(("Usage: ", "       ")) and not current:
            pieces.append(" ".join(line.removeprefix("Usage: ").split()))
            continue
        heading = line.endswith(":")
        item = line.startswith(("  -", "  /"))
        if not line.strip() or heading or item or (current and current[0].startswith(" ") and line[:1] != " "):
            Close()
        if line.strip() and not heading:
            current.append(line)
    Close()
    return pieces


def RenderedPage(page):
    """The page as plain text with single spaces, no hyphenation; or None and the warnings."""
    result = Run(["groff", "-man", "-Tutf8", "-ww", "-rHY=0", "-P-cbou", str(page)])
    if result.returncode != 0 or result.stderr:
        return None, result.stderr.strip() or f"groff exit {result.returncode}"
    return " ".join(result.stdout.split()), ""


def Tags(page, section):
    """The tags of the .TP items in one section of the page's source, roff escapes made plain, each
    alternative of an item ("--help, -h") a tag of its own."""
    text = page.read_text()
    body = text.split(f".SH {section}\n", 1)[1].split("\n.SH ", 1)[0]
    tags = re.findall(r"^\.TP\n\.B[IR]? (.+)$", body, re.MULTILINE)
    plain = [re.sub(r'\\f[BIR]|"', "", tag).replace("\\-", "-") for tag in tags]
    return [" ".join(alternative.split()) for tag in plain for alternative in tag.split(",")]


def Accepted(program, tag):
    """Whether the program takes the option or switch a tag names (with 4 for a value), on empty input."""
    arguments = re.sub(r"\[.*?\]", "", tag).split()
    if len(arguments) == 2:
        arguments[1] = "4"
    if "ide-tools" in tag or "tools-file" in tag:
        # The Tools-menu options take no switch: shown as a diff against a tools file not there yet.
        with tempfile.TemporaryDirectory() as folder:
            action = [] if arguments[0] == "--tools-file" else arguments
            result = Run([str(program)] + (action or ["--remove-ide-tools"]) +
                         ["--diff", "--tools-file", str(Path(folder) / "tools.prefs")], stdin=subprocess.DEVNULL)
        return result.returncode in (0, 1) and not result.stderr
    # A switch first: a run without one is refused.
    result = Run([str(program), "/removespacesatendoflines"] + arguments, stdin=subprocess.DEVNULL)
    return result.returncode == 0 and not result.stderr


# The page's sentences of fact, each with what shows it of the program: a rewrite under strace, then a piped run
# and the file rewritten (of a caret on line 2, counted from 0, below an empty line that goes).
SETTINGS = "a\n\nb\n; IDE Options\n; CursorPosition = 2\n"
PROSE = [("HHHHHHHH being eight hexadecimal digits", r'"Main\.pb\.brisklet-[0-9a-f]{8}", O_RDWR\|O_CREAT'),
         ("in a file, CursorPosition, CursorColumn, FirstLine, Markers and Folding are changed so that the caret, "
          "first line, markers and folds they name follow their code. From standard input the block goes through "
          "byte for byte.", r"^piped: a\nb\n; IDE Options\n; CursorPosition = 2\n\nfile: a\nb\n; IDE Options\n; CursorPosition = 1\n\Z")]


def ManPageProblems(program, page, help, folder):
    text, warnings = RenderedPage(page)
    if text is None:
        return [f"groff warns: {warnings}"]
    problems = [f"the page does not say {piece!r}" for piece in HelpPieces(help) if piece not in text]
    problems += [f"--help is wider than 80 columns: {line!r}" for line in help.splitlines() if len(line) > 80]
    (folder / "Main.pb").write_text(SETTINGS)
    done = Run(["strace", "-e", "trace=openat", str(program), "/removeemptylines", str(folder / "Main.pb")]).stderr
    done += f"\npiped: {Run([str(program), '/removeemptylines'], input=SETTINGS).stdout}\nfile: {(folder / 'Main.pb').read_text()}"
    problems += [f"the page does not say {sentence!r}, or the program shows otherwise: {done}" for sentence, shown in PROSE
                 if sentence not in text or not re.search(shown, done, re.MULTILINE)]
    for section in ("OPTIONS", "SWITCHES"):
        tags = Tags(page, section)
        if not tags:
            problems.append(f"no items in {section}")
        problems += [f"{section} names {tag!r}, which the program refuses" for tag in tags
                     if not Accepted(program, tag)]
    return problems


# (words before the cursor, the word being completed, the completions expected; "{switches}" and
# "{options}" stand for every switch and every option --help lists, "{root}" for every name in /,
# "{folder}" for the folder that holds Main.pb, Main.pbi and Sub/)
COMPLETIONS = [
    ([], "/removec", ["/removecomments"]),
    ([], "/REMOVEC", ["/removecomments"]),
    ([], "/removespacesat", ["/removespacesatendoflines", "/removespacesatstartoflines"]),
    ([], "/", ["{switches}", "{root}"]),
    (["/removecomments"], "--", ["{options}"]),
    ([], "--d", ["--diff"]),
    ([], "--tab", ["--tab-length"]),
    (["--tab-length"], "", []),
    ([], "Ma", ["Main.pb", "Main.pbi"]),
    (["/fold"], "Sub/", ["Sub/Inner.pb"]),
    ([], "{folder}/Main.pbi", ["{folder}/Main.pbi"]),
    (["--"], "/removec", []),
    (["--"], "--d", []),
]


# zsh's completion system where the completion is installed; each match it adds printed with the prefixes it is
# given (-P, -p); Tab completes and ends the shell.
ZSH_RC = r"""fpath=(FOLDER $fpath); autoload -Uz compinit && compinit -u -D
compadd() {
  if (( ${@[(I)-[OAD]]} )); then builtin compadd "$@"; return; fi
  local -a matches P p
  zparseopts -E P:=P p:=p && builtin compadd -A matches "$@"
  print -rl -- $IPREFIX${P[-1]#-P}${p[-1]#-p}${^matches} && builtin compadd "$@"
}
complete-and-exit() { zle complete-word; exit 0 }
zle -N complete-and-exit && bindkey '^I' complete-and-exit
"""


def ZshCompletions(prefix, words, folder):
    """zsh's line editor needs a terminal: an interactive zsh reads the command line and Tab from a pty."""
    (folder.parent / ".zshrc").write_text(ZSH_RC.replace("FOLDER", str(prefix / os.path.dirname(ZSH_COMPLETION))))
    controller, terminal = pty.openpty()
    os.write(controller, " ".join(words).encode() + b"\t")
    with os.fdopen(controller, "wb"), os.fdopen(terminal) as typed:
        return Run(["zsh", "-d", "-i"], cwd=folder, stdin=typed, env=dict(os.environ, ZDOTDIR=str(folder.parent)))


def CompletionProblems(prefix, help, folder):
    switches = re.findall(r"^  (/[a-z]+) ", help, re.MULTILINE)
    options = sorted(set(re.findall(r"--[a-z][a-z-]*", help)))
    root = ["/" + name for name in os.listdir("/")]
    (folder / "Sub").mkdir()
    for name in ("Main.pb", "Main.pbi", "Sub/Inner.pb"):
        (folder / name).write_text("a = 1\n")
    problems = []
    for before, word, wanted in COMPLETIONS:
        expected = []
        for item in wanted:
            expected += {"{switches}": switches, "{options}": options, "{root}": root}.get(item, [item.replace("{folder}", str(folder))])
        word = word.replace("{folder}", str(folder))
        words = [str(prefix / PROGRAM)] + before + [word]
        script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _brisklet_clean; '
                  'printf "%s\\n" "${COMPREPLY[@]}"')
        results = {"bash": Run(["bash", "-c", script, "bash", str(prefix / COMPLETION)] + words, cwd=folder),
                   "zsh": ZshCompletions(prefix, words, folder),
                   "fish": Run(["fish", "--no-config", "-c", "source $argv[1]; complete -C $argv[2]",
                                str(prefix / FISH_COMPLETION), " ".join(words)], cwd=folder)}
        for shell, result in results.items():
            # fish adds a description after a tab; zsh and fish offer a folder with its /, a hidden name only after
            # a dot.
            seen = sorted({line.split("\t")[0].rstrip("/") for line in result.stdout.splitlines() if line})
            shown = sorted(name for name in expected if shell == "bash" or not name.startswith("/."))
            if result.returncode != 0 or seen != shown:
                problems.append(f"{shell} completing {' '.join(before + [repr(word)])}: {seen} "
                                f"{result.stderr.strip()}; expected {shown}")
    if not switches:
        problems.append("--help lists no switches")
    return problems


def ReadmeProblems(program):
    """The README's examples that touch only the bundled sample, run as written on a copy of it: each ends with
    0 or 1 and reports no trouble."""
    readme = Path(__file__).resolve().parents[2] / "README.md"
    examples = [line.strip() for line in readme.read_text(encoding="utf-8").splitlines()
                if line.startswith("    brisklet-clean ") and "samples/" in line]
    problems = [] if examples else ["the README shows no example on the sample"]
    with tempfile.TemporaryDirectory() as folder:
        shutil.copytree(Path(readme).parent / "samples", Path(folder) / "samples")
        environment = dict(os.environ, PATH=f"{program.parent}:{os.environ['PATH']}")
        for example in examples:
            result = Run(["bash", "-c", example], cwd=folder, env=environment)
            troubles = [line for line in result.stderr.splitlines() if not line.endswith(": would change")]
            if result.returncode not in (0, 1) or troubles:
                problems.append(f"README example {example!r}: exit {result.returncode}, {result.stderr.strip()!r}")
    return problems


def main():
    build = Path(sys.argv[1]).resolve()
    for tool in ("groff", "strace", "bash", "zsh", "fish"):
        if shutil.which(tool) is None:
            print(f"skipped: {tool} is not installed (scripts/setup-native.sh installs it)")
            return SKIPPED
    with tempfile.TemporaryDirectory() as work:
        prefix, folder = Path(work) / "prefix", Path(work) / "sources"
        folder.mkdir()
        problems = Installed(build, prefix)
        if not problems:
            help = Run([str(prefix / PROGRAM), "--help"]).stdout
            problems += ManPageProblems(prefix / PROGRAM, prefix / MAN_PAGE, help, Path(work))
            problems += CompletionProblems(prefix, help, folder)
            problems += ReadmeProblems(prefix / PROGRAM)
    for problem in problems:
        print(f"FAIL {problem}")
    print(f"installed files, man page, completion: {'ok' if not problems else f'{len(problems)} problems'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
