#!/usr/bin/env python3
"""Writes the two text files that ship beside Ornivex.exe.

  texts.py readme <README.txt.in> <out> <version>
  texts.py notices <out> <version> <deps-src> [<onnxruntime-node package> <ocr-models package>]

Both come out as UTF-8 with a byte-order mark and CR LF line ends, so that
Notepad shows the Chinese and the English on any system locale.

The notices are assembled from the licence texts the build really uses: the
Debian source packages that scripts/build-deps.sh unpacked under <deps-src>,
the headers, and the copyright files of the Debian packages on this machine.
Nothing is typed in here but the headings. The built-in OCR engine's files
(the folder ocr beside Ornivex.exe) come from two npm packages, which name
their licence in package.json without shipping its text: MIT, whose text is
taken from Debian's copyright file of cmake ("Expat", as Debian calls it), and
for the models PaddleOCR's Apache-2.0, from Debian's common licences.
"""
import glob
import os
import re
import subprocess
import sys
import textwrap

BOM = "\ufeff"
RULE = "=" * 78
THIN = "-" * 78

MINGW_LIB = "/usr/x86_64-w64-mingw32/lib"
MINGW_COPYRIGHT = "/usr/share/doc/mingw-w64-x86-64-dev/copyright"
GCC_COPYRIGHT = "/usr/share/doc/gcc-mingw-w64-base/copyright"
ZLIB_HEADER = "/usr/x86_64-w64-mingw32/include/zlib.h"
STB_HEADER = "/usr/include/stb/stb_image_resize.h"
EXPAT_SOURCE = "/usr/share/doc/cmake/copyright"
APACHE_2 = "/usr/share/common-licenses/Apache-2.0"


def fail(message):
    sys.exit(f"texts.py: {message}")


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError as e:
        fail(f"cannot read {path}: {e.strerror}")


def write_windows_text(path, text):
    text = text.replace("\r\n", "\n").rstrip("\n") + "\n"
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(BOM + text)


def between(text, start, end, source, include_end=False):
    """The text from the line that starts with `start` up to the line that
    starts with `end` (that line excluded unless include_end)."""
    lines = text.splitlines()
    first = next((i for i, line in enumerate(lines) if line.startswith(start)), None)
    if first is None:
        fail(f"{source}: no line starting with {start!r}")
    last = next((i for i in range(first + 1, len(lines)) if lines[i].startswith(end)), None)
    if last is None:
        fail(f"{source}: no line starting with {end!r} after {start!r}")
    return "\n".join(lines[first:last + 1 if include_end else last]).strip("\n")


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout:
        fail(f"Debian package {package} is not installed")
    return result.stdout


def source_package(deps_src, name):
    """The unpacked source folder of a Debian source package, its upstream
    version and its Debian version (from the .dsc beside it)."""
    folders = sorted(d for d in glob.glob(os.path.join(deps_src, f"{name}-*")) if os.path.isdir(d))
    dscs = sorted(glob.glob(os.path.join(deps_src, f"{name}_*.dsc")))
    if not folders or not dscs:
        fail(f"no unpacked source package {name} in {deps_src} (run scripts/build-deps.sh)")
    upstream = os.path.basename(folders[0])[len(name) + 1:]
    debian = os.path.basename(dscs[0])[len(name) + 1:-len(".dsc")]
    return folders[0], upstream, debian


def copyright_paragraphs(path):
    """The paragraphs of a machine-readable Debian copyright file."""
    return [p for p in re.split(r"\n\s*\n", read(path)) if p.strip()]


def field(paragraph, name):
    """A field's first line and its continuation lines, as a list of words."""
    match = re.search(rf"^{name}:(.*(?:\n[ \t].*)*)", paragraph, re.M)
    return match.group(1).split() if match else []


def mingw_runtime_text():
    """The paragraphs of mingw-w64's copyright file that cover the parts a
    program links: the C runtime and its import libraries (mingw-w64-crt), the
    headers, and winpthreads; then the licences they name."""
    paragraphs = copyright_paragraphs(MINGW_COPYRIGHT)
    linked = ("mingw-w64-crt/", "mingw-w64-headers/crt/", "mingw-w64-headers/include/*",
              "mingw-w64-libraries/winpthreads/src/", "mingw-w64-libraries/winpthreads/include/",
              "mingw-w64-libraries/winpthreads/*")
    chosen, named = [], []
    for p in paragraphs:
        files = field(p, "Files")
        if files and (files == ["*"] or any(f.startswith(linked) for f in files)):
            chosen.append(p)
            license_line = re.search(r"^License:[ \t]*(.*)$", p, re.M)
            body_follows = re.search(r"^License:.*\n[ \t]", p, re.M)
            if license_line and not body_follows:
                named += [n for n in re.split(r"\s+(?:and|or)\s+", license_line.group(1).strip()) if n]
    for name in dict.fromkeys(named):
        standalone = [p for p in paragraphs if not field(p, "Files") and re.match(rf"License:[ \t]*{re.escape(name)}[ \t]*\n", p)]
        if standalone:
            chosen.append(standalone[0])
    return "\n\n".join(chosen)


def gcc_runtime_text():
    text = read(GCC_COPYRIGHT)
    terms = between(text, "GCC is Copyright (C)", "The libbacktrace library", GCC_COPYRIGHT)
    exception = between(text, "GCC RUNTIME LIBRARY EXCEPTION", "requirements of the license of GCC.", GCC_COPYRIGHT,
                        include_end=True)
    return terms + "\n\n" + exception


def stb_text():
    text = read(STB_HEADER)
    start = text.rfind("This software is available under 2 licenses")
    end = text.find("*/", start)
    if start < 0 or end < 0:
        fail(f"{STB_HEADER}: no licence block at its end")
    return text[start:end].strip().rstrip("-").strip()


def zlib_text():
    text = read(ZLIB_HEADER)
    end = text.find("*/")
    if not text.startswith("/*") or end < 0:
        fail(f"{ZLIB_HEADER}: no leading comment")
    return "\n".join(line[2:] if line.startswith("  ") else line for line in text[2:end].strip().splitlines())


def version_in(path, pattern):
    match = re.search(pattern, read(path))
    if not match:
        fail(f"{path}: no version")
    return match.group(1)


def expat_text():
    """The MIT ("Expat") licence, as a Debian copyright file gives it."""
    lines = read(EXPAT_SOURCE).splitlines()
    # The stand-alone licence paragraph: the one whose lines follow it indented.
    start = next((i for i, line in enumerate(lines[:-1]) if line == "License: Expat" and
                  lines[i + 1].startswith(" ")), None)
    if start is None:
        fail(f"{EXPAT_SOURCE}: no Expat licence text")
    body = []
    for line in lines[start + 1:]:
        if not line.startswith(" "):
            break
        body.append("" if line.strip() == "." else line[1:])
    if len(body) < 10:
        fail(f"{EXPAT_SOURCE}: the Expat licence text is cut short")
    return "\n".join(body)


def npm_package(folder):
    import json
    with open(os.path.join(folder, "package.json"), encoding="utf-8") as f:
        meta = json.load(f)
    repository = meta.get("repository", {})
    url = repository.get("url", "") if isinstance(repository, dict) else str(repository)
    url = re.sub(r"^git\+|\.git$", "", url)
    return meta["name"], meta["version"], meta.get("license", ""), url


def engine_sections(ort_folder, models_folder):
    """The built-in OCR engine's files: ONNX Runtime's DLL, and PaddleOCR's
    models in the ONNX form of the models package."""
    ort_name, ort_version, ort_licence, _ = npm_package(ort_folder)
    models_name, models_version, models_licence, models_home = npm_package(models_folder)
    if ort_licence != "MIT" or models_licence != "MIT":
        fail(f"{ort_name} is {ort_licence!r} and {models_name} is {models_licence!r}, not MIT as the notices say")
    return [
        (f"ONNX Runtime {ort_version} (the built-in OCR engine's runtime)",
         "ocr\\onnxruntime.dll",
         f"npm package {ort_name} {ort_version} (MIT licence, package.json), from Microsoft's ONNX Runtime",
         f"{EXPAT_SOURCE} (the Expat licence, which is the MIT licence)",
         "Copyright (c) Microsoft Corporation\n\n" + expat_text()),
        ("PP-OCRv4 text detection and recognition models, and their dictionary (PaddleOCR)",
         "ocr\\ch_PP-OCRv4_det_infer.onnx, ocr\\ch_PP-OCRv4_rec_infer.onnx, ocr\\ppocr_keys_v1.txt",
         "PaddleOCR (https://github.com/PaddlePaddle/PaddleOCR), Apache License 2.0",
         APACHE_2,
         "Copyright (c) PaddlePaddle Authors. All Rights Reserved.\n\n" + read(APACHE_2)),
        (f"{models_name} {models_version} (the models above in ONNX form)",
         "ocr\\ch_PP-OCRv4_det_infer.onnx, ocr\\ch_PP-OCRv4_rec_infer.onnx, ocr\\ppocr_keys_v1.txt",
         f"npm package {models_name} {models_version} (MIT licence, package.json)",
         f"{EXPAT_SOURCE} (the Expat licence, which is the MIT licence)",
         f"Copyright (c) the authors of {models_name} ({models_home})\n\n" + expat_text()),
    ]


def notices(out, version, deps_src, engine=None):
    png_dir, png_version, png_debian = source_package(deps_src, "libpng1.6")
    jpeg_dir, jpeg_version, jpeg_debian = source_package(deps_src, "libjpeg-turbo")
    jpeg_readme = os.path.join(jpeg_dir, "README.ijg")
    zlib_version = version_in(ZLIB_HEADER, r'#define ZLIB_VERSION "([^"]+)"')
    gcc_package = "gcc-mingw-w64-x86-64-posix"
    gxx_package = "g++-mingw-w64-x86-64-posix"

    # Title, what went into Ornivex.exe (file names, or the Debian packages whose
    # files did), where the text was taken from, and the text.
    sections = [
        (f"libpng {png_version}",
         "libpng16.a, png.h, pngconf.h, pnglibconf.h",
         None,
         f"the Debian source package libpng1.6 {png_debian}, file LICENSE",
         read(os.path.join(png_dir, "LICENSE"))),
        (f"libjpeg-turbo {jpeg_version} (the JPEG library)",
         "libjpeg.a, jpeglib.h, jconfig.h, jmorecfg.h, jerror.h",
         None,
         f"the Debian source package libjpeg-turbo {jpeg_debian}, files LICENSE.md and README.ijg (LEGAL ISSUES)",
         read(os.path.join(jpeg_dir, "LICENSE.md")).strip() + "\n\n\nFrom README.ijg:\n\n" +
         between(read(jpeg_readme), "LEGAL ISSUES", "REFERENCES", jpeg_readme)),
        (f"zlib {zlib_version}",
         "libz.a, zlib.h, zconf.h",
         f"libz-mingw-w64-dev {package_version('libz-mingw-w64-dev')}",
         f"the header {ZLIB_HEADER}",
         zlib_text()),
        (f"stb_image_resize {version_in(STB_HEADER, r'stb_image_resize - (v[0-9.]+)')} (the picture resampler)",
         "stb_image_resize.h",
         f"libstb-dev {package_version('libstb-dev')}",
         f"the header {STB_HEADER}",
         stb_text()),
        (f"mingw-w64 runtime {package_version('mingw-w64-x86-64-dev').split('-')[0]}"
         " (C runtime, winpthreads, Windows import libraries)",
         "crt2u.o, libmingw32.a, libmingwex.a, libmsvcrt.a, libpthread.a (winpthreads), "
         "the import libraries of the Windows DLLs it calls, the Windows headers",
         f"mingw-w64-x86-64-dev {package_version('mingw-w64-x86-64-dev')}, "
         f"mingw-w64-common {package_version('mingw-w64-common')}",
         f"{MINGW_COPYRIGHT} (the parts that cover the runtime, the headers and winpthreads)",
         mingw_runtime_text()),
        (f"GCC {package_version(gcc_package).split('-')[0]} runtime libraries (libgcc, libstdc++)",
         "crtbegin.o, crtend.o, libgcc.a, libgcc_eh.a, libstdc++.a, the C++ standard library headers",
         f"{gcc_package} {package_version(gcc_package)}, {gxx_package} {package_version(gxx_package)}",
         f"{GCC_COPYRIGHT} (the licensing terms and the GCC Runtime Library Exception)",
         gcc_runtime_text()),
    ]

    # The engine's sections: (title, files of the ocr folder, origin, text source, text).
    engine_parts = engine_sections(*engine) if engine else []

    parts = [
        f"Ornivex {version}: third-party notices",
        "",
        *textwrap.wrap(f"Ornivex.exe is linked statically: the libraries of sections 1 to {len(sections)} are "
                       "inside it." + (" The built-in OCR engine's files, of the sections after them, are in the "
                                       "folder ocr beside it." if engine_parts else "") +
                       " Each licence text is reproduced as its authors, or Debian's packagers, ship it.", 78),
        "",
        "This software is based in part on the work of the Independent JPEG Group.",
        "",
        "Contents",
    ]
    everything = [(title, files, packages, origin, text, "In Ornivex.exe") for title, files, packages, origin, text
                  in sections]
    everything += [(title, files, None, f"{source}; {origin}", text, "In the ocr folder")
                   for title, files, source, origin, text in engine_parts]
    parts += [f"  {i}. {title}" for i, (title, *_rest) in enumerate(everything, 1)]
    for i, (title, files, packages, origin, text, where) in enumerate(everything, 1):
        parts += ["", "", RULE, f"{i}. {title}", THIN]
        for line in [f"{where}: {files}", packages and f"Debian packages: {packages}",
                     f"Text taken from {origin}"]:
            if line:
                parts += textwrap.wrap(line, 78, subsequent_indent="  ", break_on_hyphens=False)
        parts += ["", text.strip("\n")]
    write_windows_text(out, "\n".join(parts))


def readme(template, out, version):
    write_windows_text(out, read(template).replace("@PROJECT_VERSION@", version))


def main(argv):
    if len(argv) == 5 and argv[1] == "readme":
        readme(argv[2], argv[3], argv[4])
    elif len(argv) in (5, 7) and argv[1] == "notices":
        notices(argv[2], argv[3], argv[4], argv[5:] if len(argv) == 7 else None)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
