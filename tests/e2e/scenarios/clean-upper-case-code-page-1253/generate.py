#!/usr/bin/env python3
"""Writes doc.bin, a sample in code page 1253, and expected-doc.bin, the same after the upper-case switch."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))
import code_page_sample  # noqa: E402

code_page_sample.WriteCaseConversion(sys.argv[1], "cp1253", "upper", 'δέλτα σχόλιο ά ή ί ύ ώ ΐ ; x\r\nEnd')
