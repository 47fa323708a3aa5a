"""Writes doc.bin, 200 collapsed procedures with a debug line each (1,000 lines, CR LF), and
expected-doc.bin, the same after "/removedebuglines", which writes LF line ends."""

import sys
from pathlib import Path

procedures = [f"Procedure P{n}()\r\n  x = {n}\r\n  Debug x\r\nEndProcedure\r\n\r\n" for n in range(200)]
kept = [f"Procedure P{n}()\n  x = {n}\nEndProcedure\n\n" for n in range(200)]
Path(sys.argv[1], "doc.bin").write_bytes("".join(procedures).encode("ascii"))
Path(sys.argv[1], "expected-doc.bin").write_bytes("".join(kept).encode("ascii"))
