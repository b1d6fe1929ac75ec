"""A private PulseAudio server with a null sink, a recorder of the sink's
monitor, key presses through XTEST and the game's frame log: shared by the
sound end-to-end test and bench/audio_latency.

The daemon keeps to one temporary folder (its HOME, runtime and state),
loads no default script (-n) and serves one native socket there; it runs as
root too (--system=no keeps it a per-user daemon).
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

from e2e_support import end_process, wait_for

RATE = 11025          # the game's device rate; the monitor is recorded at it
FRAME = 0.020         # one game frame, in seconds


def tools_missing():
    return [t for t in ("pulseaudio", "parec", "pactl") if not shutil.which(t)]


class PulseServer:
    """pulseaudio -n with the null sink "zorrit" as its default sink."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zorrit-pulse-")
        home, runtime = os.path.join(self.root, "home"), os.path.join(self.root, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        self.server = "unix:" + os.path.join(runtime, "native")
        script = os.path.join(self.root, "zorrit.pa")
        with open(script, "w") as f:
            f.write("load-module module-null-sink sink_name=zorrit rate=44100 channels=2\n"
                    "load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    "set-default-sink zorrit\n" % self.server[5:])
        # No DISPLAY and no session bus: no X11 modules, no D-Bus autolaunch.
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
                    "XDG_RUNTIME_DIR": runtime, "PULSE_RUNTIME_PATH": runtime,
                    "PULSE_STATE_PATH": self.root}
        self.log = open(os.path.join(self.root, "daemon.log"), "w+")
        self.process = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "-n",
             "--file=" + script, "--disallow-exit", "--disallow-module-loading",
             "--use-pid-file=no", "--log-target=stderr", "--log-level=warning"],
            env=self.env, cwd=self.root, stdin=subprocess.DEVNULL, stdout=self.log,
            stderr=self.log, start_new_session=True)

        def answers():
            return self.process.poll() is None and "Default Sink: zorrit" in subprocess.run(
                ["pactl", "--server", self.server, "info"], env=self.env, capture_output=True,
                text=True, timeout=10).stdout
        if not wait_for(answers, 10):
            self.log.seek(0)
            log = self.log.read()[-500:]
            self.stop()
            raise RuntimeError("the private PulseAudio did not start: " + log)

    def kill(self):
        """The server dies as in a crash: SIGKILL, no goodbye to clients."""
        self.process.send_signal(signal.SIGKILL)
        self.process.wait(10)

    def stop(self):
        end_process(self.process)
        self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)


class Recorder:
    """parec on the null sink's monitor, signed 16-bit mono at RATE, read by a
    thread that notes when each piece arrived."""

    def __init__(self, pulse):
        self.data = bytearray()
        self.arrivals = []  # (samples received so far, monotonic time)
        self.process = subprocess.Popen(
            ["parec", "--server", pulse.server, "--device", "zorrit.monitor", "--raw",
             "--format=s16le", "--channels=1", "--rate=%d" % RATE, "--latency-msec=5"],
            env=pulse.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            piece = os.read(self.process.stdout.fileno(), 4096)
            if not piece:
                return
            self.data += piece
            self.arrivals.append((len(self.data) // 2, time.monotonic()))

    def started(self):
        return len(self.data) > RATE // 5

    def samples(self):
        import numpy
        return numpy.frombuffer(bytes(self.data[:len(self.data) // 2 * 2]), "<i2").astype(float)

    def time_of_sample(self):
        """t0 (monotonic seconds): sample n reached the recorder no earlier
        than t0 + n / RATE, the edge a promptly arrived piece fixes."""
        return min(t - n / RATE for n, t in self.arrivals)

    def stop(self):
        end_process(self.process)
        self.thread.join(5)


class XKeys:
    """Key presses through XTEST from this process (no xdotool start-up), so
    that the moment a key reaches the X server is known within a millisecond."""

    def __init__(self, display):
        x11, self.xtst = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XStringToKeysym.restype = ctypes.c_ulong
        x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.x11, self.display = x11, x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + display)

    def send(self, name, down):
        """Presses (down) or releases the key, and waits until the X server has it."""
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        self.x11.XSync(self.display, 0)

    def close(self):
        self.x11.XCloseDisplay(self.display)


class FrameLog:
    """The game's ZORRIT_FRAME_LOG read while it runs: one present a line, in
    microseconds of the monotonic clock. Present 0 is the logo; present N
    ends game frame N."""

    def __init__(self, path):
        self.path = path

    def presents(self):
        try:
            with open(self.path) as f:
                return [int(v) / 1e6 for v in f.read().split("\n")[:-1] if v.strip()]
        except OSError:
            return []

    def wait_for_frame(self, frame, timeout):
        """The presents once present `frame` has happened (None after timeout)."""
        return wait_for(lambda: (lambda p: p if len(p) > frame else None)(self.presents()),
                        timeout, 0.005)


class KeyScript:
    """Changes the held keys half-way between two presents (far from the
    moments the game pumps its messages before a frame) and writes down the
    frame each change reached, as a replay script."""

    def __init__(self, keys, log):
        self.keys, self.log = keys, log
        self.changes = []  # (monotonic times before and after the change, keys held after it)
        self.held = []

    def at_frame(self, frame, timeout=30):
        """Waits until a key sent now is seen by game frame `frame`."""
        p = self.log.wait_for_frame(frame - 2, timeout)
        if not p:
            raise RuntimeError("the game did not reach frame %d" % frame)
        time.sleep(max(0.0, p[frame - 2] + FRAME / 2 - time.monotonic()))

    def hold(self, frame, *names):
        """From game frame `frame` on, exactly `names` (X key names) are held."""
        self.at_frame(frame)
        before = time.monotonic()
        for k in self.held:
            if k not in names:
                self.keys.send(k, False)
        for k in names:
            if k not in self.held:
                self.keys.send(k, True)
        self.held = list(names)
        self.changes.append((before, time.monotonic(), self.held))

    def replay_script(self, presents):
        """The script whose replay sees the same keys in the same frames, and
        the smallest distance (s) of a key change from a frame's last pump.
        A key that reached the X server after present j (the wait that ends
        frame j pumps it) is seen by frame j + 2."""
        seen_by = lambda t: sum(1 for p in presents if p <= t) + 1  # noqa: E731
        lines, closest = [], 1.0
        for before, after, names in self.changes:
            frame = seen_by(after)
            closest = 0.0 if frame != seen_by(before) else closest
            if frame - 1 < len(presents):
                closest = min(closest, presents[frame - 1] - after)
            lines.append("%d %s\n" % (frame, " ".join(k.lower() for k in names)))
        return "".join(lines), closest


def read_wave_u8(path):
    """An 8-bit mono WAVE as signed floats (sample - 128)."""
    import numpy
    with wave.open(path) as w:
        if w.getsampwidth() != 1 or w.getnchannels() != 1:
            raise ValueError("%s: not 8-bit mono" % path)
        return numpy.frombuffer(w.readframes(w.getnframes()), numpy.uint8) - 128.0
