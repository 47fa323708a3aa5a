#!/usr/bin/env python3
"""Writes doc.bin, 376,000 lines of generated PureBasic with CR LF (10.5 MB), and expected-doc.bin, the same
after the scenario's three switches, into the folder given as the argument."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))
import purebasic_source  # noqa: E402

document, expected, _ = purebasic_source.Generate(376000)
folder = Path(sys.argv[1])
(folder / "doc.bin").write_bytes(document)
(folder / "expected-doc.bin").write_bytes(expected)
