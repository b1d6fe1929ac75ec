#!/usr/bin/env python3
"""End-to-end checks of the desktop program as a native Wayland client.

    run_wayland.py --zorrit PATH --sheet PATH

Starts a private headless sway (no input devices, software rendering, its own
runtime folder), runs the real program there without SDL_VIDEODRIVER and with
an X server beside it (an Xvfb standing for XWayland), as a player on a
Wayland session would, types with wtype (a virtual keyboard),
takes pictures with grim and reads the window's title, geometry, focus and
urgency from sway's tree (swaymsg). It checks what the X11 run checks where
Wayland allows it, and says which checks it cannot make and why. A compositor
without a seat (headless weston) must not crash the program. Every wait is
bounded. Exit status: 0 all passed, 1 a check failed, 77 the Wayland tools
are missing (the test is skipped).
"""
import argparse
import glob
import json
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

from run_e2e import Display
from e2e_support import (CAPTION, CLIENT_H, CLIENT_W, Program, Sheet, Shot, black_share, end_process,
                         missing_tool,
                         cannot_check, check, logo_problems, sideways_move, sprite_places,
                         summary, wait_for)

OUTPUT_W, OUTPUT_H = 1024, 768


def private_runtime(prefix):
    """A runtime folder for a compositor. As root, sway refuses to start (it
    insists on being able to drop privileges), so the compositors run as
    nobody: the folder is theirs, and root's clients reach the socket by its
    absolute path. Returns the folder and the command prefix that runs as its
    owner."""
    runtime = tempfile.mkdtemp(prefix=prefix)
    os.chmod(runtime, 0o700)
    if os.geteuid() != 0:
        return runtime, []
    nobody = pwd.getpwnam("nobody")
    os.chown(runtime, nobody.pw_uid, nobody.pw_gid)
    return runtime, ["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid,
                     "--clear-groups"]


def compositor_env(runtime):
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    for name in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK"):
        env.pop(name, None)
    return env


class Sway:
    """A headless sway with one 1024 x 768 output, no XWayland."""

    def __init__(self):
        self.runtime, as_owner = private_runtime("zorrit-sway-")
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("output HEADLESS-1 resolution %dx%d\nxwayland disable\n" % (OUTPUT_W, OUTPUT_H))
        env = compositor_env(self.runtime)
        env.update({"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
                    "WLR_RENDERER": "pixman"})
        self.log = open(os.path.join(self.runtime, "sway.log"), "w+")
        self.process = subprocess.Popen(as_owner + ["sway", "-c", config], env=env,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        self.wayland = self.ipc = None

        def ready():
            if self.process.poll() is not None:
                raise RuntimeError("sway ended (%s): %s" % (self.process.returncode,
                                                             self.log_tail()))
            sockets = [p for p in glob.glob(os.path.join(self.runtime, "wayland-*"))
                       if not p.endswith(".lock")]
            ipc = glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
            if not sockets or not ipc:
                return False
            self.wayland, self.ipc = sockets[0], ipc[0]
            return self.msg("-t", "get_version") is not None
        if not wait_for(ready, 15, 0.1):
            raise RuntimeError("sway did not start: " + self.log_tail())
        # The tools reach it through these, the program through WAYLAND_DISPLAY only.
        self.env = dict(os.environ, WAYLAND_DISPLAY=self.wayland, SWAYSOCK=self.ipc)
        self.env.pop("DISPLAY", None)

    def log_tail(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-600:]

    def msg(self, *args):
        """swaymsg's JSON answer, or None."""
        env = dict(os.environ, SWAYSOCK=self.ipc or "")
        r = subprocess.run(["swaymsg", "-r"] + list(args), env=env, capture_output=True,
                           text=True, timeout=10)
        if r.returncode != 0:
            return None
        return json.loads(r.stdout) if r.stdout.strip() else {}

    def command(self, text):
        return self.msg(text)

    def views(self):
        """Every window in the tree, with the workspace it is on."""
        found = []

        def walk(node, workspace):
            if node.get("type") == "workspace":
                workspace = node.get("name")
            if node.get("pid") and node.get("type") in ("con", "floating_con"):
                found.append(dict(node, workspace=workspace))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child, workspace)
        tree = self.msg("-t", "get_tree")
        if tree:
            walk(tree, None)
        return found

    def focused_workspace(self):
        for w in self.msg("-t", "get_workspaces") or []:
            if w.get("focused"):
                return w.get("name")
        return None

    def close(self):
        end_process(self.process)
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


class Keyboard:
    """A virtual keyboard that stays plugged in for the whole run (a wtype
    that only waits), as a player's keyboard is: the seat has a keyboard, so
    the window gets and keeps the keyboard focus between key presses."""

    def __init__(self, sway):
        self.process = subprocess.Popen(["wtype", "-s", "600000"], env=sway.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        end_process(self.process)


class WaylandProgram(Program):
    def __init__(self, args, sway, env=None):
        extra = {"WAYLAND_DISPLAY": sway.wayland, "DISPLAY": None}
        extra.update(env or {})
        super().__init__(args.zorrit, extra)
        self.sway = sway
        self.pid = self.process.pid

    def view(self):
        for v in self.sway.views():
            if v.get("pid") == self.pid:
                return v
        return None

    def find_window(self, timeout=8):
        def shown():
            v = self.view()
            return v if v and v.get("visible") and v["window_rect"]["width"] > 0 else None
        return wait_for(shown, timeout, 0.05)

    def shot(self, name="shot"):
        v = self.view()
        if not v:
            return None
        r, w = v["rect"], v["window_rect"]
        path = os.path.join(self.runtime, name + ".ppm")
        where = "%d,%d %dx%d" % (r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
        if self.tool("grim", "-t", "ppm", "-g", where, path).returncode != 0:
            return None
        return Shot(path)

    def screen(self, path):
        """The whole output as a PNG, decorations and all."""
        self.tool("grim", path)

    def key(self, key):
        self.hold(key, 0.1)

    def hold(self, key, seconds):
        # Each wtype is a keyboard of its own. Its first key waits a moment:
        # SDL 2.26 crashes when a virtual keyboard enters the window with a
        # key already down.
        self.tool("wtype", "-s", "250", "-P", key, "-s", str(int(seconds * 1000)), "-p", key)

    def tool(self, *command, timeout=10):
        return subprocess.run(list(command), env=self.sway.env, capture_output=True, text=True,
                              timeout=timeout)


def main_run(args, sway, sheet, x_display):
    """The session a player has: Wayland with an X server beside it
    (XWayland; here an Xvfb when there is one), and no SDL_VIDEODRIVER."""
    p = WaylandProgram(args, sway, {"DISPLAY": x_display.name} if x_display else {})
    try:
        started = time.monotonic()
        view = p.find_window()
        if not check(view is not None, "the window appears (a Wayland toplevel)"):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
            return
        check(view.get("shell") == "xdg_shell",
              "a native Wayland window, not XWayland (%s%s)"
              % (view.get("shell"), ", an X server beside it" if x_display else ""))
        check(view.get("name") == CAPTION, "caption is %s (%r)" % (CAPTION, view.get("name")))
        check(view.get("app_id") == args.app_id,
              "app_id names the desktop entry (%r)" % view.get("app_id"))
        size = view["window_rect"]
        check((size["width"], size["height"]) == (CLIENT_W, CLIENT_H),
              "content is %d x %d (%d x %d)" % (CLIENT_W, CLIENT_H, size["width"], size["height"]))
        check(view.get("type") == "floating_con",
              "the size is fixed: a tiling compositor lets it float (%s)" % view.get("type"))
        rect = view["rect"]
        centre = (rect["x"] + rect["width"] // 2, rect["y"] + rect["height"] // 2)
        cannot_check("centred by the program", "a Wayland client cannot place its window; "
                     "sway put its middle at %d,%d on a %d x %d output"
                     % (centre[0], centre[1], OUTPUT_W, OUTPUT_H))

        def logo_now():
            s = p.shot()
            return s if s and logo_problems(s) == [] else None
        if not check(wait_for(logo_now, 3, 0.02) is not None, "the logo is shown"):
            s = p.shot()
            print("      ", logo_problems(s) if s else "no screenshot")
        p.screen(os.path.join(tempfile.gettempdir(), "zorrit-e2e-wayland-logo.png"))

        wait_for(lambda: not logo_now(), 3, 0.02)
        time.sleep(4.3)
        title = p.shot().picture()
        p.screen(os.path.join(tempfile.gettempdir(), "zorrit-e2e-wayland-title.png"))
        check(black_share(title) < 0.98, "the title is drawn")
        view = p.view()
        # Server-side decorations are agreed on after the window is mapped.
        deco = view.get("deco_rect", {})
        check(view.get("border") == "normal" and deco.get("height", 0) > 0,
              "decorated: the compositor draws a title bar with the caption (%s, %d dots high)"
              % (view.get("border"), deco.get("height", 0)))
        check(view and view.get("focused"), "the window has the keyboard focus")
        p.key("space")

        def differs_from_title():
            now = p.shot().picture()
            return sum(1 for i in range(0, len(now), 3) if now[i:i + 3] != title[i:i + 3]) > 3000
        check(wait_for(differs_from_title, 1.5), "space starts the wipe")
        time.sleep(1.8)

        head = sheet.sprite(0, 0, 16, 16)

        def head_places(name):
            """Where the head shows, from the first of a few shots that shows
            it (the paw may pass over it)."""
            return wait_for(lambda: sprite_places(p.shot(name), head), 0.5, 0.02) or set()
        # A second try when the head met the ball or the wall on the way (or
        # a loaded machine dropped frames); arrows that do nothing fail both.
        moves = []
        for _ in range(2):
            before = head_places("before-right")
            p.hold("Right", 0.4)
            time.sleep(0.3)
            moves.append(sideways_move(before, head_places("after-right")))
            if moves[-1] is not None and moves[-1] >= 8:
                break
        if not check(moves[-1] is not None and moves[-1] >= 8,
                     "the right arrow moves the head right (by %s dots)"
                     % " then ".join(str(m) for m in moves)):
            p.keep("before-right", "after-right")
        p.screen(os.path.join(tempfile.gettempdir(), "zorrit-e2e-wayland-play.png"))

        # A second copy leaves with 0 and asks for the first to be brought
        # forward. Whether it is, is the compositor's policy: sway's default
        # marks the window urgent; told to, it focuses it.
        sway.command("workspace 2")
        hidden = p.view()
        second = p.second_copy()
        check(second.returncode == 0 and not second.stderr,
              "a second copy exits with 0 silently (%d)" % second.returncode)
        urgent = wait_for(lambda: (p.view() or {}).get("urgent"), 3)
        check(hidden and not hidden.get("visible") and urgent,
              "the second copy asks the compositor for the first (sway's default: urgent)")
        sway.command("focus_on_window_activation focus")
        second = p.second_copy()
        front = wait_for(lambda: (p.view() or {}).get("focused") and
                         sway.focused_workspace() == "1", 3)
        check(second.returncode == 0 and front,
              "the second copy brings the first to the front (sway told to focus it)")
        cannot_check("raised by the program itself",
                     "on Wayland the compositor decides; the X11 run checks the raise")

        # Escape: the overlay, and the game stands still; Escape again quits.
        time.sleep(0.3)
        p.key("Escape")
        time.sleep(0.3)
        a = p.shot("overlay-a").picture()
        time.sleep(0.3)
        b = p.shot("overlay-b").picture()
        check(a == b and black_share(a) > 0.5, "Escape opens the overlay and the game stands still")
        p.screen(os.path.join(tempfile.gettempdir(), "zorrit-e2e-wayland-overlay.png"))
        p.key("Escape")
        code = p.wait(5)
        if not check(code == 0, "Escape twice ends the program with 0 (%s)" % code):
            print("       stderr %r" % p.stderr()[-400:])
        err = p.stderr()
        check(not {"aa", "ii"} & set(err.splitlines()),
              "without a debugger activation changes write nothing (%r)" % err[-200:])
        cannot_check("minimising freezes the game",
                     "xdg-shell tells a client nothing when it is minimised, and sway has no "
                     "minimising; the X11 run checks it")
        cannot_check("the menu and the About box",
                     "no pointer device can be simulated here (Debian 12 has no virtual-pointer "
                     "tool for sway); the X11 run checks them")
        print("       whole run %.1f s; the whole output at the logo, the title, in play and paused: "
              "%s" % (time.monotonic() - started,
                      os.path.join(tempfile.gettempdir(), "zorrit-e2e-wayland-*.png")))
    finally:
        p.stop()


def no_seat_run(args):
    """A compositor without a seat (headless weston has no input devices): SDL
    2.26's Wayland driver crashed on it. Asked for by name, Wayland fails
    cleanly; left to choose, the program never hands it to SDL."""
    if not shutil.which("weston"):
        cannot_check("no crash without a seat", "weston is not installed")
        return
    runtime, as_owner = private_runtime("zorrit-weston-")
    weston = subprocess.Popen(as_owner + ["weston", "--backend=headless-backend.so",
                                          "--socket=wayland-e2e", "--idle-time=0"],
                              env=compositor_env(runtime), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        socket = os.path.join(runtime, "wayland-e2e")
        if not check(wait_for(lambda: os.path.exists(socket), 10, 0.05), "headless weston starts"):
            return
        for asked in ("wayland", None):
            p = Program(args.zorrit, {"WAYLAND_DISPLAY": socket, "DISPLAY": None,
                                      "SDL_VIDEODRIVER": asked})
            try:
                code = p.wait(10)
                check(code == 1 and "dxdraw" in p.stderr(),
                      "a compositor without a seat, SDL_VIDEODRIVER=%s: no crash, exit 1 and "
                      "\"dxdraw\" (%s)" % (asked or "(unset)", code))
            finally:
                p.stop()
    finally:
        end_process(weston)
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--sheet", required=True)
    parser.add_argument("--app-id", required=True)
    args = parser.parse_args()
    if missing_tool("sway", "swaymsg", "wtype", "grim"):
        return 77
    sheet = Sheet(args.sheet)
    no_seat_run(args)
    x_display = Display() if shutil.which("Xvfb") and shutil.which("xprop") else None
    sway = keyboard = None
    try:
        sway = Sway()
        keyboard = Keyboard(sway)
        main_run(args, sway, sheet, x_display)
    finally:
        if keyboard:
            keyboard.close()
        if sway:
            sway.close()
        if x_display:
            x_display.close()
    return summary("wayland")


if __name__ == "__main__":
    sys.exit(main())
