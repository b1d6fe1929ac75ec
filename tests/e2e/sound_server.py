"""A private PulseAudio with a null sink, a recorder of its monitor and keys
pressed at known game frames: for the sound end-to-end run and bench/audio_latency."""
import ctypes
import os
import shutil
import subprocess
import tempfile
import threading
import time
import wave

from e2e_support import end_process, wait_for

RATE = 11025          # the game's device rate; the monitor is recorded at it


class PulseServer:
    """pulseaudio -n (no default script) with the null sink "zorrit" as its
    default, kept to one temporary folder; as root too (--system=no)."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zorrit-pulse-")
        self.server = "unix:" + os.path.join(self.root, "native")
        script = os.path.join(self.root, "zorrit.pa")
        with open(script, "w") as f:
            f.write("load-module module-null-sink sink_name=zorrit rate=44100 channels=2\n"
                    "load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    "set-default-sink zorrit\n" % self.server[5:])
        # No DISPLAY and no session bus: no X11 modules, no D-Bus autolaunch.
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.root,
                    "XDG_RUNTIME_DIR": self.root, "PULSE_RUNTIME_PATH": self.root,
                    "PULSE_STATE_PATH": self.root}
        self.process = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "-n",
             "--file=" + script, "--disallow-exit", "--disallow-module-loading",
             "--use-pid-file=no", "--log-target=stderr", "--log-level=error"],
            env=self.env, cwd=self.root, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            start_new_session=True)
        info = ["pactl", "--server", self.server, "info"]
        if not wait_for(lambda: "Sink: zorrit" in subprocess.run(info, env=self.env, capture_output=True,
                                                                 text=True, timeout=10).stdout, 10):
            self.stop()
            raise RuntimeError("the private PulseAudio did not start")

    def kill(self):
        """The server dies as in a crash: SIGKILL, no goodbye to clients."""
        self.process.kill()
        self.process.wait(10)

    def stop(self):
        end_process(self.process)
        shutil.rmtree(self.root, ignore_errors=True)


class Recorder:
    """parec on the sink's monitor (16-bit mono at RATE), read by a thread that notes arrivals."""

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
        for piece in iter(lambda: os.read(self.process.stdout.fileno(), 4096), b""):
            self.data += piece
            self.arrivals.append((len(self.data) // 2, time.monotonic()))

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


class KeyScript:
    """Keys pressed through XTEST (the moment the X server has them known within a
    millisecond) half-way between two presents of the game, far from the moments it pumps
    its messages, and the frame each change reached written down. The presents come from its
    ZORRIT_FRAME_LOG (one a line, in microseconds of the monotonic clock; N ends frame N)."""

    def __init__(self, display, frame_log):
        self.x11, self.x, self.xtst = display.x11, display.x, ctypes.CDLL("libXtst.so.6")
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.frame_log = frame_log
        self.changes = []  # (monotonic times before and after the change, keys held after it)
        self.held = []

    def presents(self):
        try:
            with open(self.frame_log) as f:
                return [int(v) / 1e6 for v in f.read().split("\n")[:-1]]
        except OSError:
            return []

    def wait_for_frame(self, frame, timeout):
        """The presents once present `frame` has happened (None after timeout)."""
        return wait_for(lambda: (lambda p: p if len(p) > frame else None)(self.presents()),
                        timeout, 0.005)

    def hold(self, frame, *names):
        """From game frame `frame` on, exactly `names` (X key names) are held."""
        p = self.wait_for_frame(frame - 2, 30)
        if not p:
            raise RuntimeError("the game did not reach frame %d" % frame)
        time.sleep(max(0.0, p[frame - 2] + 0.010 - time.monotonic()))
        before = time.monotonic()
        for k, down in [(k, 0) for k in self.held if k not in names] + \
                       [(k, 1) for k in names if k not in self.held]:
            code = self.x11.XKeysymToKeycode(self.x, self.x11.XStringToKeysym(k.encode()))
            self.xtst.XTestFakeKeyEvent(self.x, code, down, 0)
            self.x11.XSync(self.x, 0)
        self.held = list(names)
        self.changes.append((before, time.monotonic(), self.held))

    def replay_script(self, presents):
        """The script whose replay sees the same keys in the same frames: a
        key that reached the X server after present j (the wait that ends
        frame j pumps it) is seen by frame j + 2."""
        return "".join("%d %s\n" % (sum(1 for p in presents if p <= after) + 1,
                                    " ".join(k.lower() for k in names))
                       for _, after, names in self.changes)


def read_wave_u8(path):
    """An 8-bit mono WAVE as signed floats (sample - 128)."""
    import numpy
    with wave.open(path) as w:
        assert w.getsampwidth() == 1 and w.getnchannels() == 1, path
        return numpy.frombuffer(w.readframes(w.getnframes()), numpy.uint8) - 128.0
