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
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 1024, 768
CLIENT_W, CLIENT_H = 322, 260     # 320 x 240 picture, one-dot margin, 18-dot menu bar
PICTURE = (1, 19)                 # the picture's corner in the window
MENU_TITLE = (12, 8)
MENU_ENTRY_Y = {"Reset": 30, "About": 48, "Close": 74}
MENU_ENTRY_X = 30
LOGO_FILL, LOGO_OUTLINE = (240, 240, 240), (0, 0, 240)
CAPTION = "[ Zorrit ] Brinelight"

failures = []
passes = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    (passes if condition else failures).append(what)
    return condition


def wait_for(predicate, timeout, step=0.05):
    """Polls predicate until it returns something true; that value, or None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            return None
        time.sleep(step)


class Shot:
    """A screenshot of the window: width, height and RGB rows."""

    def __init__(self, path):
        data = open(path, "rb").read()
        parts = data.split(b"\n", 3)
        self.w, self.h = map(int, parts[1].split())
        self.rgb = parts[3]

    def dot(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def picture_dot(self, x, y):
        return self.dot(PICTURE[0] + x, PICTURE[1] + y)

    def picture(self, skip_rate=True):
        """Picture dots as bytes, the frame-rate figure's corner blanked."""
        rows = []
        for y in range(240):
            start = ((PICTURE[1] + y) * self.w + PICTURE[0]) * 3
            row = bytearray(self.rgb[start:start + 320 * 3])
            if skip_rate and y < 16:
                row[280 * 3:] = bytes(40 * 3)
            rows.append(bytes(row))
        return b"".join(rows)


def black_share(picture):
    dots = len(picture) // 3
    black = sum(1 for i in range(0, len(picture), 3) if picture[i:i + 3] == b"\0\0\0")
    return black / dots


class Sheet:
    """The game sprite sheet (an 8-bit BMP), for finding the head on screen."""

    def __init__(self, path):
        d = open(path, "rb").read()
        offset, = struct.unpack_from("<I", d, 10)
        header, self.w, h, _, bpp, _ = struct.unpack_from("<IiiHHI", d, 14)
        colours, = struct.unpack_from("<I", d, 46)
        colours = colours or (1 << bpp)
        palette = [tuple(d[14 + header + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
        self.h = abs(h)
        stride = (self.w * bpp + 31) // 32 * 4
        self.dots = {}
        for y in range(self.h):
            row = offset + (self.h - 1 - y if h > 0 else y) * stride
            for x in range(self.w):
                self.dots[(x, y)] = palette[d[row + x]]

    def sprite(self, left, top, right, bottom):
        """The sprite's visible dots: (dx, dy, rgb), black left out."""
        return [(x - left, y - top, self.dots[(x, y)]) for y in range(top, bottom)
                for x in range(left, right) if self.dots[(x, y)] != (0, 0, 0)]


def sprite_places(shot, sprite):
    """Every picture position where at least 70 % of the sprite's dots match
    (the tail may cover part of the head)."""
    anchor = sprite[0]
    places = set()
    for y in range(240 - 16):
        for x in range(320 - 16):
            if shot.picture_dot(x + anchor[0], y + anchor[1]) != anchor[2]:
                continue
            hits = sum(1 for dx, dy, c in sprite if shot.picture_dot(x + dx, y + dy) == c)
            if hits >= 0.7 * len(sprite):
                places.add((x, y))
    return places


def sideways_move(before, after):
    """How far the sprite moved right between two shots: the mean x of the
    places it took minus that of the places it left (None without either).
    Things that look like it and stand still cancel out."""
    left, took = before - after, after - before
    if not left or not took:
        return None
    return sum(x for x, _ in took) / len(took) - sum(x for x, _ in left) / len(left)


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
            self.process.terminate()
            self.process.wait(5)


class Program:
    def __init__(self, args, display, extra_env=None, with_display=True):
        self.args = args
        self.runtime = tempfile.mkdtemp(prefix="zorrit-e2e-")
        os.chmod(self.runtime, 0o700)
        self.env = dict(os.environ)
        self.env.update({"XDG_RUNTIME_DIR": self.runtime, "SDL_AUDIODRIVER": "dummy"})
        self.env.pop("SDL_VIDEODRIVER", None)
        if with_display:
            self.env["DISPLAY"] = display.name
        else:
            self.env.pop("DISPLAY", None)
            self.env.pop("WAYLAND_DISPLAY", None)
        self.env.update(extra_env or {})
        self.errors = open(os.path.join(self.runtime, "stderr"), "w+")
        self.process = subprocess.Popen([args.zorrit], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=self.errors)
        self.window = None

    def tool(self, *command, timeout=10):
        return subprocess.run(list(command), env=self.env, capture_output=True, text=True,
                              timeout=timeout)

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

    def keep(self, *names):
        """Copies screenshots of a failed check beside the test's temp files."""
        for name in names:
            kept = os.path.join(tempfile.gettempdir(), "zorrit-e2e-%s.ppm" % name)
            shutil.copy(os.path.join(self.runtime, name + ".ppm"), kept)
            print("       kept", kept)

    def stderr(self):
        self.errors.flush()
        self.errors.seek(0)
        return self.errors.read()

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)


def logo_problems(shot):
    """What is wrong with the logo screen in this shot ([] when it is right)."""
    problems = []
    fill_rows, fill_cols, blue = set(), set(), []
    for y in range(240):
        for x in range(320):
            c = shot.picture_dot(x, y)
            inside = 96 <= x < 224 and 112 <= y < 128
            if c == (0, 0, 0):
                continue
            if not inside:
                return ["a dot outside the logo canvas at %d,%d" % (x, y)]
            cx, cy = x - 96, y - 112
            if c == LOGO_FILL:
                fill_rows.add(cy)
                fill_cols.add(cx)
            elif c == LOGO_OUTLINE:
                blue.append((cx, cy))
            else:
                return ["a dot of another colour %s at %d,%d" % (c, x, y)]
    if not fill_rows:
        return ["no logo"]
    if min(fill_rows) != 3 or max(fill_rows) != 13:
        problems.append("fill on rows %d..%d" % (min(fill_rows), max(fill_rows)))
    if min(fill_cols) < 28 or max(fill_cols) > 101:
        problems.append("fill on columns %d..%d" % (min(fill_cols), max(fill_cols)))
    if not blue:
        problems.append("no outline")
    for cx, cy in blue:
        beside = any(shot.picture_dot(96 + cx + d, 112 + cy) == LOGO_FILL for d in (-2, -1, 1, 2))
        if not beside:
            problems.append("outline dot %d,%d not beside the fill" % (cx, cy))
            break
    return problems


def read_present_log(path):
    try:
        return [int(line) / 1e6 for line in open(path) if line.strip()]
    except OSError:
        return []


def main_run(args, display, sheet):
    """One program run through the whole life of the window."""
    log = os.path.join(tempfile.mkdtemp(prefix="zorrit-e2e-log-"), "presents")
    p = Program(args, display, {"ZORRIT_FRAME_LOG": log})
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
        second = subprocess.run([args.zorrit], env=p.env, capture_output=True, timeout=10)
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
        check("ii\n" in err and "aa\n" in err, "activation changes are reported")
        print("       whole run %.1f s" % (time.monotonic() - started))
    finally:
        p.stop()


def signal_run(args, display):
    p = Program(args, display)
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
    p = Program(args, display, with_display=False)
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
    for tool in ("Xvfb", "xdotool", "xwininfo", "xprop"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return 77
    sheet = Sheet(args.sheet)
    display = Display()
    try:
        no_display_run(args, display)
        signal_run(args, display)
        main_run(args, display, sheet)
    finally:
        display.close()
    print("e2e: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
