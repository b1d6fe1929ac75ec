"""What the end-to-end runs share, whichever window system they drive: the
checks' bookkeeping, bounded waits, screenshots of the window (binary PPM),
the game's pictures (logo, title, the head from the sprite sheet) and the
program run with its own runtime folder.
"""
import os
import shutil
import struct
import subprocess
import tempfile
import time

CLIENT_W, CLIENT_H = 322, 260     # 320 x 240 picture, one-dot margin, 18-dot menu bar
PICTURE = (1, 19)                 # the picture's corner in the window
MENU_TITLE = (12, 8)
MENU_ENTRY_Y = {"Reset": 30, "About": 48, "Close": 74}
MENU_ENTRY_X = 30
LOGO_FILL, LOGO_OUTLINE = (240, 240, 240), (0, 0, 240)
CAPTION = "[ Zorrit ] Brinelight"

failures = []
passes = []
uncheckable = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    (passes if condition else failures).append(what)
    return condition


def cannot_check(what, why):
    """A check this window system does not allow: said, never skipped silently."""
    print("n/a   %s: %s" % (what, why), flush=True)
    uncheckable.append(what)


def summary(name):
    """The closing line, and the exit status: 0 all passed, 1 a check failed."""
    if uncheckable:
        print("%d checks cannot be made here (n/a above)" % len(uncheckable))
    print("%s: %d passed, %d failed" % (name, len(passes), len(failures)))
    return 1 if failures else 0


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


def missing_tool(*tools):
    """The first of `tools` that is not installed (the run is then skipped
    with exit status 77, after saying so), or None."""
    for tool in tools:
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return tool
    return None


def end_process(process, grace=5):
    """Asks a helper process (server, recorder, virtual keyboard) to end, and
    kills it when it has not after `grace` seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Program:
    """One run of the real program with its own XDG_RUNTIME_DIR (so its
    instance lock meets nobody else's), stderr kept, SDL's dummy audio.
    env: variables to set (None removes one); runtime: an existing runtime
    folder to share (made afresh when None); prefix: a command the program
    is started under."""

    def __init__(self, zorrit, env=None, runtime=None, prefix=()):
        self.zorrit = zorrit
        self.runtime = runtime or tempfile.mkdtemp(prefix="zorrit-e2e-")
        os.chmod(self.runtime, 0o700)
        self.env = dict(os.environ)
        self.env.update({"XDG_RUNTIME_DIR": self.runtime, "SDL_AUDIODRIVER": "dummy"})
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
