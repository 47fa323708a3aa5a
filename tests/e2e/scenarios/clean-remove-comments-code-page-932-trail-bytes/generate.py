#!/usr/bin/env python3
"""Writes doc.bin, four lines in code page 932 whose double-byte characters have the trail bytes "~" and "\\",
and expected-doc.bin, the same after "/removecomments" (LF line ends)."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))
import code_page_sample  # noqa: E402

document = 'a$ = "ミ" ; メモ\r\nb$ = "表ソ" ; メモ\r\nc$ = ~"x" ; kept\r\nd = 1 ; x\r\n'
expected = 'a$ = "ミ" \nb$ = "表ソ" \nc$ = ~"x" ; kept\nd = 1 \n'
code_page_sample.Write(sys.argv[1], "cp932", document, expected)
