#!/usr/bin/env python3
"""Digest of the reference disassembly of a module's code section, for the decoder's test.

Writes one line per instruction that objdump decodes in code (the constructor lists and exception
tables that the linker also puts into the section are data and left out): its offset from the image base and length
in hexadecimal, the offset of a relative branch target or "-", and the objdump mnemonic.
"""
import re
import subprocess
import sys

objdump, module, out = sys.argv[1:4]
headers = subprocess.run([objdump, "-p", module], check=True, capture_output=True, text=True)
base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers.stdout, re.M).group(1), 16)
listing = subprocess.run([objdump, "-d", "-w", "-j", ".text", module], check=True,
                         capture_output=True, text=True).stdout
line_re = re.compile(r"^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )+)\s*\t?(\S*)\s*(.*)$")
branch_re = re.compile(r"^([0-9a-f]+)(?: <.*>)?$")
symbol_re = re.compile(r"^[0-9a-f]+ <(.*)>:$")
data_symbols = re.compile(r"^(\.ctors|\.dtors|\.gcc_except_table|__CTOR_LIST__|__DTOR_LIST__)")
in_data = False
with open(out, "w") as f:
    for line in listing.splitlines():
        s = symbol_re.match(line)
        if s:
            in_data = bool(data_symbols.match(s.group(1)))
            continue
        m = line_re.match(line)
        if in_data or not m or m.group(3) in ("", "(bad)") or m.group(3).startswith("."):
            continue
        address = int(m.group(1), 16)
        length = len(m.group(2).split())
        mnemonic, operands = m.group(3), m.group(4).strip()
        target = "-"
        if mnemonic.startswith(("j", "call", "loop")):
            b = branch_re.match(operands)
            if b:
                target = "%x" % (int(b.group(1), 16) - base)
        f.write("%x %x %s %s\n" % (address - base, length, target, mnemonic))
