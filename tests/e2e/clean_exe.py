"""brisklet-clean.exe under Wine against the native brisklet-clean on the same real files.

Each case lays the same files out twice, runs the native program in one folder and the Windows one in the other
with the same arguments (a file, or standard input to standard output), and compares: exit codes, standard output
byte for byte, messages, and every file left in the folder (so a temporary file left behind shows). A file the run
should not change must keep its identity and time stamp. A case with an `expect` of its own states what the
Windows program must do where the native one, run as root, differs: a read-only file is left as it is.
Two more runs act while a large file is being rewritten: the file is changed on disk (it must be left as the
other writer made it, exit 2), or Ctrl+C is typed at the program's terminal (the file stays, the temporary
file goes).
tests/static/static-programs.py gives the same cases to the static Linux programs, the aarch64 one under qemu-user
against the x86-64 one; `expect` does not apply there.
"""

import fcntl
import glob
import os
import pty
import shutil
import subprocess
import termios

RUN = "clean-exe"
TIMEOUT = 120

SETTINGS = (b"; IDE Options = PureBasic 6.10 LTS (Windows - x64)\r\n; CursorPosition = 4\r\n"
            b"; Folding = -\r\n; EnableXP\r\n")


def Source(end):
    lines = ["; Gr\u00fc\u00dfe: a source  ", "Procedure Sum(a.i, b.i)  ; the sum", "", "\tDebug \"a ; b\"   ",
             "  If a  >  b\t", "    ProcedureReturn a + b", "  EndIf", "", "EndProcedure"]
    return (end.join(lines) + end).encode("utf-8")


def BigSource():
    """Past FileHoldLimit after an early line that looks like the settings block, a stray byte early and a
    UTF-8 sequence late: the Windows program reads the file again at offsets, as the POSIX one does."""
    body = b"".join(b"\tvalue%d = value%d  +  1   ; step %d\r\n" % (n, n, n) for n in range(60000))
    return (b"x = 1 ; caf\xe9\r\n; IDE Options lookalike\r\n" + body + "; \u00e4rger \u00fc\r\n".encode("utf-8") +
            body[:200000] + SETTINGS)


CLEANING = ["/removecomments", "/removeemptylines", "/removespacesatendoflines"]
NAME = "Gr\u00fc\u00dfe \u20ac \u65e5\u672c \U0001F600.pb"
READ_ONLY_REASON = "read-only; left unchanged"

# name, arguments ({file} stands for the file's name), the file's name and bytes, how it is given; extras:
# readOnly, hidden, link ("hard" or "symbolic": a second name for the file), env (the IDE's variables; {prefs}
# stands for the path of a preferences file with prefs as its text, in each program's own form), configs (more
# files, such as .editorconfig files, by their paths in the folder), expect (exit, message) instead of the native
# program's result.
CASES = [
    dict(name="crlf", args=CLEANING + ["{file}"], file="crlf.pb", data=Source("\r\n")),
    dict(name="mixed-line-ends", args=["/removedoublespaces", "/removeallspaces", "{file}"], file="mixed.pb",
         data=b"a  b\r\nc  d\ne  f\rg  h\r\n\n\r"),
    dict(name="utf8-bom-upper-case", args=["/converttexttouppercaseletters", "{file}"], file="bom.pb",
         data=b"\xef\xbb\xbf" + Source("\r\n")),
    dict(name="settings-block-tab-length", args=["--tab-length", "4", "/converttabtospace", "/removecomments",
                                                 "{file}"], file="settings.pb", data=Source("\r\n") + SETTINGS),
    dict(name="name-outside-ascii", args=CLEANING + ["{file}"], file=NAME, data=Source("\r\n") + SETTINGS),
    dict(name="nothing-to-change-untouched", args=CLEANING + ["{file}"], file="clean.pb", data=b"a = 1\r\nb = 2\r\n"),
    dict(name="check-would-change", args=["--check"] + CLEANING + ["{file}"], file="check.pb", data=Source("\r\n")),
    # The zero byte comes after the first block, once the temporary file holds the changed start.
    dict(name="zero-byte-late", args=CLEANING + ["{file}"], file="zero.pb",
         data=b"a = 1 ; x\r\n" + b"b = 2\r\n" * 50000 + b"\0b\r\n"),
    dict(name="big-reread", args=["/converttexttouppercaseletters", "/removecomments", "{file}"], file="big.pb",
         data=BigSource()),
    dict(name="hard-link-both-names", args=CLEANING + ["{file}"], file="hard.pb", data=Source("\r\n"), link="hard"),
    dict(name="symbolic-link-stays", args=CLEANING + ["{file}"], file="target.pb", data=Source("\n"),
         link="symbolic"),
    dict(name="hidden-attribute-kept", args=CLEANING + ["{file}"], file="hidden.pb", data=Source("\r\n"),
         hidden=True),
    dict(name="read-only-refused", args=CLEANING + ["{file}"], file="ro.pb", data=Source("\r\n"), readOnly=True,
         expect=(2, f"brisklet-clean: ro.pb: {READ_ONLY_REASON}")),
    dict(name="read-only-nothing-to-change", args=CLEANING + ["{file}"], file="ro-clean.pb",
         data=b"a = 1\r\n", readOnly=True),
    dict(name="read-only-check", args=["--check"] + CLEANING + ["{file}"], file="ro-check.pb",
         data=Source("\r\n"), readOnly=True),
    dict(name="diff-crlf-settings", args=["--diff"] + CLEANING + ["{file}"], file="diff.pb",
         data=Source("\r\n") + SETTINGS),
    dict(name="selection-from-the-ide", args=["/onlyselectedcode"] + CLEANING + ["{file}"], file="selection.pb",
         data=Source("\r\n") + SETTINGS, env={"PB_TOOL_Selection": "2x1x5x3"}),
    dict(name="malformed-selection", args=["/onlyselectedcode", "/removecomments", "{file}"], file="bad.pb",
         data=Source("\r\n"), env={"PB_TOOL_Selection": "2x1x"}),
    # The view entries follow their code, the fold points found by the start words of the IDE's preferences:
    # with the IDE's own words the ;{ line would be a fold point whose removal changes Folding.
    dict(name="view-follows-fold-words", args=CLEANING + ["/removedebuglines", "{file}"], file="view.pb",
         data=b";{ Sum\r\n" + Source("\r\n") + b"; IDE Options = PureBasic 6.10 LTS (Windows - x64)\r\n"
         b"; CursorPosition = 6\r\n; CursorColumn = 30\r\n; FirstLine = 4\r\n; Folding = B\r\n; Markers = 3,5,7\r\n"
         b"; EnableXP",
         env={"PB_TOOL_Preferences": "{prefs}"}, prefs=b"[Folding]\r\nStartWords = 2\r\nStart_1 = If\r\nStart_2 = Procedure\r\n"),
    dict(name="tab-length-from-the-ide", args=["/converttabtospace", "{file}"], file="tabs.pb",
         data=b"\ta\r\n\t\tb ; c\r\n", env={"PB_TOOL_Preferences": "{prefs}"},
         prefs=b"[Global]\r\nTabLength = 5\r\n"),
    dict(name="stdin-diff", args=["--diff", "/removecomments", "/removeemptylines"], stdin=Source("\r\n")),
    dict(name="stdin-crlf-settings", args=CLEANING + ["/removedebuglines"], stdin=Source("\r\n") + SETTINGS),
    dict(name="stdin-check", args=["--check", "/removecomments"], stdin=Source("\r\n")),
    dict(name="stdin-utf8-lower-case", args=["/converttexttolowercaseletters"],
         stdin="\u00c4RGER \u00dcBER \u00d6L\r\n".encode("utf-8")),
    # Bytes above 127 without any UTF-8: where char is unsigned (aarch64) they must still read as Latin-1.
    dict(name="latin1-upper-case", args=["/converttexttouppercaseletters", "{file}"], file="latin1.pb",
         data=b"gr\xf6\xdfe \xe4rger \xff\xb5 caf\xe9 \xfe ; \xa0x\r\n"),
    dict(name="stdin-latin1-lower-case", args=["/converttexttolowercaseletters", "/removecomments"],
         stdin=b"\xc4RGER \xd6L \xc0 \xde ; \xdf\xd7\r\n"),
    # The sub-folder's name lies outside every ANSI code page: its .editorconfig must still be read.
    dict(name="editorconfig-two-levels", args=["-v", "/converttabtospace", "{file}"], file="Gr\u00fc\u00dfe \u65e5/Form.pbi",
         data=b"\ta\r\n\t\tb\r\n", configs={".editorconfig": b"root = true\r\n[*.pb]\r\ntab_width = 8\r\n",
                                            "Gr\u00fc\u00dfe \u65e5/.editorconfig": b"[*.pbi]\r\nindent_size = 3\r\n"}),
    dict(name="editorconfig-malformed", args=["/converttabtospace", "/removecomments", "{file}"], file="bad.pb",
         data=b"\ta ; b\r\n", configs={".editorconfig": b"root = true\n[*.pb\ntab_width = 8\n"}),
    dict(name="stdin-name-editorconfig", args=["--stdin-name", "Sub/New.pbi", "/convertspacetotab"],
         stdin=b"     a\r\n          b\r\n", configs={".editorconfig": b"root = true\n[Sub/*.pbi]\ntab_width = 5\n"}),
    # Windows shells leave wildcards to the program, POSIX ones expand them (RunCleanExe): sorted, the folder part as
    # typed, a quoted pattern too; one that matches nothing is a missing file, and the rest are still cleaned.
    dict(name="wildcards", args=["-v", "/removespacesatendoflines", "*.pbx", "*.pb", "Sub/? *.pb"], file="b.pb",
         data=Source("\r\n"), configs={name: Source("\r\n") for name in ("a.pb", NAME, "c.pbi", "Sub/x y.pb", "Sub/xy.pb")}),
    dict(name="space-to-tab-start-blanks", args=["--tab-length", "3", "/convertspacetotab",
                                                 "/removespacesatstartoflines", "{file}"], file="indent.pb",
         data=b"      a\r\n  \tb\r\n     \t  c\n\t \t \t \td\r"),
]

LINK_NAME = "other-name.pb"
# Where Wine keeps the DOS attributes it cannot map to the file's mode, as "0x" and hex digits.
DOS_ATTRIBUTES = "user.DOSATTRIB"
FILE_ATTRIBUTE_HIDDEN = 0x2


PREFERENCES = "PureBasic.prefs"


def LayOut(case, folder):
    folder.mkdir(parents=True)
    if "prefs" in case:
        (folder.parent / (folder.name + "-" + PREFERENCES)).write_bytes(case["prefs"])
    for name, data in case.get("configs", {}).items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
    if "file" not in case:
        return
    path = folder / case["file"]
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(case["data"])
    if case.get("link") == "hard":
        os.link(path, folder / LINK_NAME)
    elif case.get("link") == "symbolic":
        os.symlink(case["file"], folder / LINK_NAME)
    if case.get("hidden"):
        os.setxattr(path, DOS_ATTRIBUTES, b"0x%x" % FILE_ATTRIBUTE_HIDDEN)
    if case.get("readOnly"):
        path.chmod(0o444)


def Arguments(case):
    # A symbolic link is cleaned through the link, a hard link through its first name.
    named = LINK_NAME if case.get("link") == "symbolic" else case.get("file", "")
    return [argument.replace("{file}", named) for argument in case["args"]]


def ToolEnvironment(case, folder, environment, pathForm):
    prefs = pathForm(folder.parent / (folder.name + "-" + PREFERENCES))
    return dict(environment, **{key: value.replace("{prefs}", prefs) for key, value in case.get("env", {}).items()})


def Run(command, folder, stdinBytes, environment):
    """(exit code, standard output, messages with Windows line ends made plain)."""
    inputPath = folder.parent / (folder.name + ".in")
    inputPath.write_bytes(stdinBytes or b"")
    outputs = [folder.parent / (folder.name + suffix) for suffix in (".out", ".err")]
    # Files, not pipes: Wine's desktop process inherits the handles and would keep a pipe open.
    with open(inputPath, "rb") as given, open(outputs[0], "wb") as out, open(outputs[1], "wb") as err:
        code = subprocess.run(command, cwd=folder, stdin=given, stdout=out, stderr=err, timeout=TIMEOUT,
                              env=environment).returncode
    messages = outputs[1].read_bytes().replace(b"\r\n", b"\n").decode("utf-8", errors="replace").strip()
    return code, outputs[0].read_bytes(), messages


def Listing(folder):
    """Every name in the folder and its sub-folders, by its path in the folder: (kind, bytes or link target)."""
    seen = {}
    for path in sorted(folder.rglob("*")):
        name = str(path.relative_to(folder))
        if path.is_symlink():
            seen[name] = ("link", os.readlink(path))
        elif not path.is_dir():
            seen[name] = ("file", path.read_bytes())
    return seen


def Identity(path):
    status = os.stat(path, follow_symlinks=False)
    return status.st_ino, status.st_mtime_ns


def CheckCase(case, native, exe, nativeResult, exeResult, identityBefore):
    problems = []
    code, output, messages = exeResult
    if "expect" in case:
        expectedCode, expectedMessage = case["expect"]
        if (code, messages) != (expectedCode, expectedMessage):
            problems.append(f"exit {code}, messages {messages!r}; expected exit {expectedCode}, {expectedMessage!r}")
        if (exe / case["file"]).read_bytes() != case["data"]:
            problems.append("the file was changed")
    else:
        nativeCode, nativeOutput, nativeMessages = nativeResult
        if code != nativeCode:
            problems.append(f"exit code {code}, the native program's {nativeCode} ({messages!r})")
        # Windows shows paths with its own separator (a unit test pins which), the native program with "/".
        if messages.replace("\\", "/") != nativeMessages:
            problems.append(f"messages {messages!r}, the native program's {nativeMessages!r}")
        if output != nativeOutput:
            problems.append(f"standard output differs ({len(output)} bytes, the native program's {len(nativeOutput)})")
        exeFiles, nativeFiles = Listing(exe), Listing(native)
        if exeFiles.keys() != nativeFiles.keys():
            problems.append(f"files left {sorted(exeFiles)}, the native program's {sorted(nativeFiles)}")
        for name in exeFiles.keys() & nativeFiles.keys():
            if exeFiles[name] != nativeFiles[name]:
                problems.append(f"{name} differs from the native program's")
    if "file" in case:
        path = exe / case["file"]
        if (exe / case["file"]).read_bytes() == case["data"] and Identity(path) != identityBefore:
            problems.append(f"{case['file']} did not change, yet it was written")
        if case.get("link") == "hard" and Identity(exe / LINK_NAME)[0] != Identity(path)[0]:
            problems.append("the two names no longer share one file")
        if case.get("link") == "symbolic" and not (exe / LINK_NAME).is_symlink():
            problems.append("the symbolic link became a file")
        if case.get("hidden"):
            attributes = os.getxattr(path, DOS_ATTRIBUTES) if DOS_ATTRIBUTES in os.listxattr(path) else b"0"
            if int(attributes, 16) & FILE_ATTRIBUTE_HIDDEN == 0:
                problems.append(f"the file lost its hidden attribute ({attributes!r})")
    return problems


def Typed(folder, command, environment):
    """Wine turns Ctrl+C typed at a program's controlling terminal into CTRL_C_EVENT; a pty plays the terminal."""
    controller, terminal = pty.openpty()

    def TakeTerminal():
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)
    process = subprocess.Popen(command, cwd=folder, stdin=terminal, stdout=terminal, stderr=terminal,
                               env=environment, preexec_fn=TakeTerminal)
    os.close(terminal)
    return process, lambda: os.write(controller, b"\x03"), lambda: os.close(controller)


def Redirected(folder, command, environment):
    messages = open(folder.parent / "messages.txt", "wb")
    process = subprocess.Popen(command, cwd=folder, stdin=subprocess.DEVNULL, stdout=messages, stderr=messages,
                               env=environment)
    return process, None, messages.close


BIG_NAME = "big.pb"


def RewriteInterrupted(root, exeCommand, environment, interrupt):
    """Starts the program on a large file and, once its temporary file shows, changes the file on disk or
    types Ctrl+C; then checks what is left."""
    folder = root / ("ctrl-c" if interrupt else "changed-on-disk") / "exe"
    folder.mkdir(parents=True)
    source = "".join(f"x = {n} ; note\n" for n in range(1000)).encode() * 3000
    appended = b"y = 2\n"
    (folder / BIG_NAME).write_bytes(source)
    start = Typed if interrupt else Redirected
    process, typeCtrlC, finish = start(folder, exeCommand + ["/removecomments", BIG_NAME], environment)
    acted = False
    try:
        while process.poll() is None and not acted:
            if any(".brisklet-" in name for name in os.listdir(folder)):
                if interrupt:
                    typeCtrlC()
                else:
                    with open(folder / BIG_NAME, "ab") as other:
                        other.write(appended)
                acted = True
        code = process.wait(timeout=TIMEOUT)
    finally:
        finish()
    label = "ctrl-c" if interrupt else "changed-on-disk"
    if not acted:
        return [f"{label}: the rewrite ended before it could be interrupted (exit {code})"]
    problems = []
    expected = source if interrupt else source + appended
    if (folder / BIG_NAME).read_bytes() != expected:
        problems.append(f"{label}: {BIG_NAME} is not as the other writer left it")
    if sorted(os.listdir(folder)) != [BIG_NAME]:
        problems.append(f"{label}: files left {sorted(os.listdir(folder))}")
    if not interrupt:
        messages = (folder.parent / "messages.txt").read_bytes().replace(b"\r\n", b"\n").decode().strip()
        wanted = f"brisklet-clean: {BIG_NAME}: changed on disk while it was cleaned; left as it is"
        if (code, messages) != (2, wanted):
            problems.append(f"{label}: exit {code}, messages {messages!r}; expected exit 2, {wanted!r}")
    return problems


def WindowsPath(path):
    return "Z:" + str(path).replace("/", "\\")


def RunCleanExe(bitness, inputs, road):
    """Every case on both programs; the problems, each line naming its case."""
    root = inputs.work / bitness / RUN
    if root.exists():
        shutil.rmtree(root)
    # Wine reads the arguments' bytes in the locale's encoding: UTF-8, so every name arrives.
    environment = dict(os.environ, LC_ALL="C.UTF-8")
    exeCommand = road.wine + [str(inputs.Program("brisklet-clean", bitness))]
    problems = []
    for case in CASES:
        native, exe = root / case["name"] / "native", root / case["name"] / "exe"
        LayOut(case, native)
        LayOut(case, exe)
        identity = Identity(exe / case["file"]) if "file" in case else None
        stdinBytes = case.get("stdin")
        # As a POSIX shell expands wildcards: each pattern its matches, sorted, or itself when it matches none.
        posix = [match for given in Arguments(case) for match in sorted(glob.glob(given, root_dir=native)) or [given]]
        nativeResult = Run([str(inputs.NativeClean())] + posix, native, stdinBytes,
                           ToolEnvironment(case, native, environment, str))
        exeEnvironment = ToolEnvironment(case, exe, environment, WindowsPath)
        exeResult = Run(exeCommand + Arguments(case), exe, stdinBytes, exeEnvironment)
        if exeResult[0] != 0 and road.FailedToStart(exeResult[2]):
            print(f"again {RUN} [{bitness}] {case['name']}: Wine could not start brisklet-clean.exe")
            exeResult = Run(exeCommand + Arguments(case), exe, stdinBytes, exeEnvironment)
        problems += [f"{case['name']}: {p}" for p in CheckCase(case, native, exe, nativeResult, exeResult, identity)]
    for interrupt in (False, True):
        problems += RewriteInterrupted(root, exeCommand, environment, interrupt)
    return problems
