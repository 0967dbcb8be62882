#!/usr/bin/env python3
"""Writes the include the installer script takes its file list from.

  package_nsh.py <out.nsh> <empty.exe> <file>...

Each <file> is a path under the installation folder ("Ornivex.exe",
"ocr/onnxruntime.dll"), found under ${STAGE} when makensis runs. The include
defines
  INSTALL_SHIPPED_FILES  puts each file in its folder under $INSTDIR;
  REMOVE_SHIPPED_FILES   deletes each, then each folder of them when it is empty
                         (deepest first; $INSTDIR itself is the script's business);
  EMPTY_TOOL_SIZE, EMPTY_TOOL_CRC32  the working-set tool the program writes into
                         the Windows folder, by which the uninstaller knows it.
"""
import posixpath
import sys
import zlib


def windows(path):
    return path.replace("/", "\\")


def main(out, tool, files):
    with open(tool, "rb") as f:
        image = f.read()
    lines = [
        "; Made by packaging/package_nsh.py: do not edit.",
        f"!define EMPTY_TOOL_SIZE {len(image)}",
        f"!define EMPTY_TOOL_CRC32 0x{zlib.crc32(image):08X}",
        "",
        "!macro INSTALL_SHIPPED_FILES",
    ]
    folder = None
    for name in files:
        if name.startswith("/") or ".." in name.split("/") or "\\" in name:
            sys.exit(f"package_nsh.py: not a path under the installation folder: {name}")
        here = posixpath.dirname(name)
        if here != folder:
            folder = here
            lines.append(f'  SetOutPath "$INSTDIR{windows("/" + here) if here else ""}"')
        lines.append(f'  File "${{STAGE}}\\{windows(name)}"')
    lines += ["!macroend", "", "!macro REMOVE_SHIPPED_FILES"]
    lines += [f'  Delete "$INSTDIR\\{windows(name)}"' for name in files]
    folders = set()
    for name in files:
        here = posixpath.dirname(name)
        while here:
            folders.add(here)
            here = posixpath.dirname(here)
    for here in sorted(folders, key=lambda f: (-f.count("/"), f)):
        lines.append(f'  RMDir "$INSTDIR\\{windows(here)}"')
    lines.append("!macroend")
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
