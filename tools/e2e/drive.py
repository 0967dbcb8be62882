#!/usr/bin/env python3
"""Drives a running Ornivex window on $DISPLAY as a person would, with xdotool:
click "选择图片", type the picture's path into the open-file dialog, press
Return, wait until the result box has filled and stopped changing, take a
screenshot, click "保存结果", dismiss the message box and read the saved
<number>.txt from the Wine desktop folder.

    python3 tools/e2e/drive.py PICTURE [--prefix $WINEPREFIX] [--expected LINES.txt]
                               [--screenshot OUT.png] [--timeout 90] [--json]
                               [--window-checks] [--minimize]
    python3 tools/e2e/drive.py --close

With --window-checks it first drags the window by its caption (the window
must follow the mouse) and by its right edge, bottom edge and bottom-right
corner (the window must neither move nor change size); with --minimize it
ends by clicking the minimize title button (the window must no longer show
at its size). --close only clicks the close title button and waits for the
window to go.

Prints the recognised text, the saved file and the screenshot; with
--expected also the character accuracy, with --record-dir whether the
stand-ins received the exact upload and recognition bodies. Exit status: 0
done, 1 a step failed (window, dialog, message box or result file not seen,
or the window did not behave under the mouse), 2 accuracy below --min, 3 the
requests differ.
"""

import argparse
import getpass
import glob
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accuracy  # noqa: E402
import check_requests  # noqa: E402

# Client positions inside the borderless main window (317 x 537), at 96 DPI; at
# another display scale every one is scaled as the program scales it.
GROUP_BOX = (3, 29)                      # 分组框1, parent of the next three
CHOOSE_BUTTON = (231, 21, 72, 24)        # 按钮1 "选择图片", in the group box
RESULT_BOX = (6, 49, 297, 419)           # 编辑框2, in the group box
SAVE_BUTTON = (67, 504, 80, 29)          # 按钮4 "保存结果", in the main window
MINIMIZE_BUTTON = (252, 1, 26, 18)       # the skin's title buttons, at the caption's right end
CLOSE_BUTTON = (279, 1, 38, 18)
CAPTION_POINT = (120, 12)                # the caption band, clear of the title buttons
MAIN_SIZE = (317, 537)
OPEN_DIALOG_TITLES = ("打开", "Open")
SAVED_TITLE = "提示"                      # caption of the "file saved" message box


class DriveError(Exception):
    pass


# The main window's DPI, found from its width once it is on screen.
DPI = 96


def scaled(value):
    """A 96-DPI length at the window's DPI, rounded as the program rounds it."""
    return (value * DPI + 48) // 96


def scaled_rect(rect):
    left, top = scaled(rect[0]), scaled(rect[1])
    return left, top, scaled(rect[0] + rect[2]) - left, scaled(rect[1] + rect[3]) - top


def learn_dpi(main):
    """Sets DPI from the window's width: the one whose scaled width it is."""
    global DPI
    width = geometry(main)[2]
    for dpi in range(96, 481, 24):
        if (MAIN_SIZE[0] * dpi + 48) // 96 == width:
            DPI = dpi
            return dpi
    raise DriveError("the window is %d pixels wide, no display scale of a %d-pixel window" % (width, MAIN_SIZE[0]))


def main_size():
    return scaled(MAIN_SIZE[0]), scaled(MAIN_SIZE[1])


def run(*args, check=True):
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and done.returncode != 0:
        raise DriveError("%s failed: %s" % (" ".join(args), done.stderr.decode(errors="replace").strip()))
    return done.stdout.decode(errors="replace")


def xdotool(*args, check=True):
    return run("xdotool", *args, check=check)


def search(title_regex, visible=True):
    args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", title_regex]
    out = xdotool(*args, check=False)
    return [w for w in out.split() if w.isdigit()]


def wait_for(what, probe, timeout, interval=0.2):
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise DriveError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def geometry(window):
    values = {}
    for line in xdotool("getwindowgeometry", "--shell", window).splitlines():
        key, _, value = line.partition("=")
        values[key] = value
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def centre(origin, rect):
    """The centre of a 96-DPI rectangle placed at `origin` on the screen."""
    left, top, width, height = scaled_rect(rect)
    return origin[0] + left + width // 2, origin[1] + top + height // 2


def click(x, y):
    xdotool("mousemove", "--sync", str(x), str(y))
    time.sleep(0.05)
    xdotool("click", "1")


def drag(start, end, steps=4):
    """Presses the left button at `start`, moves to `end` in a few steps, releases."""
    xdotool("mousemove", "--sync", str(start[0]), str(start[1]))
    time.sleep(0.1)
    xdotool("mousedown", "1")
    time.sleep(0.2)
    for i in range(1, steps + 1):
        xdotool("mousemove", str(start[0] + (end[0] - start[0]) * i // steps),
                str(start[1] + (end[1] - start[1]) * i // steps))
        time.sleep(0.1)
    time.sleep(0.2)
    xdotool("mouseup", "1")
    time.sleep(0.3)


def check_window_mouse(main):
    """The caption moves the window; its edges and corner start the system's
    sizing, which the program answers by keeping its size. A press on the body
    that started no sizing would move the window instead, so after an edge drag
    the window must be exactly where and as large as it was."""
    checks = {}
    x, y, w, h = geometry(main)
    if (w, h) != main_size():
        raise DriveError("the window is %dx%d, not %dx%d" % ((w, h) + main_size()))
    start = (x + scaled(CAPTION_POINT[0]), y + scaled(CAPTION_POINT[1]))
    drag(start, (start[0] + 40, start[1] + 30))
    want = (x + 40, y + 30, w, h)
    try:
        wait_for("the window to follow the caption drag", lambda: geometry(main) == want, 3, 0.1)
    except DriveError:
        raise DriveError("after a caption drag by (40, 30) the window is at %s, not %s" % (geometry(main), want))
    checks["caption drag"] = "moved by (40, 30)"
    x, y = x + 40, y + 30
    for name, at, by in (("right edge", (w - 2, h // 2), (80, 0)),
                         ("bottom edge", (w // 2, h - 2), (0, 60)),
                         ("bottom-right corner", (w - 3, h - 3), (70, 50))):
        drag((x + at[0], y + at[1]), (x + at[0] + by[0], y + at[1] + by[1]))
        now = geometry(main)
        if now != (x, y, w, h):
            raise DriveError("after a drag on the %s the window is %s, not %s" % (name, now, (x, y, w, h)))
        checks[name + " drag"] = "size and place kept"
    return checks


def minimize(main):
    x, y, _, _ = geometry(main)
    click(*centre((x, y), MINIMIZE_BUTTON))
    wait_for("the window to minimize",
             lambda: main not in search("^Ornivex$") or geometry(main)[2:] != main_size(), 5)
    return "the window left the screen at its size"


def close(args):
    main = wait_for("the window titled %r" % args.title, lambda: search("^%s$" % args.title), args.window_timeout)[0]
    time.sleep(args.start_delay)
    learn_dpi(main)
    x, y, _, _ = geometry(main)
    click(*centre((x, y), CLOSE_BUTTON))
    wait_for("the window to close", lambda: main not in search("^%s$" % args.title, visible=False), 10)
    return {"closed": True}


def grab(x, y, w, h):
    """Raw RGB pixels of a screen rectangle."""
    done = subprocess.run(["/usr/bin/import", "-silent", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                           "+repage", "-depth", "8", "rgb:-"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return hashlib.sha1(done.stdout).hexdigest() if done.returncode == 0 and done.stdout else None


def screenshot(path, rect=None):
    args = ["/usr/bin/import", "-silent", "-window", "root"]
    if rect:
        args += ["-crop", "%dx%d+%d+%d" % (rect[2], rect[3], rect[0], rect[1]), "+repage"]
    subprocess.run(args + [path], check=True, stderr=subprocess.DEVNULL)
    return path


def windows_path(path):
    """The path as Windows programs under Wine see it: Z:\\ and backslashes."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def desktop_folder(prefix):
    """Where CSIDL_DESKTOPDIRECTORY lands on the Linux side. Wine makes
    drive_c/users/<user>/Desktop a symbolic link to the XDG desktop folder,
    to $HOME itself when there is none, so resolve it."""
    user_dir = os.path.join(prefix, "drive_c", "users", getpass.getuser(), "Desktop")
    candidates = [user_dir] + sorted(glob.glob(os.path.join(prefix, "drive_c", "users", "*", "Desktop")))
    for c in candidates:
        if os.path.isdir(c) and "/users/Public/" not in c:
            return os.path.realpath(c)
    raise DriveError("no desktop folder in %s" % prefix)


def newest_result(folder, since):
    found = []
    for path in glob.glob(os.path.join(folder, "*.txt")):
        name = os.path.basename(path)[:-4]
        try:
            mtime = os.path.getmtime(path)
        except OSError:
            continue
        if name.isdigit() and mtime >= since:
            found.append((mtime, path))
    return max(found)[1] if found else None


_copies = []  # folders of ASCII-named copies, removed when the driver ends


def typeable_picture(path):
    """xdotool cannot type characters outside ASCII into Wine's dialogs; such a
    picture is chosen through an ASCII-named copy instead."""
    path = os.path.abspath(path)
    if windows_path(path).isascii():
        return path
    folder = tempfile.mkdtemp(prefix="ornivex-pick-")
    _copies.append(folder)
    ext = os.path.splitext(path)[1]
    copy = os.path.join(folder, "picture" + (ext if ext.isascii() else ".png"))
    shutil.copyfile(path, copy)
    print("drive: %s cannot be typed into the dialog; choosing a copy, %s" % (path, copy), file=sys.stderr)
    return copy


def drive(args):
    report = {"picture": os.path.abspath(args.picture)}
    chosen = typeable_picture(args.picture)
    if chosen != report["picture"]:
        report["typed_copy"] = chosen
    main = wait_for("the window titled %r" % args.title,
                    lambda: search("^%s$" % args.title), args.window_timeout)[0]
    # A person looks at the window before clicking; a click at the very first
    # moment would land while the program is still fetching its token.
    time.sleep(args.start_delay)
    report["dpi"] = learn_dpi(main)
    if args.window_checks:
        report["window_checks"] = check_window_mouse(main)
    x, y, w, h = geometry(main)
    report["window"] = {"id": main, "x": x, "y": y, "width": w, "height": h}
    group = (x + scaled(GROUP_BOX[0]), y + scaled(GROUP_BOX[1]))
    result = scaled_rect(RESULT_BOX)
    box = (group[0] + result[0], group[1] + result[1], result[2], result[3])
    before = grab(*box)

    # 选择图片, or a key press for trying the mechanics on another program
    if args.choose_key:
        xdotool("windowfocus", "--sync", main, check=False)
        xdotool("key", args.choose_key)
    else:
        click(*centre(group, CHOOSE_BUTTON))
    titles = "^(%s)$" % "|".join(OPEN_DIALOG_TITLES)
    dialog = wait_for("the open-file dialog", lambda: search(titles), args.dialog_timeout)[0]
    time.sleep(0.3)  # let the dialog put the caret into its file name box
    xdotool("windowfocus", dialog, check=False)
    xdotool("type", "--delay", "15", windows_path(chosen))
    xdotool("key", "Return")
    wait_for("the open-file dialog to close", lambda: dialog not in search(titles), args.dialog_timeout)
    report["chosen_at"] = time.time()
    if args.no_result:
        return report

    # Until the window has repainted where the dialog was, the box shows what
    # the dialog left there; on a busy machine that can hold still long enough
    # to be taken for the result. Wait (a little) for the box to look as before.
    repainted = time.monotonic() + 5
    while time.monotonic() < repainted and grab(*box) != before:
        time.sleep(0.1)

    # The result box has filled when it differs from before and holds still.
    deadline = time.monotonic() + args.timeout
    last, still_since = before, None
    filled = False
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = grab(*box)
        if now != last:
            last, still_since = now, time.monotonic()
        elif now != before and still_since is not None and time.monotonic() - still_since >= args.settle:
            filled = True
            break
    report["result_box_changed"] = filled
    if not filled:
        print("drive: the result box did not fill within %.0f s" % args.timeout, file=sys.stderr)
    report["fill_seconds"] = round(time.time() - report["chosen_at"], 2)
    report["screenshot"] = screenshot(args.screenshot, (x, y, w, h))

    if args.no_save:
        return report
    existing = set(search("."))
    clicked_at = time.time() - 1  # file times have one-second steps on some systems
    click(*centre((x, y), SAVE_BUTTON))
    box_windows = wait_for("the save message box",
                           lambda: [wid for wid in search(".") if wid not in existing and wid != main],
                           args.dialog_timeout)
    report["message_box"] = xdotool("getwindowname", box_windows[0], check=False).strip()
    xdotool("windowfocus", box_windows[0], check=False)
    xdotool("key", "Return")
    wait_for("the message box to close", lambda: box_windows[0] not in search("."), args.dialog_timeout)

    if args.prefix:
        folder = desktop_folder(args.prefix)
        report["desktop"] = folder
        saved = newest_result(folder, clicked_at)
        if saved is None:
            if report["message_box"] != SAVED_TITLE:
                raise DriveError("the program saved nothing: the result box was empty or the save failed "
                                 "(message box %r)" % report["message_box"])
            raise DriveError("the program reported a save, but no new <number>.txt is in %s" % folder)
        with open(saved, "rb") as f:
            data = f.read()
        report["saved_file"] = saved
        report["text"] = data.decode("gbk", "replace")
        if args.expected:
            with open(args.expected, encoding="utf-8") as f:
                report["accuracy"] = round(accuracy.character_accuracy(f.read(), report["text"]), 4)
        if args.record_dir:
            with open(chosen, "rb") as f:
                picture = f.read()
            number = int(os.path.basename(saved)[:-4])
            report["request_problems"] = check_requests.check(args.record_dir, picture, number, args.image_host)
    if args.minimize:
        report["minimize"] = minimize(main)
    return report


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("picture", nargs="?", help="picture to choose in the open-file dialog")
    p.add_argument("--prefix", default=os.environ.get("WINEPREFIX"),
                   help="the Wine prefix the program runs in (to find the desktop folder)")
    p.add_argument("--expected", help="UTF-8 file with the lines the picture holds")
    p.add_argument("--min", type=float, default=0.95, help="least character accuracy that passes")
    p.add_argument("--screenshot", default=os.path.join(tempfile.gettempdir(), "ornivex-result.png"),
                   help="where the screenshot of the result goes")
    p.add_argument("--title", default="Ornivex", help="title of the main window")
    p.add_argument("--choose-key", help="press this key in the window instead of clicking 选择图片")
    p.add_argument("--timeout", type=float, default=90, help="seconds to wait for the result box")
    p.add_argument("--settle", type=float, default=1.5, help="seconds the result box must hold still")
    p.add_argument("--window-timeout", type=float, default=60)
    p.add_argument("--start-delay", type=float, default=2.0,
                   help="seconds to wait after the window appears before the first click")
    p.add_argument("--dialog-timeout", type=float, default=15)
    p.add_argument("--no-result", action="store_true", help="stop after the dialog has closed")
    p.add_argument("--no-save", action="store_true", help="do not click 保存结果")
    p.add_argument("--record-dir", help="the stand-ins' --record-dir: check the upload and recognition bodies")
    p.add_argument("--image-host", default="http://127.0.0.1:18452", help="image host the program was built for")
    p.add_argument("--window-checks", action="store_true",
                   help="first drag the window by its caption, edges and corner")
    p.add_argument("--minimize", action="store_true", help="end by clicking the minimize title button")
    p.add_argument("--close", action="store_true", help="only click the close title button")
    p.add_argument("--json", action="store_true", help="print the report as JSON")
    args = p.parse_args(argv)
    if not args.picture and not args.close:
        p.error("a picture is needed unless --close is given")
    return args


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    if not os.environ.get("DISPLAY"):
        print("drive: no $DISPLAY", file=sys.stderr)
        return 1
    try:
        report = close(args) if args.close else drive(args)
    except DriveError as e:
        print("drive: %s" % e, file=sys.stderr)
        return 1
    finally:
        for folder in _copies:
            shutil.rmtree(folder, ignore_errors=True)
    if args.json:
        print(json.dumps(report, ensure_ascii=False, indent=1))
    else:
        for check, outcome in report.get("window_checks", {}).items():
            print("-- %s: %s" % (check, outcome))
        if "text" in report:
            print(report["text"].replace("\r\n", "\n"))
            print("-- saved: %s" % report["saved_file"])
        if "screenshot" in report:
            print("-- screenshot: %s" % report["screenshot"])
        if "accuracy" in report:
            print("-- character accuracy: %.4f" % report["accuracy"])
        for problem in report.get("request_problems", []):
            print("-- request: %s" % problem)
        if report.get("request_problems") == []:
            print("-- requests: upload and recognition bodies as expected")
    if "accuracy" in report and report["accuracy"] < args.min:
        return 2
    if report.get("request_problems"):
        return 3
    return 0


if __name__ == "__main__":
    sys.exit(main())
