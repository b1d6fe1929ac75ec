"""A private PulseAudio sound server with a null sink, a recorder of the sink's
monitor, exact key presses through XTEST, and the game's frame log; shared by
the sound end-to-end test and the audio latency measurement.

Nothing here touches system-wide state: the daemon runs with its own HOME,
XDG_RUNTIME_DIR, PULSE_RUNTIME_PATH and state folder under one temporary
folder, loads no default script (-n) and serves one native socket in that
folder. It works as root (--system=no keeps it a per-user daemon).
"""
import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import wave

from e2e_support import end_process

RATE = 11025          # the game's device rate; the monitor is recorded at it
FRAME = 0.020         # one game frame, in seconds
BYTES_PER_SAMPLE = 2  # s16le mono


def tools_missing():
    """The names of the sound tools that are not installed."""
    return [t for t in ("pulseaudio", "parec", "pacat", "pactl") if not shutil.which(t)]


def wait_until(predicate, timeout, step=0.02):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class PulseServer:
    """pulseaudio -n with module-null-sink "zorrit" and a private native socket."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zorrit-pulse-")
        os.chmod(self.root, 0o700)
        self.home = os.path.join(self.root, "home")
        self.runtime = os.path.join(self.root, "runtime")
        self.state = os.path.join(self.root, "state")
        for d in (self.home, self.runtime, self.state):
            os.makedirs(d, mode=0o700)
        self.socket = os.path.join(self.runtime, "native")
        self.server = "unix:" + self.socket
        script = os.path.join(self.root, "zorrit.pa")
        with open(script, "w") as f:
            f.write("load-module module-null-sink sink_name=zorrit rate=44100 channels=2\n"
                    "load-module module-null-sink sink_name=probe rate=44100 channels=2\n"
                    "load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    "set-default-sink zorrit\n" % self.socket)
        # Only what the daemon needs: no DISPLAY (no X11 modules, no D-Bus
        # autolaunch), no session bus, the private folders.
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
                    "XDG_RUNTIME_DIR": self.runtime, "PULSE_RUNTIME_PATH": self.runtime,
                    "PULSE_STATE_PATH": self.state,
                    "XDG_CONFIG_HOME": os.path.join(self.home, ".config")}
        self.log = open(os.path.join(self.root, "daemon.log"), "w+")
        self.process = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "-n",
             "--file=" + script, "--disallow-exit", "--disallow-module-loading",
             "--use-pid-file=no", "--log-target=stderr", "--log-level=warning"],
            env=self.env, cwd=self.root, stdin=subprocess.DEVNULL, stdout=self.log,
            stderr=self.log, start_new_session=True)
        if not wait_until(self.answers, 10, 0.05):
            self.stop()
            raise RuntimeError("the private PulseAudio did not start: " + self.daemon_log())

    def client_env(self):
        """What a client needs to reach this server and nothing else."""
        return {"PULSE_SERVER": self.server, "PULSE_CLIENTCONFIG": os.devnull}

    def answers(self):
        if self.process.poll() is not None:
            return False
        r = subprocess.run(["pactl", "--server", self.server, "info"], env=self.env,
                           capture_output=True, text=True, timeout=10)
        return r.returncode == 0 and "Default Sink: zorrit" in r.stdout

    def sink_latency_ms(self):
        """The null sink's configured latency, from pactl (None if unknown)."""
        r = subprocess.run(["pactl", "--server", self.server, "list", "sinks"], env=self.env,
                           capture_output=True, text=True, timeout=10)
        for line in r.stdout.splitlines():
            line = line.strip()
            if line.startswith("Latency:") and "configured" in line:
                return int(line.split("configured")[1].split()[0]) / 1000.0
        return None

    def daemon_log(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-500:]

    def kill(self):
        """The server dies as in a crash: SIGKILL, no goodbye to clients."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(10)

    def stop(self):
        end_process(self.process)
        self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)


class Recorder:
    """parec on the null sink's monitor: signed 16-bit mono at RATE, read by a
    thread that notes when each piece arrived (monotonic seconds)."""

    def __init__(self, pulse, sink="zorrit"):
        self.data = bytearray()
        self.arrivals = []  # (samples received so far, monotonic time)
        self.process = subprocess.Popen(
            ["parec", "--server", pulse.server, "--device", sink + ".monitor", "--raw",
             "--format=s16le", "--channels=1", "--rate=%d" % RATE, "--latency-msec=5"],
            env=pulse.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.process.stdout.fileno()
        while True:
            piece = os.read(fd, 4096)
            if not piece:
                return
            now = time.monotonic()
            self.data += piece
            self.arrivals.append((len(self.data) // BYTES_PER_SAMPLE, now))

    def started(self):
        return len(self.data) > RATE // 10 * BYTES_PER_SAMPLE

    def samples(self):
        import numpy
        n = len(self.data) // BYTES_PER_SAMPLE
        return numpy.frombuffer(bytes(self.data[:n * BYTES_PER_SAMPLE]), "<i2").astype(float)

    def time_of_sample(self):
        """t0 (monotonic seconds): sample n reached the recorder no earlier than
        t0 + n / RATE. t0 is the lower edge of (arrival - samples / RATE) over
        all pieces, so a piece that arrived promptly fixes it."""
        return min(t - n / RATE for n, t in self.arrivals)

    def time_of(self, n):
        """When sample n reached the recorder (monotonic seconds), the sound
        server's clock taken as it is: the lower edge of (arrival - samples /
        RATE) is followed a second at a time and a line is fitted through it
        (the server's second differs from this process's by a few hundred
        parts per million, which over a minute is several milliseconds)."""
        edges, start, low = [], None, None
        for count, t in self.arrivals:
            offset = t - count / RATE
            if start is None or count - start >= RATE:
                if low is not None:
                    edges.append(low)
                start, low = count, (count, offset)
            elif offset < low[1]:
                low = (count, offset)
        if low is not None:
            edges.append(low)
        if len(edges) < 3:
            return self.time_of_sample() + n / RATE
        mean_n = sum(c for c, _ in edges) / len(edges)
        mean_o = sum(o for _, o in edges) / len(edges)
        slope = (sum((c - mean_n) * (o - mean_o) for c, o in edges) /
                 sum((c - mean_n) ** 2 for c, _ in edges))
        # The line through the lowest points: shift it down to touch them.
        base = min(o - slope * c for c, o in edges)
        return base + slope * n + n / RATE

    def stop(self):
        end_process(self.process)
        self.thread.join(5)


class Probe:
    """A plain client beside the game: pacat plays a steady tone into the
    "probe" sink through a stream buffered like the game's, and its monitor is
    recorded. Pieces of the tone that come out silent were lost because the
    machine did not feed the stream in time, whatever the game does."""

    def __init__(self, pulse, latency_ms, seconds):
        import numpy
        self.recorder = Recorder(pulse, "probe")
        tone = numpy.sin(2 * numpy.pi * 440 * numpy.arange(int(seconds * RATE)) / RATE) * 8000
        self.player = subprocess.Popen(
            ["pacat", "--server", pulse.server, "--device", "probe", "--playback", "--raw",
             "--format=s16le", "--channels=1", "--rate=%d" % RATE,
             "--latency-msec=%d" % latency_ms],
            env=pulse.env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.feeder = threading.Thread(target=self._feed, args=(tone.astype("<i2").tobytes(),),
                                       daemon=True)
        self.feeder.start()

    def _feed(self, data):
        try:
            self.player.stdin.write(data)
            self.player.stdin.close()
        except (BrokenPipeError, ValueError):
            pass

    def lost(self):
        """5 ms pieces of the tone that came out silent, between its first
        and its last sounding piece so far."""
        import numpy
        x = numpy.abs(self.recorder.samples())
        piece = int(0.005 * RATE)
        n = len(x) // piece
        if n == 0:
            return 0
        peaks = x[:n * piece].reshape(n, piece).max(axis=1)
        on = numpy.nonzero(peaks > 2000)[0]
        if len(on) == 0:
            return n
        return int((peaks[on[0]:on[-1]] < 2000).sum())

    def stop(self):
        if self.player.poll() is None:
            self.player.kill()
            self.player.wait()
        self.recorder.stop()


class XKeys:
    """Key presses through XTEST from this process (no xdotool start-up), so
    that the moment a key reaches the X server is known within a millisecond."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + display)

    def send(self, name, down):
        """Presses (down) or releases the key; returns the monotonic time by
        which the X server had it (after XSync)."""
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        self.x11.XSync(self.display, 0)
        return time.monotonic()

    def close(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None


class FrameLog:
    """The game's ZORRIT_FRAME_LOG, read while it runs: one present a line,
    microseconds of the monotonic clock. Present 0 is the logo; present N ends
    game frame N (the N-th frame wait)."""

    def __init__(self, path):
        self.path = path

    def presents(self):
        try:
            with open(self.path) as f:
                lines = f.read().split("\n")
        except OSError:
            return []
        return [int(v) / 1e6 for v in lines[:-1] if v.strip()]

    def wait_for_frame(self, frame, timeout):
        """Waits until present `frame` has happened; the list of presents."""
        def reached():
            p = self.presents()
            return p if len(p) > frame else None
        return wait_until(reached, timeout, 0.005)

    def frame_seen_by(self, t, presents):
        """The game frame whose pad first sees a key that reached the X server
        at monotonic time t: the wait that ends frame j (the last present at or
        before t) pumps it, and frame j + 2's steps see it."""
        j = sum(1 for p in presents if p <= t) - 1
        return j + 2


class KeyScript:
    """Presses keys half-way between two presents (far from the moments the
    game pumps its last messages before a frame), and writes down the frame
    each change reaches, as a replay script."""

    NAMES = {"space": "space", "Escape": "escape", "F1": "f1", "F2": "f2", "Left": "left",
             "Right": "right", "Up": "up", "Down": "down"}

    def __init__(self, keys, log):
        self.keys = keys
        self.log = log
        self.changes = []  # (monotonic time, held key names after the change, slack)
        self.held = []

    def at_frame(self, frame, timeout=30):
        """Waits for game frame `frame - 2` to end, then until the middle of
        the next frame period; returns that moment (so a key sent now is seen
        by game frame `frame`, unless this process was late)."""
        p = self.log.wait_for_frame(frame - 2, timeout)
        if not p:
            raise RuntimeError("the game did not reach frame %d" % frame)
        target = p[frame - 2] + FRAME / 2
        delay = target - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        return target

    def press(self, frame, *names):
        self.at_frame(frame)
        self.set_held(list(self.held) + list(names))

    def release(self, frame, *names):
        self.at_frame(frame)
        self.set_held([k for k in self.held if k not in names] if names else [])

    def set_held(self, names):
        before = time.monotonic()
        for k in self.held:
            if k not in names:
                self.keys.send(k, False)
        for k in names:
            if k not in self.held:
                self.keys.send(k, True)
        after = time.monotonic()
        self.held = list(names)
        self.changes.append((before, after, list(names)))

    def replay_script(self, presents):
        """The script whose replay sees the same keys in the same frames, and
        the smallest distance (s) of a key change from a frame's last pump."""
        lines, closest = [], 1.0
        for before, after, names in self.changes:
            frame = self.log.frame_seen_by(after, presents)
            if frame != self.log.frame_seen_by(before, presents):
                closest = 0.0
            end = presents[frame - 1] if frame - 1 < len(presents) else None
            if end is not None:
                closest = min(closest, end - after)
            lines.append("%d %s" % (frame, " ".join(self.NAMES[k] for k in names)))
        return "\n".join(lines) + "\n", closest


def read_wave_u8(path):
    """An 8-bit mono WAVE as signed floats (sample - 128)."""
    import numpy
    with wave.open(path) as w:
        if w.getsampwidth() != 1 or w.getnchannels() != 1:
            raise ValueError("%s: not 8-bit mono" % path)
        data = w.readframes(w.getnframes())
    return numpy.frombuffer(data, numpy.uint8).astype(float) - 128.0
