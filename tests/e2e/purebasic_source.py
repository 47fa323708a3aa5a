"""Generated PureBasic sources of any length, with the bytes they become under three cleaning switches.

Each line is written with what "/removecomments /removedebuglines /removespacesatendoflines" makes of it
(None: the line goes), so the expected document follows from the generator itself and needs no second
implementation of the cleaning. Procedures, some inside modules, with comments after code and on their own
lines, semicolons in strings, debug lines, tab indentation, trailing blanks and ANSI umlauts.
"""

# (line as written, line after the three switches)
HEAD = [
    ("; Generated source: procedures and modules  ", ""),
    ("EnableExplicit", "EnableExplicit"),
    ("", ""),
]
PROCEDURE = [
    ("Procedure.i Compute{n}(a.i, b.i) ; sum of a and b  ", "Procedure.i Compute{n}(a.i, b.i)"),
    ("\tProtected result.i = a + b\t ", "\tProtected result.i = a + b"),
    ("\t; keep it in bounds", ""),
    ("\tDebug \"result = \" + Str(result)", None),
    ("\tIf result > {n} ; large values  ", "\tIf result > {n}"),
    ("\t\tresult - 1 \t", "\t\tresult - 1"),
    ("\tEndIf", "\tEndIf"),
    ("\tname$ = \"Gr\xf6\xdfe;\xc4nderung\" + Str(result) ; the ; in the string stays", "\tname$ = \"Gr\xf6\xdfe;\xc4nderung\" + Str(result)"),
    ("\tProcedureReturn result   ", "\tProcedureReturn result"),
    ("EndProcedure", "EndProcedure"),
    ("", ""),
]
MODULE_START = [("Module Tools{n} ; helpers", "Module Tools{n}")]
MODULE_END = [("EndModule ", "EndModule"), ("", "")]
FILLER = ("  ; filler", "")
PROCEDURES_PER_MODULE = 3
EVERY_NTH_IN_MODULE = 2  # every second group of procedures lies inside a module


def Generate(lineCount, lineEnd="\r\n"):
    """(document bytes, expected bytes, procedure header lines) for a source of exactly lineCount lines
    (the last one without a line end). The cleaned lines are joined with LF, as the cleaning writes them."""
    pairs = []
    headers = []

    def Add(block, number):
        for written, cleaned in block:
            if written.startswith("Procedure"):
                headers.append(len(pairs))
            pairs.append((written.format(n=number), None if cleaned is None else cleaned.format(n=number)))

    Add(HEAD, 0)
    group = 0
    procedureSize = len(PROCEDURE) * PROCEDURES_PER_MODULE + len(MODULE_START) + len(MODULE_END)
    while len(pairs) + procedureSize <= lineCount:
        inModule = group % EVERY_NTH_IN_MODULE == 1
        if inModule:
            Add(MODULE_START, group)
        for i in range(PROCEDURES_PER_MODULE):
            Add(PROCEDURE, group * PROCEDURES_PER_MODULE + i)
        if inModule:
            Add(MODULE_END, group)
        group += 1
    del pairs[lineCount:]
    pairs += [FILLER] * (lineCount - len(pairs))
    headers = [line for line in headers if line < lineCount]
    document = lineEnd.join(written for written, _ in pairs)
    expected = "\n".join(cleaned for _, cleaned in pairs if cleaned is not None)
    return document.encode("latin-1"), expected.encode("latin-1"), headers


def Spread(headers, count):
    """count header lines spread evenly over the source."""
    if len(headers) <= count:
        return list(headers)
    return [headers[i * len(headers) // count] for i in range(count)]
