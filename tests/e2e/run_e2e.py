#!/usr/bin/env python3
"""End-to-end checks of the desktop program under a private Xvfb display.

    run_e2e.py --zorrit PATH --xshot PATH --sheet PATH

Starts Xvfb on a free display, runs the real program there with real XTEST
input from xdotool, and reads what is on screen with the xshot helper. Every
wait is bounded. Each program run gets its own XDG_RUNTIME_DIR, so its
instance lock meets nobody else's. Exit status: 0 all passed, 1 a check
failed, 77 the X tools are missing (the test is skipped).
"""
import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time

from e2e_support import (CAPTION, CLIENT_H, CLIENT_W, MENU_ENTRY_X, MENU_ENTRY_Y, MENU_TITLE, end_process, missing_tool,
                         Program, Sheet, Shot, black_share, check, logo_problems,
                         sideways_move, sprite_places, summary, wait_for)

SCREEN_W, SCREEN_H = 1024, 768


class Display:
    def __init__(self):
        self.number = None
        self.process = None
        for n in range(90, 190):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                self.number = n
                break
        self.process = subprocess.Popen(
            ["Xvfb", ":%d" % self.number, "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
             "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.name = ":%d" % self.number
        env = dict(os.environ, DISPLAY=self.name)
        ready = lambda: subprocess.run(["xprop", "-root", "-display", self.name], env=env,
                                       capture_output=True).returncode == 0
        if not wait_for(ready, 10, 0.1):
            raise RuntimeError("Xvfb did not start")

    def close(self):
        if self.process:
            end_process(self.process)


class XProgram(Program):
    """The program on the private X display, driven with xdotool."""

    def __init__(self, args, display, extra_env=None, with_display=True, runtime=None,
                 prefix=()):
        # Never a Wayland window, also when the test runs in a Wayland session.
        env = {"DISPLAY": display.name if with_display else None, "WAYLAND_DISPLAY": None}
        env.update(extra_env or {})
        super().__init__(args.zorrit, env, runtime, prefix)
        self.args = args
        self.window = None

    def find_window(self, timeout=8):
        def viewable():
            r = self.tool("xdotool", "search", "--name", "Zorrit")
            for w in r.stdout.split():
                if "IsViewable" in self.tool("xwininfo", "-id", w).stdout:
                    return w
            return None
        self.window = wait_for(viewable, timeout, 0.02)
        return self.window

    def shot(self, name="shot"):
        path = os.path.join(self.runtime, name + ".ppm")
        if self.tool(self.args.xshot, self.window, path).returncode != 0:
            return None
        return Shot(path)

    def key(self, key):
        """A key press as a person makes it: held for 0.1 s, so that the
        game, which looks at held keys once a frame, sees it."""
        self.hold(key, 0.1)

    def hold(self, key, seconds):
        self.tool("xdotool", "keydown", key)
        time.sleep(seconds)
        self.tool("xdotool", "keyup", key)

    def focus(self):
        self.tool("xdotool", "windowfocus", "--sync", self.window)

    def click(self, x, y):
        self.tool("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", "1")

    def choose(self, entry):
        self.click(*MENU_TITLE)
        time.sleep(0.2)
        self.click(MENU_ENTRY_X, MENU_ENTRY_Y[entry])


def read_present_log(path):
    try:
        return [int(line) / 1e6 for line in open(path) if line.strip()]
    except OSError:
        return []


def main_run(args, display, sheet):
    """One program run through the whole life of the window."""
    log = os.path.join(tempfile.mkdtemp(prefix="zorrit-e2e-log-"), "presents")
    p = XProgram(args, display, {"ZORRIT_FRAME_LOG": log})
    try:
        started = time.monotonic()
        if not check(p.find_window() is not None, "the window appears"):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
            return
        info = p.tool("xwininfo", "-id", p.window).stdout
        hints = p.tool("xprop", "-id", p.window, "WM_NAME", "WM_NORMAL_HINTS").stdout
        check('WM_NAME(STRING) = "%s"' % CAPTION in hints, "caption is " + CAPTION)
        check("Width: %d" % CLIENT_W in info and "Height: %d" % CLIENT_H in info,
              "content is %d x %d" % (CLIENT_W, CLIENT_H))
        check("minimum size: %d by %d" % (CLIENT_W, CLIENT_H) in hints and
              "maximum size: %d by %d" % (CLIENT_W, CLIENT_H) in hints, "the size is fixed")
        x0, y0 = (SCREEN_W - CLIENT_W) // 2, (SCREEN_H - CLIENT_H) // 2
        check("Absolute upper-left X:  %d" % x0 in info and "Absolute upper-left Y:  %d" % y0 in info,
              "centred on the screen at %d,%d" % (x0, y0))

        # The logo: found and right (how long it stays is read from the log).
        def logo_now():
            s = p.shot()
            return s if s and logo_problems(s) == [] else None
        if not check(wait_for(logo_now, 3, 0.02) is not None, "the logo is shown"):
            s = p.shot()
            print("      ", logo_problems(s) if s else "no screenshot")

        # The title completes 200 frames after the logo; then space starts the wipe.
        wait_for(lambda: not logo_now(), 3, 0.02)
        time.sleep(4.3)
        p.focus()
        title = p.shot().picture()
        check(black_share(title) < 0.98, "the title is drawn")
        p.key("space")
        def differs_from_title():
            now = p.shot().picture()
            return sum(1 for i in range(0, len(now), 3) if now[i:i + 3] != title[i:i + 3]) > 3000
        check(wait_for(differs_from_title, 1.5), "space starts the wipe")
        time.sleep(1.8)  # 21 wipe frames and 62 launch frames: play has begun

        head = sheet.sprite(0, 0, 16, 16)
        before = sprite_places(p.shot("before-right"), head)
        p.hold("Right", 0.4)
        time.sleep(0.3)
        moved = sideways_move(before, sprite_places(p.shot("after-right"), head))
        if not check(moved is not None and moved >= 8,
                     "the right arrow moves the head right (by %s dots)" % moved):
            p.keep("before-right", "after-right")

        # Escape: the overlay, and the game stands still; F1 continues.
        p.key("Escape")
        time.sleep(0.3)
        a = p.shot().picture()
        time.sleep(0.3)
        b = p.shot().picture()
        check(a == b, "Escape opens the overlay and the game stands still")
        p.key("F1")
        check(wait_for(lambda: p.shot().picture() != b, 2), "F1 continues the game")

        # Minimising (no window manager here: unmapping) freezes the game.
        time.sleep(0.3)
        p.tool("xdotool", "windowunmap", "--sync", p.window)
        frozen_from = time.monotonic()
        time.sleep(1.0)
        frozen_to = time.monotonic()
        p.tool("xdotool", "windowmap", "--sync", p.window)
        time.sleep(0.5)
        p.focus()

        # The menu: Reset goes back to the title.
        play = p.shot().picture()
        p.choose("Reset")
        reset = wait_for(lambda: black_share(p.shot().picture()) > 0.99, 1.5)
        check(black_share(play) < 0.99 and reset, "menu Reset returns to the title")

        # About: Escape leaves it open, Enter closes it.
        p.choose("About")
        time.sleep(0.4)
        s = p.shot()
        centre = s.dot(CLIENT_W // 2, CLIENT_H // 2 - 40)
        check(centre == (192, 192, 192), "About opens (box colour %s)" % (centre,))
        p.key("Escape")
        time.sleep(0.3)
        check(p.shot().dot(CLIENT_W // 2, CLIENT_H // 2 - 40) == (192, 192, 192),
              "Escape does not close About")
        p.key("Return")
        closed = wait_for(lambda: p.shot().dot(CLIENT_W // 2, CLIENT_H // 2 - 40) != (192, 192, 192), 1.5)
        check(closed, "Enter closes About")
        time.sleep(0.2)

        # A second copy: it leaves with 0 and brings the first to the front.
        p.tool("xdotool", "windowunmap", "--sync", p.window)
        # The game takes the request before window-system events it has not
        # handled yet; a request that came before the unmap was seen would
        # be undone by it. On a busy machine that takes a moment.
        time.sleep(0.5)
        second = p.second_copy()
        check(second.returncode == 0 and not second.stderr,
              "a second copy exits with 0 silently (%d)" % second.returncode)
        front = wait_for(lambda: "IsViewable" in p.tool("xwininfo", "-id", p.window).stdout and
                         p.tool("xdotool", "getwindowfocus").stdout.strip() == p.window, 3)
        check(front, "the second copy brings the first to the front")

        p.choose("Close")
        code = p.wait(5)
        if not check(code == 0, "menu Close ends the program with 0 (%s)" % code):
            print("       stderr %r" % p.stderr()[-400:])

        presents = read_present_log(log)
        logo_time = presents[1] - presents[0] if len(presents) > 1 else 0
        check(logo_time >= 1.0, "the logo stays at least a second (%.3f s)" % logo_time)
        during = [t for t in presents if frozen_from + 0.2 < t < frozen_to]
        after = [t for t in presents if t > frozen_to]
        check(len(presents) > 100 and not during and after,
              "minimising freezes the game and restoring resumes it (%d frames while "
              "minimised, %d after)" % (len(during), len(after)))
        err = p.stderr()
        check(not {"aa", "ii"} & set(err.splitlines()),
              "without a debugger activation changes write nothing (%r)" % err[-200:])
        print("       whole run %.1f s" % (time.monotonic() - started))
    finally:
        p.stop()


def signal_run(args, display):
    p = XProgram(args, display)
    try:
        if not check(p.find_window() is not None, "SIGTERM run: the window appears"):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
        else:
            time.sleep(0.3)
            p.process.send_signal(signal.SIGTERM)
            code = p.wait(5)
            check(code == 0, "SIGTERM ends the program with 0 (%s)" % code)
    finally:
        p.stop()


def no_display_run(args, display):
    p = XProgram(args, display, with_display=False)
    try:
        code = p.wait(10)
        check(code == 1 and "dxdraw" in p.stderr(),
              "without a display: exit 1 and \"dxdraw\" (%s, %r)" % (code, p.stderr()[:80]))
    finally:
        p.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--xshot", required=True)
    parser.add_argument("--sheet", required=True)
    args = parser.parse_args()
    if missing_tool("Xvfb", "xdotool", "xwininfo", "xprop"):
        return 77
    sheet = Sheet(args.sheet)
    display = Display()
    try:
        no_display_run(args, display)
        signal_run(args, display)
        main_run(args, display, sheet)
    finally:
        display.close()
    return summary("e2e")


if __name__ == "__main__":
    sys.exit(main())
