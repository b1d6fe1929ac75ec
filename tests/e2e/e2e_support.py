"""What the end-to-end runs share, whichever window system they drive: checks,
bounded waits, screenshots, the game's pictures, the program in its own runtime."""
import os
import shutil
import struct
import subprocess
import tempfile
import time

CLIENT_W, CLIENT_H = 322, 260     # 320 x 240 picture, one-dot margin, 18-dot menu bar
PICTURE = (1, 19)                 # the picture's corner in the window
LOGO_FILL, LOGO_OUTLINE = (240, 240, 240), (0, 0, 240)
CAPTION = "[ Zorrit ] Brinelight"
failures, passes = [], []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    (passes if condition else failures).append(what)
    return condition


def summary(name):
    """The closing line, and the exit status: 0 all passed, 1 a check failed."""
    print("%s: %d passed, %d failed" % (name, len(passes), len(failures)))
    return 1 if failures else 0


def wait_for(predicate, timeout, step=0.05):
    """Polls predicate until it returns something true; that value, or None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > end:
            return value or None
        time.sleep(step)


class Shot:
    """A screenshot of the window (from a binary PPM file): width, height, RGB rows."""

    def __init__(self, path=None, w=0, h=0, rgb=b""):
        if path:
            parts = open(path, "rb").read().split(b"\n", 3)
            (w, h), rgb = map(int, parts[1].split()), parts[3]
        self.w, self.h, self.rgb = w, h, rgb

    def dot(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def picture_dot(self, x, y):
        return self.dot(PICTURE[0] + x, PICTURE[1] + y)

    def picture(self):
        """Picture dots as bytes, the frame-rate figure's corner blanked."""
        starts = (((PICTURE[1] + y) * self.w + PICTURE[0]) * 3 for y in range(240))
        rows = (self.rgb[s:s + 320 * 3] for s in starts)
        return b"".join(r[:280 * 3] + bytes(40 * 3) if y < 16 else r for y, r in enumerate(rows))


def black_share(picture):
    return sum(1 for i in range(0, len(picture), 3) if picture[i:i + 3] == b"\0\0\0") * 3 / len(picture)


class Sheet:
    """The game's sprite sheet (an 8-bit BMP), for finding the head on screen."""

    def __init__(self, path):
        d = open(path, "rb").read()
        offset, header, w, h = struct.unpack_from("<IIii", d, 10)
        colours = struct.unpack_from("<I", d, 46)[0] or 256
        palette = [tuple(d[14 + header + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
        row = lambda y: offset + (abs(h) - 1 - y if h > 0 else y) * ((w + 3) // 4 * 4)  # 8-bit rows
        self.dots = {(x, y): palette[d[row(y) + x]] for y in range(abs(h)) for x in range(w)}

    def sprite(self, left, top, right, bottom):
        """The sprite's visible dots: (dx, dy, rgb)."""
        return [(x - left, y - top, self.dots[(x, y)]) for y in range(top, bottom)
                for x in range(left, right) if self.dots[(x, y)] != (0, 0, 0)]


def sprite_places(shot, sprite):
    """Every picture position where at least 70 % of the sprite's dots match
    (the tail may cover part of the head)."""
    (ax, ay, ac), places = sprite[0], set()
    for y in range(240 - 16):
        for x in range(320 - 16):
            if shot.picture_dot(x + ax, y + ay) == ac and \
               sum(shot.picture_dot(x + dx, y + dy) == c for dx, dy, c in sprite) >= 0.7 * len(sprite):
                places.add((x, y))
    return places


def sideways_move(before, after):
    """How far the sprite moved right: the mean x of the places it took minus
    that of the places it left (None without either); still look-alikes cancel out."""
    left, took = before - after, after - before
    if not left or not took:
        return None
    return sum(x for x, _ in took) / len(took) - sum(x for x, _ in left) / len(left)


def logo_problems(shot):
    """What is wrong with the logo screen ([] when nothing): only the logo's fill
    and outline, only in its 128 x 16 canvas in the middle, fill on rows 3 to 13."""
    lit = {(x, y): c for y in range(240) for x in range(320) for c in [shot.picture_dot(x, y)] if any(c)}
    rows = {y - 112 for (x, y), c in lit.items() if c == LOGO_FILL}
    stray = [k for k, c in lit.items() if not (96 <= k[0] < 224 and 112 <= k[1] < 128 and
                                               c in (LOGO_FILL, LOGO_OUTLINE))]
    if stray or not rows or (min(rows), max(rows)) != (3, 13) or LOGO_OUTLINE not in lit.values():
        return ["%d dots astray, fill on rows %s" % (len(stray), sorted(rows))]
    return []


def missing_tool(*tools):
    """The first of `tools` not installed (the run is then skipped: status 77), or None."""
    for tool in tools:
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return tool
    return None


def end_process(process, grace=5):
    """Asks a helper process to end; kills it when it has not after `grace` seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Program:
    """The real program in its own XDG_RUNTIME_DIR (its instance lock meets nobody
    else's) or a `runtime` shared, SDL's dummy audio, `env` set (None removes)."""

    def __init__(self, zorrit, env=None, runtime=None, prefix=()):
        self.zorrit = zorrit
        self.runtime = runtime or tempfile.mkdtemp(prefix="zorrit-e2e-")
        os.chmod(self.runtime, 0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy")
        self.env.pop("SDL_VIDEODRIVER", None)
        for name, value in (env or {}).items():
            if value is None:
                self.env.pop(name, None)
            else:
                self.env[name] = value
        self.errors = tempfile.TemporaryFile("w+", prefix="zorrit-e2e-stderr-")
        self.process = subprocess.Popen(list(prefix) + [zorrit], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=self.errors)

    def tool(self, *command, timeout=10):
        return subprocess.run(list(command), env=self.env, capture_output=True, text=True,
                              timeout=timeout)

    def second_copy(self):
        """Starts another copy in the same runtime folder and waits for it."""
        return subprocess.run([self.zorrit], env=self.env, capture_output=True, timeout=10)

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
