#!/usr/bin/env python3
"""End-to-end checks of the window on a desktop that asks programs to scale.

    run_hidpi.py --zorrit PATH --xshot PATH

Under a private Xvfb (run_e2e.py's display), the program runs three times
with the same clicks: unscaled, with GDK_SCALE=2, and with the X resource
Xft.dpi: 192 (set with xrdb). Checks that the scaled window's content is
twice the unscaled size either way, that each of its dots is a 2 x 2 block,
that reduced by 2 it equals the unscaled window dot for dot (the logo, the
title with the menu bar, the open menu, the About box), and that clicks at
twice the positions open the menu, choose About and press its OK. Then, under
a headless sway whose output has scale 2 (run_wayland.py's compositor), the
window keeps its size in the compositor's units, asks for buffers at scale 2,
and its picture is whole 2 x 2 blocks equal to the unscaled run's.
Exit status: 0 all passed, 1 a check failed, 77 the X tools are missing.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

from e2e_support import (CLIENT_H, CLIENT_W, MENU_ENTRY_X, MENU_ENTRY_Y, MENU_TITLE, PICTURE, missing_tool,
                         Shot, black_share, cannot_check, check, logo_problems, summary, wait_for)
from run_e2e import Display, XProgram

W, H = CLIENT_W, CLIENT_H
RATE = (PICTURE[0] + 280, PICTURE[1], W, PICTURE[1] + 16)  # frame-rate figure
POPUP = (0, 0, 90, 90)               # the menu bar's start and the open popup
ABOUT = (113, 73, 208, 187)          # the About box, centred in the window
ABOUT_OK = (161, 166)                # the middle of its OK button
MENU_SPOT = (78, 28)                 # in the popup, right of "Reset"
GREY = (192, 192, 192)


class Reduced(Shot):
    """A shot of a window enlarged by `scale`, one dot per block; `mixed`
    counts the blocks whose dots are not all the same (a blurred picture)."""

    def __init__(self, shot, scale):
        self.w, self.h = shot.w // scale, shot.h // scale
        rows, self.mixed = [], 0
        line = shot.w * 3
        for y in range(self.h):
            first = shot.rgb[y * scale * line:(y * scale + 1) * line]
            dots = [first[x:x + 3] for x in range(0, self.w * scale * 3, scale * 3)]
            block = b"".join(d * scale for d in dots)
            for j in range(scale):
                row = shot.rgb[(y * scale + j) * line:(y * scale + j) * line + len(block)]
                if row != block:
                    self.mixed += sum(1 for x in range(self.w)
                                      if row[x * scale * 3:(x + 1) * scale * 3] != block[x * scale * 3:(x + 1) * scale * 3])
            rows.append(b"".join(dots))
        self.rgb = b"".join(rows)


def region(shot, box, blank=None):
    """The dots of box (left, top, right, bottom) as a list of rows, those in
    `blank` left out."""
    left, top, right, bottom = box
    return [[shot.dot(x, y) if not (blank and blank[0] <= x < blank[2] and blank[1] <= y < blank[3])
             else None for x in range(left, right)] for y in range(top, bottom)]


def differences(a, b):
    return sum(1 for ra, rb in zip(a, b) for da, db in zip(ra, rb) if da != db)


def pictures(p, name, scale):
    """Waits for the logo and then the title standing still (the frame-rate
    figure aside); returns a shot function for more steps and what was seen,
    reduced to unscaled dots, by step."""
    seen = {}

    def shot(step):
        s = p.shot(name + "-" + step)
        return Reduced(s, scale) if s and (s.w, s.h) == (W * scale, H * scale) else None

    def shot_when(step, test, timeout):
        """The first shot within timeout that passes test, or None."""
        def attempt():
            s = shot(step)
            return s if s and test(s) else None
        return wait_for(attempt, timeout, 0.02)

    seen["logo"] = shot_when("logo", lambda s: logo_problems(s) == [], 3)
    check(seen["logo"] is not None, "%s: the logo is shown" % name)
    last = [None]

    def title():
        s = shot("title")
        if not s or black_share(s.picture()) > 0.98:
            return None
        still = last[0] is not None and region(s, (0, 0, W, H), RATE) == last[0]
        last[0] = region(s, (0, 0, W, H), RATE)
        return s if still else None
    seen["title"] = wait_for(title, 8, 0.3)
    check(seen["title"] is not None, "%s: the title is shown and stands still" % name)
    return shot_when, seen


def whole_dots(name, scale, seen):
    mixed = sum(s.mixed for s in seen.values() if s)
    check(mixed == 0, "%s: every dot is a %d x %d block (%d blocks mixed)" % (name, scale, scale, mixed))


def x_run(args, display, name, scale, env):
    """One run on the X display, through the menu and About with the mouse."""
    p = XProgram(args, display, env)
    try:
        if not check(p.find_window() is not None, "%s: the window appears" % name):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
            return {}
        info = p.tool("xwininfo", "-id", p.window).stdout
        hints = p.tool("xprop", "-id", p.window, "WM_NORMAL_HINTS").stdout
        size = (W * scale, H * scale)
        check("Width: %d" % size[0] in info and "Height: %d" % size[1] in info and
              "minimum size: %d by %d" % size in hints and "maximum size: %d by %d" % size in hints,
              "%s: the content is %d x %d, fixed" % (name, size[0], size[1]))
        shot_when, seen = pictures(p, name, scale)
        if seen["title"] is None:
            return seen

        p.focus()
        p.click(*(v * scale for v in MENU_TITLE))
        seen["menu"] = shot_when("menu", lambda s: s.dot(*MENU_SPOT) == GREY, 2)
        check(seen["menu"] is not None, "%s: a click on the menu's title opens it" % name)
        p.click(MENU_ENTRY_X * scale, MENU_ENTRY_Y["About"] * scale)
        about_open = lambda s: s.dot(W // 2, H // 2 - 40) == GREY
        seen["about"] = shot_when("about", about_open, 2)
        check(seen["about"] is not None, "%s: a click on About opens the box" % name)
        p.click(*(v * scale for v in ABOUT_OK))
        closed = shot_when("closed", lambda s: not about_open(s), 2)
        check(closed is not None, "%s: a click on OK closes it" % name)
        whole_dots(name, scale, seen)

        p.click(*(v * scale for v in MENU_TITLE))
        time.sleep(0.2)
        p.click(MENU_ENTRY_X * scale, MENU_ENTRY_Y["Close"] * scale)
        code = p.wait(5)
        if not check(code == 0, "%s: menu Close ends the program with 0 (%s)" % (name, code)):
            print("       stderr %r" % p.stderr()[-600:])
        return seen
    finally:
        p.stop()


def wayland_run(args):
    """One run under a headless sway with its output at scale 2. The
    compositor sizes the window in its own units; the window gives it
    buffers at scale 2 (seen in the client's Wayland log), which it shows
    dot for dot. No pointer can be simulated there: the X runs click."""
    name = "Wayland output scale 2"
    missing = [t for t in ("sway", "swaymsg", "grim") if not shutil.which(t)]
    if missing:
        cannot_check(name, "%s not installed" % ", ".join(missing))
        return None
    from run_wayland import Sway, WaylandProgram
    sway = Sway()
    try:
        sway.command("output HEADLESS-1 scale 2")
        p = WaylandProgram(args, sway, {"WAYLAND_DEBUG": "client"})
        try:
            view = p.find_window()
            if not check(view is not None, "%s: the window appears" % name):
                return {}
            size = view["window_rect"]
            check((size["width"], size["height"]) == (W, H),
                  "%s: %d x %d in the compositor's units (%d x %d)" %
                  (name, W, H, size["width"], size["height"]))
            _, seen = pictures(p, name, 2)
            whole_dots(name, 2, seen)
            check("set_buffer_scale(2)" in p.stderr(),
                  "%s: the window's buffers are at scale 2, shown unstretched" % name)
            return seen
        finally:
            p.stop()
    finally:
        sway.close()


def compare(name, scaled, plain, only=("logo", "title", "menu", "about")):
    """The scaled run's pictures, reduced, against the unscaled run's."""
    steps = (("logo", (0, 0, W, H), None), ("title", (0, 0, W, H), RATE),
             ("menu", POPUP, None), ("about", ABOUT, None))
    for step, box, blank in (s for s in steps if s[0] in only):
        a, b = scaled.get(step), plain.get(step)
        if a is None or b is None:
            check(False, "%s: the %s could be compared" % (name, step))
            continue
        n = differences(region(a, box, blank), region(b, box, blank))
        check(n == 0, "%s: the %s reduced by 2 equals the unscaled one (%d dots differ of %d)" %
              (name, step, n, (box[2] - box[0]) * (box[3] - box[1])))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--xshot", required=True)
    args = parser.parse_args()
    if missing_tool("Xvfb", "xdotool", "xwininfo", "xprop", "xrdb"):
        return 77
    os.environ.pop("GDK_SCALE", None)  # the desktop running the test asks for nothing
    display = Display()
    try:
        plain = x_run(args, display, "unscaled", 1, {})
        gdk = x_run(args, display, "GDK_SCALE=2", 2, {"GDK_SCALE": "2"})
        compare("GDK_SCALE=2", gdk, plain)
        env = dict(os.environ, DISPLAY=display.name)
        subprocess.run(["xrdb", "-nocpp", "-merge"], input="Xft.dpi: 192\n", text=True, env=env,
                       check=True)
        xft = x_run(args, display, "Xft.dpi 192", 2, {})
        compare("Xft.dpi 192", xft, plain)
    finally:
        display.close()
    wayland = wayland_run(args)
    if wayland is not None:
        compare("Wayland output scale 2", wayland, plain, ("logo", "title"))
    return summary("hidpi")


if __name__ == "__main__":
    sys.exit(main())
