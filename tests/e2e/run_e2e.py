#!/usr/bin/env python3
"""The real desktop program under a private Xvfb, driven with xdotool, its
screen read through Xlib. Exit status: 0 passed, 1 failed, 77 no X tools.
  --zorrit PATH --sheet PATH: the window's whole life; on a desktop that asks for 2x
      (GDK_SCALE=2; Xft.dpi 192 under a debugger) the same pictures, clicks at twice the places
  --zorrit PATH --failed-starts: status 1, the reason, nothing left behind"""
import argparse
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from e2e_support import (CAPTION, CLIENT_H, CLIENT_W, PICTURE, Program, Sheet, Shot, black_share, check,
                         end_process, logo_problems, missing_tool, sideways_move, sprite_places, summary,
                         wait_for)

SCREEN_W, SCREEN_H = 1024, 768
RATE = (PICTURE[0] + 280, PICTURE[1], CLIENT_W, PICTURE[1] + 16)  # the frame-rate figure
MENU = {"title": (12, 8), "Reset": (30, 30), "About": (30, 48), "Close": (30, 74)}  # where to click
MENU_SPOT, ABOUT_OK, GREY = (78, 28), (161, 166), (192, 192, 192)  # in the open menu; About's OK
STRACE = ("strace", "-f", "-qq", "-e", "trace=none", "-o", os.devnull)


class Display:
    """A private Xvfb on a free display, and a connection that reads the screen."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
             "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as answer:
            self.name = ":" + answer.readline().strip()
        x11 = self.x11 = ctypes.CDLL("libX11.so.6")
        # XGetImage gives an XImage, its dots' address 16 bytes in.
        x11.XOpenDisplay.restype = x11.XGetImage.restype = x11.XDefaultRootWindow.restype = ctypes.c_void_p
        self.x = ctypes.c_void_p(x11.XOpenDisplay(self.name.encode()))
        if not self.x:
            raise RuntimeError("Xvfb did not start")

    def shot(self, x, y, w, h):
        """The screen's dots in that rectangle (32-bit BGRX on Xvfb)."""
        root = ctypes.c_void_p(self.x11.XDefaultRootWindow(self.x))
        image = self.x11.XGetImage(self.x, root, x, y, w, h, ctypes.c_ulong(-1), 2)  # ZPixmap
        data = ctypes.string_at(ctypes.c_void_p.from_address(image + 16).value, w * h * 4)
        self.x11.XDestroyImage(ctypes.c_void_p(image))
        rgb = bytearray(w * h * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
        return Shot(w=w, h=h, rgb=bytes(rgb))

    def close(self):
        self.x11.XCloseDisplay(self.x)
        end_process(self.process)


class XProgram(Program):
    """The program on the private X display, driven with xdotool."""

    def __init__(self, args, display, extra_env=None, runtime=None, prefix=()):
        # Never a Wayland window, also when the test runs in a Wayland session.
        env = dict({"DISPLAY": display.name, "WAYLAND_DISPLAY": None}, **(extra_env or {}))
        super().__init__(args.zorrit, env, runtime, prefix)
        self.display, self.window = display, None

    def find_window(self, timeout=8):
        """The window once it is shown; its place and size are kept for shots."""
        found = wait_for(lambda: self.tool("xdotool", "search", "--onlyvisible", "--name", "Zorrit")
                         .stdout.split(), timeout, 0.02)
        if found:
            self.window, info = found[0], self.tool("xwininfo", "-id", found[0]).stdout
            self.rect = [int(re.search(k + r":\s+(\d+)", info).group(1)) for k in
                         ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        return self.window

    def shot(self):
        return self.display.shot(*self.rect)

    def key(self, key, seconds=0.1):
        """A key held long enough for the game, which looks at keys once a frame."""
        self.tool("xdotool", "keydown", key)
        time.sleep(seconds)
        self.tool("xdotool", "keyup", key)

    def focus(self):
        self.tool("xdotool", "windowfocus", "--sync", self.window)

    def click(self, x, y, scale=1):
        self.tool("xdotool", "mousemove", "--window", self.window, str(x * scale), str(y * scale),
                  "click", "1")

    def choose(self, entry, scale=1):
        self.click(*MENU["title"], scale)
        time.sleep(0.2)
        self.click(*MENU[entry], scale)


def unscaled(shot, scale):
    """The window in a shot of it enlarged by `scale`, one dot per block, the
    frame-rate figure blanked; and how many block rows are not of one colour."""
    line, rows, mixed = shot.w * 3, [], 0
    for y in range(shot.h // scale):
        lines = [shot.rgb[(y * scale + j) * line:(y * scale + j + 1) * line] for j in range(scale)]
        dots = [lines[0][x:x + 3] for x in range(0, line, scale * 3)]
        mixed += sum(row != b"".join(d * scale for d in dots) for row in lines)
        if RATE[1] <= y < RATE[3]:
            dots[RATE[0]:RATE[2]] = [bytes(3)] * (RATE[2] - RATE[0])
        rows.append(b"".join(dots))
    return Shot(w=shot.w // scale, h=shot.h // scale, rgb=b"".join(rows)), mixed


def about_open(shot):
    return shot.dot(CLIENT_W // 2, CLIENT_H // 2 - 40) == GREY


def run(args, display, name, scale=1, env=None, prefix=(), sheet=None):
    """The window, the logo, the complete title, the menu and About opened by
    clicks at `scale` times their places; then with the sprite sheet the rest
    of the window's life, else a click on OK and the end (menu Close under a
    debugger, else SIGTERM). Returns the pictures by step, in unscaled dots."""
    log = os.path.join(tempfile.mkdtemp(prefix="zorrit-e2e-log-"), "presents")
    p = XProgram(args, display, dict(env or {}, ZORRIT_FRAME_LOG=log), prefix=prefix)
    seen, mixed, last = {}, [0], [None]

    def shot(step, test, timeout=2):
        """The first shot within timeout that test passes, reduced; or None."""
        def attempt():
            s, m = unscaled(p.shot(), scale)
            return (s, m) if test(s) else None
        got = wait_for(attempt, timeout, 0.02)
        if got:
            seen[step], mixed[0] = got[0], mixed[0] + got[1]
        return got

    def still(s):
        was, last[0] = last[0], s.rgb
        return black_share(s.picture()) < 0.98 and s.rgb == was

    try:
        if not check(p.find_window() is not None, "%s: the window appears (%r)" % (name, p.stderr()[-300:])):
            return seen
        size = (CLIENT_W * scale, CLIENT_H * scale)
        hints = p.tool("xprop", "-id", p.window, "WM_NAME", "WM_NORMAL_HINTS").stdout
        check('WM_NAME(STRING) = "%s"' % CAPTION in hints, "%s: the caption is %s" % (name, CAPTION))
        check(p.rect == [(SCREEN_W - size[0]) // 2, (SCREEN_H - size[1]) // 2, size[0], size[1]] and
              "minimum size: %d by %d" % size in hints and "maximum size: %d by %d" % size in hints,
              "%s: the content is %d x %d, fixed, centred on the screen (%s)" % ((name,) + size + (p.rect,)))
        check(shot("logo", lambda s: logo_problems(s) == [], 3), "%s: the logo is shown" % name)
        # The title shows its parts up to 1.34 s apart: 1.6 s without a change
        # means it is complete (and space can start the game).
        check(wait_for(lambda: shot("title", still, 0), 12, 1.6), "%s: the title is complete" % name)
        p.focus()
        p.click(*MENU["title"], scale)
        check(shot("menu", lambda s: s.dot(*MENU_SPOT) == GREY), "%s: a click on the menu opens it" % name)
        p.click(*MENU["About"], scale)
        check(shot("about", about_open), "%s: a click on About opens its box" % name)
        if sheet:
            life(p, sheet, log)
            return seen
        p.click(*ABOUT_OK, scale)
        check(shot("closed", lambda s: not about_open(s)), "%s: a click on OK closes it" % name)
        check(mixed[0] == 0, "%s: every dot is a %d x %d block (%d rows are not)" % (name, scale, scale, mixed[0]))
        p.choose("Close", scale) if prefix else p.process.send_signal(signal.SIGTERM)
        code, lines = p.wait(5), p.stderr().splitlines()
        check(code == 0, "%s: %s ends the program with 0 (%s)" % (name, "Close" if prefix else "SIGTERM", code))
        if prefix:
            check("aa" in lines and "ii" in lines, "%s: under a debugger About's (de)activation is written" % name)
        return seen
    finally:
        p.stop()


def life(p, sheet, log):
    """The rest of the unscaled run: keys, play, minimising, Reset, second copies, Close."""
    p.key("Return")
    check(wait_for(lambda: not about_open(p.shot()), 1.5), "Enter closes About")
    title = p.shot().picture()
    p.key("space")
    check(wait_for(lambda: sum(a != b for a, b in zip(p.shot().picture(), title)) > 9000, 1.5),
          "space starts the wipe")
    time.sleep(1.8)  # 21 wipe frames and 62 launch frames: play has begun
    head = sheet.sprite(0, 0, 16, 16)
    before = sprite_places(p.shot(), head)
    p.key("Right", 0.4)
    time.sleep(0.3)
    moved = sideways_move(before, sprite_places(p.shot(), head))
    check(moved is not None and moved >= 8, "the right arrow moves the head right (by %s)" % moved)

    # Minimising (no window manager here: unmapping) freezes the game.
    p.tool("xdotool", "windowunmap", "--sync", p.window)
    frozen = [time.monotonic() + 0.2]
    time.sleep(1.0)
    frozen.append(time.monotonic())
    p.tool("xdotool", "windowmap", "--sync", p.window)
    time.sleep(0.5)
    p.focus()
    play = p.shot().picture()
    p.choose("Reset")
    reset = wait_for(lambda: black_share(p.shot().picture()) > 0.99, 1.5)
    check(black_share(play) < 0.99 and reset, "menu Reset returns to the title")

    # Second copies leave silently with 0: one gives up on a stopped first,
    # the next brings it to the front.
    p.process.send_signal(signal.SIGSTOP)
    second = p.second_copy()
    p.process.send_signal(signal.SIGCONT)
    check(second.returncode == 0 and not second.stderr, "a second copy gives up on a stopped first")
    # The first copy takes that request now. A request that came before the
    # unmap was seen would be undone by it.
    time.sleep(0.5)
    p.tool("xdotool", "windowunmap", "--sync", p.window)
    time.sleep(0.5)
    second = p.second_copy()
    check(second.returncode == 0 and not second.stderr and
          wait_for(lambda: "IsViewable" in p.tool("xwininfo", "-id", p.window).stdout and
                   p.tool("xdotool", "getwindowfocus").stdout.strip() == p.window, 3),
          "a second copy brings the first to the front")

    p.choose("Close")
    code = p.wait(5)
    check(code == 0, "menu Close ends the program with 0 (%s, %r)" % (code, p.stderr()[-300:]))
    presents = [int(t) / 1e6 for t in open(log).read().split()] if os.path.exists(log) else []
    check(len(presents) > 1 and presents[1] - presents[0] >= 1.0, "the logo stays at least a second")
    during = [t for t in presents if frozen[0] < t < frozen[1]]
    check(len(presents) > 100 and not during and presents[-1] > frozen[1],
          "minimising freezes the game and restoring resumes it (%d frames while minimised)" % len(during))
    check(not {"aa", "ii"} & set(p.stderr().splitlines()), "without a debugger activation writes nothing")


def failed_starts(zorrit):
    """Without a display or a usable runtime folder. As root the program runs as
    nobody (a copy: the build tree may be closed to others), for another user's folder."""
    scratch = tempfile.mkdtemp(prefix="zorrit-guard-")
    os.chmod(scratch, 0o755)
    uid, user = os.getuid(), None
    if uid == 0:
        uid, zorrit = 65534, shutil.copy(zorrit, scratch)  # nobody
        user = lambda: (os.setgroups([]), os.setgid(uid), os.setuid(uid))
    fallback, target = "/tmp/zorrit-%d" % uid, scratch + "/target"

    def start(what, runtime, expect):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XDG_RUNTIME_DIR")}
        env.update({"SDL_AUDIODRIVER": "dummy"}, **({"XDG_RUNTIME_DIR": runtime} if runtime else {}))
        r = subprocess.run([zorrit], env=env, capture_output=True, text=True, timeout=10, preexec_fn=user)
        check(r.returncode == 1 and r.stderr.startswith("error: ") and r.stderr.count("\n") == 1 and
              expect in r.stderr, "%s: status 1 and the reason (%d, %r)" % (what, r.returncode, r.stderr))

    try:
        for what, folder, mode, expect in (
                ("without a display", "own", 0o700, "error: dxdraw (no display: "),
                ("a missing runtime folder", "missing", None, "missing/zorrit: "),
                ("a read-only runtime folder", "readonly", 0o555, "readonly/zorrit: "),  # also to its owner
                ("a runtime folder path too long", "d" * 160, 0o700, "too long"),
                ("a runtime folder open to others", "open/zorrit", 0o705, "(mode 0705); refused"),
                ("another user's runtime folder", "root/zorrit", 0o700, "belongs to another user (uid 0)")):
            if folder == "root/zorrit" and not user:
                continue
            if mode:
                os.makedirs(os.path.join(scratch, folder))
                os.chown(os.path.join(scratch, folder), 0 if folder == "root/zorrit" else uid, -1)
                os.chmod(os.path.join(scratch, folder), mode)
            start(what, os.path.join(scratch, folder.split("/")[0]), expect)
        # The fallback without XDG_RUNTIME_DIR: a link someone put there to a
        # folder the program could use.
        if os.path.lexists(fallback):
            return print("skipped: %s exists" % fallback)
        os.mkdir(target, 0o700)
        os.chown(target, uid, -1)
        os.symlink(target, fallback)
        start("%s as a link" % fallback, None, fallback + " is a link")
        check(os.listdir(target) == [], "nothing was made through the link")
    finally:
        if os.path.islink(fallback) and os.readlink(fallback) == target:
            os.unlink(fallback)
        shutil.rmtree(scratch, ignore_errors=True)


def box_run(args, display):
    """The display fails after the guard is taken; the program is ended while the error
    box (a forked helper on X11) is up. The next start in its runtime opens its window."""
    p = XProgram(args, display, {"SDL_VIDEODRIVER": "wayland", "WAYLAND_DISPLAY": "zorrit-none"},
                 prefix=("setsid",))  # a process group of its own, the box's helper in it
    later = None
    try:
        box = wait_for(lambda: p.tool("xwininfo", "-name", "error").returncode == 0, 8)
        err = p.stderr()
        check(box and err.startswith("error: dxdraw (") and err.count("\n") == 1,
              "a display that fails: the \"error\" box, and the reason in one line (%r)" % err)
        p.process.send_signal(signal.SIGTERM)
        p.wait(5)
        later = XProgram(args, display, runtime=p.runtime)
        check(later.find_window(), "the next start opens its window")
    finally:
        subprocess.run(["kill", "-KILL", "--", "-%d" % p.process.pid], stderr=subprocess.DEVNULL)
        later and later.stop()
        p.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--sheet")
    parser.add_argument("--failed-starts", action="store_true")
    args = parser.parse_args()
    if missing_tool("Xvfb", "xdotool", "xwininfo", "xprop", "xrdb", "strace"):
        return 77
    os.environ.pop("GDK_SCALE", None)  # the desktop running the test asks for nothing
    if args.failed_starts:
        failed_starts(args.zorrit)
    display = Display()
    try:
        if args.failed_starts:
            box_run(args, display)
            return summary("failed starts")
        plain = run(args, display, "unscaled", sheet=Sheet(args.sheet))
        scaled = {"GDK_SCALE=2": run(args, display, "GDK_SCALE=2", 2, {"GDK_SCALE": "2"})}
        subprocess.run(["xrdb", "-nocpp", "-merge"], input="Xft.dpi: 192\n", text=True,
                       env=dict(os.environ, DISPLAY=display.name), check=True)
        scaled["Xft.dpi 192"] = run(args, display, "Xft.dpi 192", 2, prefix=STRACE)
    finally:
        display.close()
    for name, seen in scaled.items():
        for step in ("logo", "title", "menu", "about"):
            a, b = seen.get(step), plain.get(step)
            n = sum(a.rgb[i:i + 3] != b.rgb[i:i + 3] for i in range(0, len(a.rgb), 3)) if a and b else -1
            check(n == 0, "%s: the %s reduced by 2 equals the unscaled one (%d dots differ)" % (name, step, n))
    return summary("e2e")


if __name__ == "__main__":
    sys.exit(main())
