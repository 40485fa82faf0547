#!/usr/bin/env python3
"""Writes the text map that the crash library reads beside a module: units from the linker's
map, publics from the symbol table (demangled, one word each), source lines from the DWARF line
table and the entry point, offsets counted from the code section (segment 1) and from the base of
data (segment 2). The demangler is the c++filt beside NM.

usage: drosk_map_tool.py OBJDUMP NM MODULE LINKER_MAP OUTPUT
"""
import os
import re
import subprocess
import sys

SOURCE_EXTENSIONS = (".c", ".cc", ".cpp", ".cxx")


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def image_layout(objdump, module):
    headers = run(objdump, "-p", "-h", module)
    def field(name):
        return int(re.search(r"^%s\s+([0-9a-fA-F]+)" % name, headers, re.M).group(1), 16)
    text = re.search(r"^\s*\d+\s+\.text\s+([0-9a-f]+)\s+([0-9a-f]+)", headers, re.M)
    base = field("ImageBase")
    return {"base": base, "code": int(text.group(2), 16), "code_size": int(text.group(1), 16),
            "data": base + field("BaseOfData"), "entry": base + field("AddressOfEntryPoint")}


def unit_of(path):
    member = re.search(r"\(([^()]+)\)$", path)
    name = os.path.basename(member.group(1) if member else path)
    return name.split(".")[0] or name


def code_units(linker_map, layout):
    """(start, length, unit) of each input section of .text, neighbours of one unit merged."""
    pieces, in_text, pending = [], False, None
    entry = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
    with open(linker_map, errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if re.match(r"^\.text\s", line):
                in_text = True
                continue
            if re.match(r"^\.\S", line):
                in_text = False
            if not in_text:
                continue
            head = re.match(r"^ (\.text\S*)(.*)$", line)
            if head:
                pending, line = True, head.group(2)
                if not line.strip():
                    continue
            if pending:
                m = entry.match(line)
                pending = None
                if m and int(m.group(2), 16) > 0:
                    pieces.append((int(m.group(1), 16), int(m.group(2), 16), unit_of(m.group(3))))
    pieces.sort()
    merged = []
    for start, length, unit in pieces:
        if merged and merged[-1][2] == unit and start <= merged[-1][0] + merged[-1][1] + 16:
            merged[-1][1] = start + length - merged[-1][0]
        else:
            merged.append([start, length, unit])
    return [p for p in merged if layout["code"] <= p[0] < layout["code"] + layout["code_size"]]


def one_word(name):
    """A demangled name without its parameter list and without blanks, as the reader takes the
    last word of a public line."""
    name = name.replace("(anonymous namespace)", "{anonymous}")
    clones = "".join(re.findall(r" \[clone (\.[^\]]+)\]", name))
    name = re.sub(r" \[clone [^\]]+\]", "", name)
    depth = 0
    for i, c in enumerate(name):
        if c in "<{[":
            depth += 1
        elif c in ">}]":
            depth -= 1
        elif c == "(" and depth == 0 and i > 0:
            name = name[:i]
            break
    return name.replace(", ", ",").replace(" >", ">").replace(" ", "_") + clones


def demangled(cxxfilt, names):
    """The names demangled by c++filt, in their order; a name that is not mangled stays."""
    if not names:
        return []
    out = subprocess.run([cxxfilt, "-n"], input="\n".join(names) + "\n", check=True,
                         capture_output=True, text=True).stdout
    return out.splitlines()


def publics(nm, cxxfilt, module, layout):
    rows, sections = [], {}
    for line in run(nm, "-n", "--defined-only", "-C", module).splitlines():
        m = re.match(r"^([0-9a-f]+) ([tTdDbBrR]) (.+)$", line)
        if not m:
            continue
        address, kind, name = int(m.group(1), 16), m.group(2).lower(), m.group(3)
        in_code = kind == "t" and layout["code"] <= address < layout["code"] + layout["code_size"]
        # A static function of a library built with a section per function may be known only by
        # its section symbol ".text$NAME": without it, its code would count to the name before.
        section = re.match(r"^\.text\$(.+)$", name)
        if section and in_code:
            sections[address] = section.group(1)
        if name.startswith(".") or name.startswith("__imp_"):
            continue
        if in_code:
            rows.append((address, 1, address - layout["code"], one_word(name)))
        elif kind != "t" and address >= layout["data"]:
            rows.append((address, 2, address - layout["data"], one_word(name)))
    named = {row[0] for row in rows}
    unnamed = sorted(a for a in sections if a not in named)
    for address, name in zip(unnamed, demangled(cxxfilt, [sections[a] for a in unnamed])):
        rows.append((address, 1, address - layout["code"], one_word(name)))
    rows.sort()
    return rows


def source_lines(objdump, module, layout):
    """(address, line, file) of the rows of source files (headers' inlined rows left out: their
    code counts to the line of the source that holds it), one per address."""
    by_address = {}
    row = re.compile(r"^(\S+)\s+(\d+)\s+0x([0-9a-f]+)")
    for line in run(objdump, "--dwarf=decodedline", module).splitlines():
        m = row.match(line)
        if not m or not m.group(1).endswith(SOURCE_EXTENSIONS):
            continue
        address = int(m.group(3), 16)
        if layout["code"] <= address < layout["code"] + layout["code_size"]:
            by_address[address] = (int(m.group(2)), m.group(1))
    return sorted((a, l, f) for a, (l, f) in by_address.items())


def main():
    objdump, nm, module, linker_map, output = sys.argv[1:6]
    layout = image_layout(objdump, module)
    out = []
    out.append(" Start         Length     Name                   Class")
    out.append(" 0001:00000000 %08XH .text                  CODE" % layout["code_size"])
    out.append("")
    out.append("")
    out.append("Detailed map of segments")
    out.append("")
    for start, length, unit in code_units(linker_map, layout):
        out.append(" 0001:%08X %08X C=CODE     S=.text    G=(none)   M=%-16s ACBP=A9"
                   % (start - layout["code"], length, unit))
    out.append("")
    out.append("")
    out.append("  Address             Publics by Value")
    out.append("")
    cxxfilt = re.sub(r"nm$", "c++filt", nm)
    for _, segment, offset, name in publics(nm, cxxfilt, module, layout):
        out.append(" %04X:%08X       %s" % (segment, offset, name))
    out.append("")
    lines = source_lines(objdump, module, layout)
    i = 0
    while i < len(lines):
        source = lines[i][2]
        j = i
        while j < len(lines) and lines[j][2] == source:
            j += 1
        out.append("")
        out.append("Line numbers for %s(%s) segment .text" % (source.split(".")[0], source))
        out.append("")
        for k in range(i, j, 4):
            out.append("".join("%6d 0001:%08X" % (l, a - layout["code"])
                               for a, l, _ in lines[k:min(k + 4, j)]))
        i = j
    out.append("")
    out.append("Program entry point at 0001:%08X" % (layout["entry"] - layout["code"]))
    with open(output, "w", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")


if __name__ == "__main__":
    main()
