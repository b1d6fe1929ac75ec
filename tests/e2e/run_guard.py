#!/usr/bin/env python3
"""End-to-end checks of the instance guard and of failed starts, on the real
desktop program under a private Xvfb display.

    run_guard.py --zorrit PATH

A local process must not be able to end the running copy or lock later
copies out through the guard's socket or lock, and every failed start says
why on standard error. Activation lines appear only under a debugger.
Exit status: 0 all passed, 1 a check failed, 77 the X tools are missing.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from e2e_support import check, missing_tool, summary, wait_for
from run_e2e import Display, XProgram as Program

LOCK = os.path.join("zorrit", "brinelight.lock")
CHANNEL = os.path.join("zorrit", "map_brinelight.sock")
NOBODY = 65534


def holders(path):
    """Pids of the processes that have `path` open."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            fds = os.listdir("/proc/%s/fd" % pid)
        except OSError:
            continue
        for fd in fds:
            try:
                if os.readlink("/proc/%s/fd/%s" % (pid, fd)) == path:
                    found.append(int(pid))
                    break
            except OSError:
                pass
    return found


def close_on_exec(pid, path):
    """1 when process `pid` has `path` open, and only close-on-exec."""
    found = 0
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)) != path:
                continue
            flags = [l for l in open("/proc/%d/fdinfo/%s" % (pid, fd)) if l.startswith("flags:")]
        except OSError:
            continue
        if not flags or not int(flags[0].split()[1], 8) & os.O_CLOEXEC:
            return 0
        found = 1
    return found


def copies_in(runtime, zorrit):
    """Pids of this program's processes started with `runtime` as their
    runtime folder (a message box's helper process among them)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink("/proc/%s/exe" % pid) != os.path.realpath(zorrit):
                continue
            env = open("/proc/%s/environ" % pid, "rb").read().split(b"\0")
        except OSError:
            continue
        if ("XDG_RUNTIME_DIR=" + runtime).encode() in env:
            found.append(int(pid))
    return found


def alive(p):
    return p.process.poll() is None


def hangup_run(args, display):
    """A same-user process connects to the channel, sends a byte and hangs
    up at once; then several connect and say nothing."""
    p = Program(args, display)
    silent = []
    try:
        if not check(p.find_window() is not None, "hang-up run: the window appears"):
            return
        check(close_on_exec(p.process.pid, os.path.join(p.runtime, LOCK)),
              "the lock's descriptor is close-on-exec")
        path = os.path.join(p.runtime, CHANNEL)
        for _ in range(3):
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.connect(path)
            s.send(b"S")
            s.close()
        time.sleep(1.0)
        check(alive(p), "a client that sends a byte and hangs up leaves the game running (%s)"
              % p.process.poll())
        if not alive(p):
            return
        # Peers that connect and say nothing do not keep a real request from
        # being answered within the 2 s a second copy waits.
        for _ in range(8):
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.connect(path)
            silent.append(s)
        asking = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        asking.settimeout(2.0)
        try:
            asking.connect(path)
            asking.send(b"S")
            answer = asking.recv(1)
        except OSError as e:
            answer = repr(e)
        finally:
            asking.close()
        check(answer == b"K", "with eight silent peers connected a request is still answered (%r)"
              % answer)
        check(alive(p), "and the game still runs")
    finally:
        for s in silent:
            s.close()
        p.stop()


def stopped_run(args, display):
    """A second copy gives up on a stopped first copy; the first then goes on."""
    p = Program(args, display)
    try:
        if not check(p.find_window() is not None, "stopped run: the window appears"):
            return
        p.process.send_signal(signal.SIGSTOP)
        started = time.monotonic()
        second = subprocess.run([args.zorrit], env=p.env, capture_output=True, timeout=10)
        took = time.monotonic() - started
        check(second.returncode == 0 and not second.stderr,
              "a second copy against a stopped first exits 0 silently (%d after %.2f s)"
              % (second.returncode, took))
        p.process.send_signal(signal.SIGCONT)
        time.sleep(1.0)
        check(alive(p), "after SIGCONT the first copy is still running (%s)" % p.process.poll())
    finally:
        p.stop()


def box_run(args, display):
    """The display fails after the guard is taken while a box can be shown;
    the game is ended while the box is up. Nothing keeps the lock."""
    p = Program(args, display, {"SDL_VIDEODRIVER": "wayland", "WAYLAND_DISPLAY": "zorrit-none"})
    runtime = p.runtime
    later = None
    try:
        box = wait_for(lambda: p.tool("xwininfo", "-name", "error").returncode == 0, 8)
        check(box, "fatal start-up: the \"error\" box is shown (status %s, stderr %r)"
              % (p.process.poll(), p.stderr()[-200:]))
        err = p.stderr()
        check(err.startswith("error: dxdraw (") and err.count("\n") == 1,
              "the reason is one line on standard error (%r)" % err)
        if p.process.poll() is None:
            p.process.send_signal(signal.SIGTERM)
            p.wait(5)
        lock = os.path.join(runtime, LOCK)
        held = holders(lock)
        check(not held, "after SIGTERM no process holds the lock (%s)" % held)
        # The next start, in the same runtime folder, opens its window.
        later = Program(args, display, runtime=runtime)
        check(later.find_window() is not None, "the next start opens its window (status %s)"
              % later.process.poll())
        if later.window:
            later.choose("Close")
            later.wait(5)
    finally:
        for pid in copies_in(runtime, args.zorrit):
            os.kill(pid, signal.SIGKILL)
        if later:
            later.stop()
        p.stop()  # removes the shared runtime folder


def as_user(uid):
    """Runs the child as `uid` (only root can; None otherwise)."""
    if os.getuid() != 0:
        return None
    return lambda: (os.setgroups([]), os.setgid(uid), os.setuid(uid))


def failed_start(args, env, what, expect, user=None):
    """Starts the program without a display in `env` (as another user when
    `user` is given); checks status 1 and one line "error: ..." holding
    `expect`."""
    env = dict(env)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    env["SDL_AUDIODRIVER"] = "dummy"
    try:
        r = subprocess.run([args.zorrit], env=env, capture_output=True, text=True, timeout=10,
                           preexec_fn=user)
    except subprocess.TimeoutExpired:
        check(False, "%s: the program ends" % what)
        return
    lines = r.stderr.splitlines()
    check(r.returncode == 1 and len(lines) == 1 and lines[0].startswith("error: ") and
          expect in lines[0], "%s: status 1 and the reason (%d, %r)" % (what, r.returncode, r.stderr))


def runtime_folder_runs(args):
    """Each unusable runtime folder ends the start with status 1 and a reason."""
    scratch = tempfile.mkdtemp(prefix="zorrit-guard-")
    os.chmod(scratch, 0o755)
    user = as_user(NOBODY)
    uid = NOBODY if user else os.getuid()
    base = dict(os.environ)
    if user:
        # The build tree may be closed to other users (under /root, say).
        copy = os.path.join(scratch, "zorrit")
        shutil.copy(args.zorrit, copy)
        os.chmod(copy, 0o755)
        args = argparse.Namespace(**dict(vars(args), zorrit=copy))
    try:
        missing = os.path.join(scratch, "missing")
        failed_start(args, dict(base, XDG_RUNTIME_DIR=missing), "a missing runtime folder",
                     missing, user)

        readonly = os.path.join(scratch, "readonly")
        os.mkdir(readonly, 0o555)  # its owner (root, or this user) may not write either
        os.chmod(readonly, 0o555)
        failed_start(args, dict(base, XDG_RUNTIME_DIR=readonly), "a read-only runtime folder",
                     readonly, user)

        long = os.path.join(scratch, *(["d" * 40] * 4))
        os.makedirs(long)
        if user:
            os.chown(long, NOBODY, NOBODY)
        failed_start(args, dict(base, XDG_RUNTIME_DIR=long), "a runtime folder path too long",
                     "too long", user)

        fallback = "/tmp/zorrit-%d" % uid
        env = dict(base)
        env.pop("XDG_RUNTIME_DIR", None)
        if not user:
            print("       skipped: the /tmp folder of another user (needs root)")
        elif os.path.lexists(fallback):
            print("       skipped: %s exists already" % fallback)
        else:
            try:
                os.mkdir(fallback, 0o700)  # root's, not nobody's
                failed_start(args, env, "%s made by another user" % fallback, fallback, user)
                check(os.listdir(fallback) == [], "nothing was made in the other user's folder")
                os.rmdir(fallback)
                target = os.path.join(scratch, "target")
                os.mkdir(target, 0o700)
                os.chown(target, NOBODY, NOBODY)
                os.symlink(target, fallback)
                failed_start(args, env, "%s as a link" % fallback, fallback, user)
                check(os.listdir(target) == [], "nothing was made through the link")
            finally:
                if os.path.islink(fallback):
                    os.unlink(fallback)
                elif os.path.isdir(fallback):
                    shutil.rmtree(fallback, ignore_errors=True)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def no_display_run(args):
    runtime = tempfile.mkdtemp(prefix="zorrit-guard-")
    try:
        failed_start(args, dict(os.environ, XDG_RUNTIME_DIR=runtime), "without a display",
                     "dxdraw (no display: ")
    finally:
        shutil.rmtree(runtime, ignore_errors=True)


def activation_runs(args, display):
    """Focus changes write nothing to standard error, unless a debugger is
    attached (strace here), which then sees "aa" and "ii"."""
    for traced in (False, True):
        if traced and not shutil.which("strace"):
            print("       skipped: strace is not installed")
            return
        strace = ("strace", "-f", "-qq", "-e", "trace=none", "-o", os.devnull)
        p = Program(args, display, prefix=strace if traced else ())
        try:
            if not check(p.find_window() is not None, "activation run: the window appears"):
                continue
            time.sleep(1.3)  # past the logo: messages are handled again
            for _ in range(2):
                p.tool("xdotool", "windowunmap", "--sync", p.window)
                time.sleep(0.3)
                p.tool("xdotool", "windowmap", "--sync", p.window)
                time.sleep(0.2)
                p.focus()
                time.sleep(0.3)
            p.process.send_signal(signal.SIGTERM)
            p.wait(5)
            # Only the activation lines are looked for: what the window
            # system may say on the way out is not this check's business.
            lines = p.stderr().splitlines()
            written = [line for line in lines if line in ("aa", "ii")]
            if traced:
                check("aa" in written and "ii" in written,
                      "under a debugger the activation lines are written (%r)" % lines[-6:])
            else:
                check(written == [], "without a debugger focus changes write nothing (%r)"
                      % lines[-6:])
        finally:
            p.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    args = parser.parse_args()
    args.xshot = None
    if missing_tool("Xvfb", "xdotool", "xwininfo", "xprop"):
        return 77
    no_display_run(args)
    runtime_folder_runs(args)
    display = Display()
    try:
        hangup_run(args, display)
        stopped_run(args, display)
        box_run(args, display)
        activation_runs(args, display)
    finally:
        display.close()
    return summary("guard")


if __name__ == "__main__":
    sys.exit(main())
