#!/usr/bin/env python3
"""The DLLs a program has the loader load before its entry point are the allowed
ones and no more: a call added later into a DLL that is not loaded on first use
(app/delayload) shows up here, with the functions that brought it in.

usage: import_table_test.py <objdump> <program.exe> <allowed dll>...
"""
import subprocess
import sys


def imports(objdump, program):
    """{dll name in lower case without .dll: [functions]} of the import table."""
    text = subprocess.run([objdump, "-p", program], capture_output=True, text=True, check=True).stdout
    table, current = {}, None
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("DLL Name:"):
            name = stripped.split(":", 1)[1].strip().lower()
            current = table.setdefault(name[:-4] if name.endswith(".dll") else name, [])
        elif current is not None and stripped and not stripped.startswith("vma:"):
            parts = stripped.split()
            if len(parts) == 3:  # address, hint, name
                current.append(parts[2])
            elif not stripped[0].isdigit():
                current = None
        elif not stripped:
            current = None
    return table


def main():
    objdump, program, *allowed = sys.argv[1:]
    table = imports(objdump, program)
    if not table:
        print(f"no import table read from {program}")
        return 1
    allowed = {name.lower() for name in allowed}
    print("loaded before the entry point:", " ".join(sorted(table)))
    extra = sorted(set(table) - allowed)
    for name in extra:
        print(f"{name}.dll is imported at load time by: {' '.join(sorted(table[name]))}")
        print(f"  (list these functions in app/delayload/{name}.def, or allow {name} in app/CMakeLists.txt)")
    return 1 if extra else 0


if __name__ == "__main__":
    sys.exit(main())
