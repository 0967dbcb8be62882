#!/usr/bin/env python3
"""Every library inside the shipped programs has its notice.

  check_notices.py <THIRD-PARTY-NOTICES.txt> <source-dir> <build-dir> <deps-dir> <ninja> <link-map>...

The built-in OCR engine's folder (ocr beside the program, in the same stage
folder as the notices) must have every file named on an "In the ocr folder:"
line, under the MIT and Apache-2.0 texts.

What is inside: the archives the linker took members from and the objects it
loaded (the link maps), and the headers those objects were compiled from
(ninja's dependency log), for header-only libraries. What is ours (the build
folder, the source tree) needs no notice. Anything else must be named in a
section of the notices: by file name on its "In Ornivex.exe:" line, or through
the Debian package that installed it on its "Debian packages:" line.

The shipped texts are also checked for what Notepad needs: a byte-order mark
and CR LF line ends.
"""
import os
import re
import subprocess
import sys


def fail(message):
    print(f"FAIL: {message}")
    return 1


def notice_sections(text):
    """(file names, Debian packages, body line count) of each section."""
    sections = []
    for chunk in re.split(r"^={78}$", text, flags=re.M)[1:]:
        fields = {}
        for name in ("In Ornivex.exe", "In the ocr folder", "Debian packages"):
            match = re.search(rf"^{name}: (.*(?:\n  .*)*)", chunk, re.M)
            items = re.split(r",\s+", " ".join(match.group(1).split())) if match else []
            fields[name] = {item.split()[0] for item in items if item}
        sections.append((fields["In Ornivex.exe"] | fields["In the ocr folder"], fields["Debian packages"],
                         chunk.count("\n")))
    return sections


def linked_inputs(map_text):
    """Archives that gave members, and loaded objects, as the map names them."""
    included = map_text.split("\nDiscarded input sections", 1)[0]
    archives = {(a, m) for a, m in re.findall(r"^(\S+?\.a)\(([^)]+)\)", included, re.M)}
    objects = set(re.findall(r"^LOAD (\S+\.(?:o|obj))$", map_text, re.M))
    return archives, objects


def compiled_headers(ninja, build, ours):
    """Headers of each of our objects, by (target, object file name)."""
    log = subprocess.run([ninja, "-C", build, "-t", "deps"], capture_output=True, text=True, check=True).stdout
    headers, current = {}, None
    for line in log.splitlines():
        if line and not line.startswith(" "):
            match = re.search(r"CMakeFiles/([^/]+)\.dir/(?:.*/)?([^/:]+):", line)
            current = headers.setdefault((match.group(1), match.group(2)), []) if match else None
        elif line.strip() and current is not None:
            current.append(line.strip())
    return headers


def owners(paths):
    """The Debian package that installed each path (absent when none did)."""
    found = {}
    if paths:
        result = subprocess.run(["dpkg-query", "-S", *sorted(paths)], capture_output=True, text=True)
        for line in result.stdout.splitlines():
            package, _, path = line.partition(": ")
            found[path] = package.split(":")[0].split(",")[0]
    return found


def main(argv):
    if len(argv) < 7:
        sys.exit(__doc__)
    notices_path, source, build, deps, ninja, *maps = argv[1:]
    with open(notices_path, "rb") as f:
        raw = f.read()
    failures = 0
    readme = os.path.join(os.path.dirname(notices_path), "README.txt")
    with open(readme, "rb") as f:
        readme_raw = f.read()
    for name, data in ((notices_path, raw), (readme, readme_raw)):
        if not data.startswith(b"\xef\xbb\xbf") or b"\n" in data.replace(b"\r\n", b""):
            failures += fail(f"{name} is not UTF-8 with a byte-order mark and CR LF line ends")
    sections = notice_sections(raw.decode("utf-8-sig").replace("\r\n", "\n"))
    named = set().union(*(files for files, _, _ in sections))
    packaged = set().union(*(packages for _, packages, _ in sections))
    for files, packages, lines in sections:
        if lines < 8 or not (files or packages):
            failures += fail(f"a section ({sorted(files)}) names nothing it covers or holds no licence text")

    # Every file of the built-in engine's folder that ships has its notice.
    ocr = os.path.join(os.path.dirname(notices_path), "ocr")
    shipped = sorted(os.listdir(ocr)) if os.path.isdir(ocr) else []
    if not shipped:
        failures += fail(f"no engine files in {ocr}")
    for name in shipped:
        if "ocr\\" + name not in named:
            failures += fail(f"ocr\\{name} ships but has no notice")
    for required in ("MIT", "Apache License"):
        if required not in raw.decode("utf-8-sig"):
            failures += fail(f"the notices hold no {required} text")

    build = os.path.realpath(build)
    deps = os.path.realpath(deps)
    source = os.path.realpath(source)

    def third_party(path):
        real = os.path.realpath(path if os.path.isabs(path) else os.path.join(build, path))
        if real.startswith(deps + os.sep):
            return True
        return not (real.startswith(build + os.sep) or real.startswith(source + os.sep))

    headers_of = compiled_headers(ninja, build, None)
    inputs = set()
    for map_path in maps:
        with open(map_path, encoding="utf-8", errors="replace") as f:
            archives, objects = linked_inputs(f.read())
        inputs |= {a for a, _ in archives} | objects
        # Our objects bring in the headers they were compiled from.
        ours = [(re.sub(r"^lib|\.a$", "", os.path.basename(a)), m) for a, m in archives if not third_party(a)]
        ours += [(m.group(1), m.group(2)) for o in objects if not third_party(o)
                 for m in [re.search(r"CMakeFiles/([^/]+)\.dir/(?:.*/)?([^/]+)$", o)] if m]
        for key in ours:
            inputs |= set(headers_of.get(key, []))
    if not any(h.endswith(".h") or "/c++/" in h for h in inputs):
        failures += fail("no header found for the linked objects in ninja's dependency log")

    outside = {os.path.normpath(p if os.path.isabs(p) else os.path.join(build, p)) for p in inputs if third_party(p)}
    package_of = owners(outside)
    missing = sorted(p for p in outside if os.path.basename(p) not in named and package_of.get(p) not in packaged)
    for path in missing:
        failures += fail(f"{path} (Debian package {package_of.get(path, 'none')}) is inside the program "
                         "but has no notice")
    print(f"{len(outside)} third-party files inside the program, {len(sections)} notices, "
          f"{len(missing)} without a notice")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
