#!/usr/bin/env python3
"""Frame timing of the real program: runs it in a window on a private Xvfb
display and prints how evenly its pictures reach the window, and what its
waiting costs.

    frame_timing.py --zorrit PATH [--bare PATH] [--seconds 60] [--keep LOG]
                    [--syscalls SECONDS]

The program writes the moment of every picture it shows to the file named by
ZORRIT_FRAME_LOG (microseconds of the monotonic clock). After the logo and a
settling time, the measuring window starts: the game is started with space
and left running. Printed: the mean frame period; each frame's deviation from
the 20 ms grid (median, 99th percentile, maximum; the grid's phase is the
median offset, and a stall of 100 ms or more, after which the program
resynchronises, starts a new grid); the process's share of one core
(utime + stime over wall time, from /proc/PID/stat); its peak resident memory
(VmHWM from /proc/PID/status). With --bare, a loop of 1 ms sleeps that does
nothing else (bare_sleep_loop.c) runs beside the game over the same measuring
window; its share of a core is the floor of any program that wakes every
millisecond, and the game's share divided by it says what the game costs on
top of its waking. With --syscalls, strace then counts the game's system calls
for that many seconds (strace slows the program, so this comes after the
measuring window). Targets: mean 20.00 +/- 0.02 ms, 99th percentile <= 1.2 ms,
<= 3 % of one core and <= 1.3 times the bare loop's share, <= 40 MB.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PERIOD = 0.020
RESYNC = 0.100


def wait_for(predicate, timeout, step=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(step)
    return False


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def syscall_rates(pid, seconds):
    """{name: (calls per second, errors per second)} from strace -c -f."""
    r = subprocess.run(["timeout", "-s", "INT", str(seconds), "strace", "-c", "-f", "-p", str(pid)],
                       capture_output=True, text=True)
    rates = {}
    for line in r.stderr.splitlines():
        fields = line.split()
        if len(fields) < 5 or not fields[0][0].isdigit() or fields[-1] == "total":
            continue
        try:
            calls = int(fields[3])
            errors = int(fields[4]) if len(fields) == 6 else 0
        except ValueError:
            continue
        rates[fields[-1]] = (calls / seconds, errors / seconds)
    return rates


def peak_memory_kb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def percentile(sorted_values, p):
    if not sorted_values:
        return 0.0
    i = min(len(sorted_values) - 1, max(0, int(round(p / 100 * (len(sorted_values) - 1)))))
    return sorted_values[i]


def grid_deviations(times):
    """|deviation| of each frame from its 20 ms grid, and the resync count."""
    deviations, segments = [], []
    segment = [times[0]]
    for previous, t in zip(times, times[1:]):
        if t - previous >= RESYNC:
            segments.append(segment)
            segment = []
        segment.append(t)
    segments.append(segment)
    for segment in segments:
        offsets = [t - (segment[0] + k * PERIOD) for k, t in enumerate(segment)]
        phase = sorted(offsets)[len(offsets) // 2]
        deviations += [abs(o - phase) for o in offsets]
    return sorted(deviations), len(segments) - 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--keep", help="copy the frame log here")
    parser.add_argument("--bare", help="the bare 1 ms sleep loop, run beside the game")
    parser.add_argument("--syscalls", type=float, default=0,
                        help="afterwards, count the game's system calls for this many seconds")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xprop"):
        if not shutil.which(tool):
            print("%s is not installed (scripts/deps test)" % tool)
            return 2

    work = tempfile.mkdtemp(prefix="zorrit-frame-timing-")
    os.chmod(work, 0o700)
    number = next(n for n in range(120, 220) if not os.path.exists("/tmp/.X11-unix/X%d" % n))
    display = ":%d" % number
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                             "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=work, SDL_AUDIODRIVER="dummy",
               ZORRIT_FRAME_LOG=os.path.join(work, "presents"))
    env.pop("SDL_VIDEODRIVER", None)
    program = None
    bare = None
    try:
        ready = lambda: subprocess.run(["xprop", "-root"], env=env, capture_output=True).returncode == 0
        if not wait_for(ready, 10):
            print("Xvfb did not start")
            return 1
        program = subprocess.Popen([args.zorrit], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        found = []

        def window():
            r = subprocess.run(["xdotool", "search", "--name", "Zorrit"], env=env,
                               capture_output=True, text=True)
            found[:] = r.stdout.split()
            return bool(found)
        if not wait_for(window, 10):
            print("the window did not appear")
            return 1
        time.sleep(6)  # logo, then the title until it takes fire
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], env=env)
        subprocess.run(["xdotool", "key", "space"], env=env)
        time.sleep(1)

        if args.bare:
            bare = subprocess.Popen([args.bare])
            time.sleep(0.2)
            bare_start = cpu_seconds(bare.pid)
        start_wall, start_cpu = time.monotonic(), cpu_seconds(program.pid)
        time.sleep(args.seconds)
        end_wall, end_cpu = time.monotonic(), cpu_seconds(program.pid)
        if bare:
            bare_cpu = 100 * (cpu_seconds(bare.pid) - bare_start) / (end_wall - start_wall)
            bare.kill()
            bare.wait()
        peak_kb = peak_memory_kb(program.pid)
        rates = syscall_rates(program.pid, args.syscalls) if args.syscalls > 0 else None
        program.send_signal(signal.SIGTERM)
        code = program.wait(10)

        log = os.path.join(work, "presents")
        if args.keep:
            shutil.copy(log, args.keep)
        times = [int(line) / 1e6 for line in open(log) if line.strip()]
        times = [t for t in times if start_wall <= t <= end_wall]
        if len(times) < 3:
            print("too few frames logged (%d)" % len(times))
            return 1
        mean = (times[-1] - times[0]) / (len(times) - 1)
        deviations, resyncs = grid_deviations(times)
        cpu = 100 * (end_cpu - start_cpu) / (end_wall - start_wall)
        print("frames measured        %d over %.1f s (exit status %d)" %
              (len(times), end_wall - start_wall, code))
        print("mean frame period      %.3f ms   (target 20.00 +/- 0.02)" % (mean * 1000))
        print("grid deviation median  %.3f ms" % (percentile(deviations, 50) * 1000))
        print("grid deviation p99     %.3f ms   (target <= 1.2)" % (percentile(deviations, 99) * 1000))
        print("grid deviation max     %.3f ms" % (deviations[-1] * 1000))
        print("resynchronisations     %d" % resyncs)
        print("CPU share              %.2f %% of one core   (target <= 3)" % cpu)
        if bare:
            print("bare 1 ms sleep loop   %.2f %% of one core, same window" % bare_cpu)
            print("game / bare loop       %.2f   (target <= 1.3)" %
                  (cpu / bare_cpu if bare_cpu > 0 else float("inf")))
        print("peak memory (VmHWM)    %.1f MB   (target <= 40)" % (peak_kb / 1024))
        if rates is not None:
            if not rates:
                print("system calls           not counted (is strace installed, may it attach?)")
            else:
                print("system calls per second over %g s (strace -c -f; errors in brackets):" %
                      args.syscalls)
                total = sum(c for c, _ in rates.values())
                for name, (calls, errors) in sorted(rates.items(), key=lambda kv: -kv[1][0]):
                    print("  %-20s %8.1f%s" % (name, calls, "  (%.1f)" % errors if errors else ""))
                print("  %-20s %8.1f" % ("total", total))
        return 0
    finally:
        if bare and bare.poll() is None:
            bare.kill()
            bare.wait()
        if program and program.poll() is None:
            program.kill()
            program.wait()
        xvfb.terminate()
        xvfb.wait(5)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
