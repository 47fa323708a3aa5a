"""Documents in a Windows ANSI code page for the end-to-end scenarios, and what the tool should make of them.

The expected case conversion is computed from Python's codecs and its Unicode case mappings: a character takes
its other case only where that is one character which the code page writes in as many bytes; everything else
stays. Python's codecs and Windows' tables differ on a few undefined bytes, and Python's case mappings and the
system's on a few letters (Wine leaves the Greek final sigma as it is, Python raises it to a capital sigma), so
samples keep to characters on which both agree.
"""

from pathlib import Path


def SameLength(other, character, codec):
    try:
        return len(other.encode(codec)) == len(character.encode(codec))
    except UnicodeEncodeError:
        return False


def Converted(text, codec, case):
    result = []
    for character in text:
        other = character.upper() if case == "upper" else character.lower()
        if len(other) == 1 and other != character and SameLength(other, character, codec):
            character = other
        result.append(character)
    return "".join(result)


def Write(folder, codec, text, expected):
    """doc.bin and expected-doc.bin: text and expected, encoded in the code page."""
    folder = Path(folder)
    (folder / "doc.bin").write_bytes(text.encode(codec))
    (folder / "expected-doc.bin").write_bytes(expected.encode(codec))


def WriteCaseConversion(folder, codec, case, text):
    """A document and what "/converttexttouppercaseletters" (case "upper") or the lower-case switch makes of it."""
    expected = Converted(text, codec, case)
    if expected == text:
        raise SystemExit("the sample has nothing to convert")
    Write(folder, codec, text, expected)
