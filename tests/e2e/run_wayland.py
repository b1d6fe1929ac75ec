#!/usr/bin/env python3
"""The desktop program as a native Wayland client, end to end:
    run_wayland.py --zorrit PATH --app-id ID
A private headless sway (no input devices, software rendering) runs it with
no SDL_VIDEODRIVER and an X server beside it (an Xvfb for XWayland), as a
player's session would: wtype types, grim takes pictures, swaymsg reads the
window's title and size. A compositor without a seat (headless
weston) must not crash it. Exit status 77: tools missing (skipped).
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
from e2e_support import (CAPTION, CLIENT_H, CLIENT_W, Program, Shot, black_share, check,
                         end_process, logo_problems, missing_tool, summary, wait_for)


def private_runtime(prefix):
    """A runtime folder, and the command prefix that runs as its owner: as root,
    sway refuses to start, so compositors run as nobody (clients reach the
    socket by its absolute path)."""
    runtime = tempfile.mkdtemp(prefix=prefix)
    if os.geteuid() != 0:
        return runtime, []
    nobody = pwd.getpwnam("nobody")
    os.chown(runtime, nobody.pw_uid, nobody.pw_gid)
    return runtime, ["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid,
                     "--clear-groups"]


def compositor(runtime, command, **env):
    """The compositor `command` on `runtime`, run as the folder's owner."""
    env = {k: v for k, v in dict(os.environ, XDG_RUNTIME_DIR=runtime, **env).items()
           if k not in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK")}
    return subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Sway:
    """A headless sway with one 1024 x 768 output, no XWayland."""

    def __init__(self):
        self.runtime, as_owner = private_runtime("zorrit-sway-")
        with open(os.path.join(self.runtime, "config"), "w") as f:
            f.write("output HEADLESS-1 resolution 1024x768\nxwayland disable\n")
        self.process = compositor(self.runtime, as_owner + ["sway", "-c", f.name],
                                  WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                                  WLR_RENDERER="pixman")

        def ready():
            sockets = [p for p in glob.glob(self.runtime + "/wayland-*") if not p.endswith(".lock")]
            self.ipc = (glob.glob(self.runtime + "/sway-ipc.*.sock") + [""])[0]
            return sockets and self.ipc and self.msg("-t", "get_version") is not None and sockets[0]
        self.wayland = wait_for(ready, 15, 0.1)
        if not self.wayland:
            raise RuntimeError("sway did not start (status %s)" % self.process.poll())
        # The tools reach it through these, the program through WAYLAND_DISPLAY only.
        self.env = dict(os.environ, WAYLAND_DISPLAY=self.wayland, SWAYSOCK=self.ipc)
        self.env.pop("DISPLAY", None)

    def msg(self, *args):
        """swaymsg's JSON answer, or None."""
        r = subprocess.run(["swaymsg", "-r", *args], env=dict(os.environ, SWAYSOCK=self.ipc),
                           capture_output=True, text=True, timeout=10)
        return (json.loads(r.stdout) if r.stdout.strip() else {}) if r.returncode == 0 else None

    def close(self):
        end_process(self.process)
        shutil.rmtree(self.runtime, ignore_errors=True)


class WaylandProgram(Program):
    def __init__(self, args, sway, env=None):
        super().__init__(args.zorrit, dict({"WAYLAND_DISPLAY": sway.wayland, "DISPLAY": None},
                                           **(env or {})))
        self.sway = sway

    def view(self):
        """The program's window in sway's tree ({} when there is none)."""
        nodes = [self.sway.msg("-t", "get_tree") or {}]
        while nodes:
            node = nodes.pop()
            if node.get("pid") == self.process.pid and node.get("type") in ("con", "floating_con"):
                return node
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])
        return {}

    def find_window(self, timeout=8):
        return wait_for(lambda: (lambda v: v if v.get("visible") and v["window_rect"]["width"] else None)(
            self.view()), timeout, 0.05)

    def shot(self):
        v, path = self.view(), os.path.join(self.runtime, "shot.ppm")
        if not v:
            return None
        r, w = v["rect"], v["window_rect"]
        where = "%d,%d %dx%d" % (r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
        return Shot(path) if self.tool("grim", "-t", "ppm", "-g", where, path).returncode == 0 else None

    def key(self, key):
        # Each wtype is a keyboard of its own; its first key waits a moment: SDL 2.26
        # crashes when a virtual keyboard enters the window with a key already down.
        self.tool("wtype", "-s", "250", "-P", key, "-s", "100", "-p", key)

    def tool(self, *command, timeout=10):
        return subprocess.run(command, env=self.sway.env, capture_output=True, text=True,
                              timeout=timeout)


def main_run(args, sway, x_display):
    """A player's session: Wayland, an X server beside it, no SDL_VIDEODRIVER."""
    p = WaylandProgram(args, sway, {"DISPLAY": x_display.name})
    try:
        view = p.find_window()
        if not check(view is not None, "the window appears (a Wayland toplevel)"):
            return
        # A native window (not XWayland) of fixed size: a tiling compositor lets it float.
        seen = (view.get("shell"), view.get("name"), view.get("app_id"), view["window_rect"]["width"],
                view["window_rect"]["height"], view.get("type"))
        check(seen == ("xdg_shell", CAPTION, args.app_id, CLIENT_W, CLIENT_H, "floating_con"),
              "an xdg_shell window with caption, app_id and size, floating %s" % (seen,))

        def logo():
            s = p.shot()
            return s is not None and logo_problems(s) == []
        check(wait_for(logo, 3, 0.02), "the logo is shown, dot for dot")
        wait_for(lambda: not logo(), 3, 0.02)
        time.sleep(4.3)
        title = p.shot().picture()
        p.key("space")

        check(black_share(title) < 0.98 and wait_for(lambda: (lambda now: sum(
            now[i:i + 3] != title[i:i + 3] for i in range(0, len(now), 3)))(p.shot().picture()) > 3000, 1.5),
              "space starts the game")
        time.sleep(1.5)
        # Escape: the overlay, and the game stands still; Escape again quits.
        p.key("Escape")
        time.sleep(0.3)
        a = p.shot().picture()
        time.sleep(0.3)
        check(a == p.shot().picture() and black_share(a) > 0.5, "Escape opens the overlay; the game stands still")
        p.key("Escape")
        check(p.wait(5) == 0, "Escape twice ends the program with 0")
    finally:
        p.stop()


def no_seat_run(args):
    """Headless weston has no seat, on which SDL 2.26's Wayland driver crashed: asked
    for by name, Wayland fails cleanly; left to choose, the program never hands it to SDL."""
    runtime, as_owner = private_runtime("zorrit-weston-")
    weston = compositor(runtime, as_owner + ["weston", "--backend=headless-backend.so",
                                             "--socket=wayland-e2e", "--idle-time=0"])
    try:
        socket = os.path.join(runtime, "wayland-e2e")
        check(wait_for(lambda: os.path.exists(socket), 10, 0.05), "headless weston starts")
        for asked in ("wayland", None):
            p = Program(args.zorrit, {"WAYLAND_DISPLAY": socket, "DISPLAY": None,
                                      "SDL_VIDEODRIVER": asked})
            code = p.wait(10)
            check(code == 1 and "dxdraw" in p.stderr(), "a compositor without a seat, "
                  "SDL_VIDEODRIVER=%s: no crash, exit 1 and \"dxdraw\" (%s)" % (asked, code))
            p.stop()
    finally:
        end_process(weston)
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    for name in ("--zorrit", "--app-id"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    if missing_tool("sway", "swaymsg", "wtype", "grim", "weston", "Xvfb"):
        return 77
    no_seat_run(args)
    x_display, sway = Display(), Sway()
    # A keyboard plugged in all along (a wtype that waits): the window keeps the focus.
    keyboard = subprocess.Popen(["wtype", "-s", "600000"], env=sway.env)
    try:
        main_run(args, sway, x_display)
    finally:
        end_process(keyboard)
        sway.close()
        x_display.close()
    return summary("wayland")


if __name__ == "__main__":
    sys.exit(main())
