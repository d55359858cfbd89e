#!/usr/bin/env python3
"""Whole-program figures of the application on the simulated M5 Max.

Run as root (the helper needs it) from the source folder, after building
Ventiq, com.quillmoor.ventiq.helper-test and ventiq-smcsim:

  bench/app_soak.py --build build/dev --phases surfaces   # the four views, concurrently
  bench/app_soak.py --build build/dev --phases idle,apply,soak

Every run starts ventiq-smcsim, the test build of the helper and `Ventiq`
from the build tree on private sockets and temporary folders, then measures:

  idle      application CPU over a run at the 2-second tick with Auto, and the
            resident memory of the application and the helper before and after;
  apply     the time from `rpm left N` to a state line that is active with the
            fan's target at N (2-second tick);
  soak      resident memory over a run with the simulator at a time scale that
            makes the run 24 simulated hours, Custom with the ladder on, a
            one-second tick and the load cycling so that the ladder and the
            overheat protection switch back and forth;
  surfaces  four runs side by side, each on its own Xvfb with a tint2 tray
            host (Xvfb, tint2, xdotool, xprop, import): headless; the tray
            with the panel opened once and closed; the tray with the panel
            open; the main window open, then closed by the window manager's
            close message for the last part. For each, the application's CPU
            (utime + stime from /proc over the measured span) and resident
            memory at start and end; screenshots go to the build folder's
            screenshots/soak/.

usage: bench/app_soak.py [--build build/app] [--minutes 10] [--closed-minutes 3]
                         [--phases idle,apply,soak,surfaces]
"""
import argparse
import ctypes
import json
import os
import select
import shutil
import socket
import statistics
import subprocess
import tempfile
import threading
import time

CLIENT_PATH = "/Applications/Tavrinel.app/Contents/MacOS/Ventiq"


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Stack:
    def __init__(self, build, time_scale, prefs):
        self.dir = tempfile.mkdtemp(prefix="ventiq-bench-")
        bin_dir = os.path.join(os.path.abspath(build), "bin")
        self.smc = os.path.join(self.dir, "smc.sock")
        self.plat = os.path.join(self.dir, "platform.sock")
        helper_sock = os.path.join(self.dir, "helper.sock")
        config = os.path.join(self.dir, "config")
        os.makedirs(os.path.join(config, "com.quillmoor.ventiq"))
        installed = os.path.join(self.dir, "helper-installed")
        open(installed, "w").close()
        prefs = dict({"VentiqRealControlV1": True, "VentiqPreset": 0}, **prefs)
        with open(os.path.join(config, "com.quillmoor.ventiq", "preferences.json"), "w") as f:
            json.dump(prefs, f)
        env = dict(os.environ, VENTIQ_SMC_DEVICE=self.smc, VENTIQ_PLATFORM_SOCKET=self.plat,
                   VENTIQ_HELPER_SOCKET=helper_sock, VENTIQ_HELPER_LOG=os.path.join(self.dir, "helper.log"),
                   VENTIQ_TEST_HELPER_INSTALL_PATH=installed, VENTIQ_TEST_CLIENT_PATH=CLIENT_PATH,
                   XDG_CONFIG_HOME=config, VENTIQ_FORCE_LANG="en")
        env.pop("DISPLAY", None)
        self.sim = subprocess.Popen([os.path.join(bin_dir, "ventiq-smcsim"), "--smc", self.smc, "--platform",
                                     self.plat, "--time-scale", str(time_scale)], stdout=subprocess.PIPE, env=env)
        self.sim.stdout.readline()
        self.helper = subprocess.Popen([os.path.join(bin_dir, "com.quillmoor.ventiq.helper-test")], env=env)
        while not os.path.exists(helper_sock):
            time.sleep(0.01)
        self.app = subprocess.Popen([os.path.join(bin_dir, "Ventiq"), "--headless", "--json"], env=env,
                                    stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.wait(lambda s: s["helperReady"] and len(s["fans"]) == 2, 15)

    def line(self, timeout):
        ready, _, _ = select.select([self.app.stdout], [], [], timeout)
        if not ready:
            return None
        text = self.app.stdout.readline()
        return json.loads(text) if text else None

    def wait(self, pred, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            state = self.line(deadline - time.monotonic())
            if state is not None and pred(state):
                return state
        raise RuntimeError("state not reached")

    def drain(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.line(deadline - time.monotonic())

    def command(self, text):
        self.app.stdin.write(text + "\n")

    def platform(self, request):
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.plat)
            s.sendall((json.dumps(request) + "\n").encode())
            return json.loads(s.makefile().readline())

    def close(self):
        self.app.terminate()
        self.app.wait(10)
        for p in (self.helper, self.sim):
            p.terminate()
            p.wait(10)


def idle(args):
    stack = Stack(args.build, 1, {"VentiqRefreshSeconds": 2})
    try:
        stack.drain(10)
        rss_app0, rss_helper0 = rss_kib(stack.app.pid), rss_kib(stack.helper.pid)
        cpu0, t0 = cpu_seconds(stack.app.pid), time.monotonic()
        stack.drain(args.minutes * 60)
        cpu1, t1 = cpu_seconds(stack.app.pid), time.monotonic()
        print(f"idle: application CPU {100 * (cpu1 - cpu0) / (t1 - t0):.3f} % over {(t1 - t0) / 60:.1f} min "
              f"at the 2-second tick")
        print(f"idle: resident memory application {rss_app0} KiB -> {rss_kib(stack.app.pid)} KiB, "
              f"helper {rss_helper0} KiB -> {rss_kib(stack.helper.pid)} KiB")
    finally:
        stack.close()


def apply(args):
    stack = Stack(args.build, 1, {"VentiqRefreshSeconds": 2})
    try:
        times = []
        for i in range(args.repeats):
            rpm = 3000 if i % 2 == 0 else 3600
            start = time.monotonic()
            stack.command(f"rpm left {rpm}")
            stack.wait(lambda s: s["controlState"] == "active" and s["fans"][0]["target"] == rpm, 15)
            times.append(time.monotonic() - start)
            stack.drain(0.5)
        times.sort()
        print(f"apply: rpm left N -> active over {len(times)} runs at the 2-second tick: "
              f"median {statistics.median(times):.2f} s, min {times[0]:.2f} s, max {times[-1]:.2f} s")
    finally:
        stack.close()


def soak(args):
    scale = 24 * 3600 / (args.minutes * 60)
    stack = Stack(args.build, scale, {"VentiqRefreshSeconds": 1, "VentiqPreset": 1, "VentiqLadder2On": True,
                                      "VentiqLadder3On": True})
    try:
        stack.drain(5)
        rss_app0, rss_helper0 = rss_kib(stack.app.pid), rss_kib(stack.helper.pid)
        samples = []
        end = time.monotonic() + args.minutes * 60
        hot = False
        protected_phases = 0
        while time.monotonic() < end:
            hot = not hot
            stack.platform({"op": "set", "load": 1.0 if hot else 0.1})
            stack.platform({"op": "set", "ambient": 40 if hot else 25})
            phase_end = min(end, time.monotonic() + 20)
            protected = False
            while time.monotonic() < phase_end:
                state = stack.line(phase_end - time.monotonic())
                protected = protected or bool(state and state["protectionActive"])
            protected_phases += hot and protected
            samples.append(rss_kib(stack.app.pid))
        simulated = stack.platform({"op": "state"})["time"] / 3600
        print(f"soak: {simulated:.1f} simulated hours at time scale {scale:.0f}, {protected_phases} hot phases with overheat protection")
        print(f"soak: resident memory application {rss_app0} KiB -> {rss_kib(stack.app.pid)} KiB "
              f"(min {min(samples)}, max {max(samples)}), helper {rss_helper0} KiB -> {rss_kib(stack.helper.pid)} KiB")
    finally:
        stack.close()


# The panel at 100 %, with no banner: the middle of the Custom row from the
# panel's top.
PANEL_WIDTH = 360
CUSTOM_ROW_Y = 396
TINT2_CONFIG = """panel_items = S
panel_size = 100% 30
panel_position = top center horizontal
rounded = 0
border_width = 0
systray_padding = 4 4 4
systray_icon_size = 24
"""


def send_close(display, window):
    """Asks a window to close the way a window manager does: WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


class Desktop:
    """Xvfb on a display it picks itself, with a tint2 panel as tray host."""

    def __init__(self, directory):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten",
                                      "tcp", "-noreset"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        # tint2 waits for a desktop count, which a window manager would set.
        subprocess.run(["xprop", "-root", "-f", "_NET_NUMBER_OF_DESKTOPS", "32c", "-set", "_NET_NUMBER_OF_DESKTOPS",
                        "1"], env=self.env, check=True)
        config = os.path.join(directory, "tint2rc")
        with open(config, "w") as f:
            f.write(TINT2_CONFIG)
        self.panel = subprocess.Popen(["tint2", "-c", config], env=self.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        until(lambda: self.windows("tint2"), 10, "the tray panel")

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        return result.stdout if result.returncode == 0 else ""

    def windows(self, window_class):
        return [int(w) for w in self.xdotool("search", "--onlyvisible", "--class", window_class).split()]

    def geometry(self, window):
        g = {}
        for line in self.xdotool("getwindowgeometry", "--shell", str(window)).splitlines():
            key, _, value = line.partition("=")
            g[key] = int(value) if value.isdigit() else value
        return g if "WIDTH" in g else None

    def find(self, pred):
        for w in self.windows("Ventiq"):
            g = self.geometry(w)
            if g and pred(g):
                return w, g
        return None

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, stderr=subprocess.DEVNULL)

    def close(self):
        for p in (self.panel, self.xvfb):
            p.terminate()
            p.wait(10)


def until(pred, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = pred()
        if value:
            return value
        time.sleep(0.2)
    raise RuntimeError(f"{what} did not appear")


def is_icon(g):
    return g["WIDTH"] <= 64 and g["HEIGHT"] <= 64


def is_panel(g):
    return g["WIDTH"] == PANEL_WIDTH and g["HEIGHT"] > 500


def is_main(g):
    return g["WIDTH"] >= 880


class SurfaceRun:
    """One application with its own simulator, helper, folders and, for the
    views, its own X desktop."""

    def __init__(self, build, name, shots):
        self.name, self.shots = name, shots
        self.dir = tempfile.mkdtemp(prefix=f"ventiq-soak-{name}-")
        bin_dir = os.path.join(os.path.abspath(build), "bin")
        smc, self.plat = os.path.join(self.dir, "smc.sock"), os.path.join(self.dir, "platform.sock")
        helper_sock = os.path.join(self.dir, "helper.sock")
        config = os.path.join(self.dir, "config")
        os.makedirs(os.path.join(config, "com.quillmoor.ventiq"))
        installed = os.path.join(self.dir, "helper-installed")
        open(installed, "w").close()
        with open(os.path.join(config, "com.quillmoor.ventiq", "preferences.json"), "w") as f:
            json.dump({"VentiqRealControlV1": True, "VentiqPreset": 0, "VentiqRefreshSeconds": 2,
                       "VentiqFontScalePercent": 100}, f)
        # No session bus: each run is its own session and meets nobody's bus.
        env = dict(os.environ, VENTIQ_SMC_DEVICE=smc, VENTIQ_PLATFORM_SOCKET=self.plat,
                   VENTIQ_HELPER_SOCKET=helper_sock, VENTIQ_HELPER_LOG=os.path.join(self.dir, "helper.log"),
                   VENTIQ_TEST_HELPER_INSTALL_PATH=installed, VENTIQ_TEST_CLIENT_PATH=CLIENT_PATH,
                   XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=self.dir, VENTIQ_FORCE_LANG="en",
                   DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(self.dir, "no-bus"))
        for name_ in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name_, None)
        self.sim = subprocess.Popen([os.path.join(bin_dir, "ventiq-smcsim"), "--smc", smc, "--platform", self.plat],
                                    stdout=subprocess.PIPE, env=env)
        self.sim.stdout.readline()
        self.helper = subprocess.Popen([os.path.join(bin_dir, "com.quillmoor.ventiq.helper-test")], env=env)
        until(lambda: os.path.exists(helper_sock), 10, "the helper socket")
        self.desktop = None
        if name == "headless":
            self.app = subprocess.Popen([os.path.join(bin_dir, "Ventiq"), "--headless", "--json"], env=env,
                                        stdout=subprocess.DEVNULL)
        else:
            self.desktop = Desktop(self.dir)
            env.update(self.desktop.env, QT_QPA_PLATFORM="xcb")
            self.app = subprocess.Popen([os.path.join(bin_dir, "Ventiq")], env=env, stdout=subprocess.DEVNULL)
        self.samples = []

    def prepare(self):
        """Brings the views into the state this run measures."""
        if not self.desktop:
            time.sleep(5)
            return
        d = self.desktop
        _, icon = until(lambda: d.find(is_icon), 30, "the tray item")
        d.click(icon["X"] + icon["WIDTH"] // 2, icon["Y"] + icon["HEIGHT"] // 2)
        _, panel = until(lambda: d.find(is_panel), 10, "the panel")
        if self.name == "panel-closed":
            d.click(1000, 700)
            until(lambda: not d.find(is_panel), 10, "the closed panel")
        elif self.name == "main-window":
            d.click(panel["X"] + PANEL_WIDTH // 2, panel["Y"] + CUSTOM_ROW_Y)
            self.main, _ = until(lambda: d.find(is_main), 10, "the main window")
        time.sleep(3)
        d.screenshot(os.path.join(self.shots, f"{self.name}-start.png"))

    def sample(self):
        self.samples.append((time.monotonic(), cpu_seconds(self.app.pid), rss_kib(self.app.pid)))

    def threads(self):
        """CPU seconds per thread of the application, by thread id and name."""
        result = {}
        for tid in os.listdir(f"/proc/{self.app.pid}/task"):
            with open(f"/proc/{self.app.pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            result[(int(tid), name)] = cpu_seconds(f"{self.app.pid}/task/{tid}")
        return result

    def close_main(self):
        send_close(self.desktop.display, self.main)
        until(lambda: not self.desktop.find(is_main), 10, "the closed main window")
        self.desktop.screenshot(os.path.join(self.shots, f"{self.name}-closed.png"))

    def stop(self):
        """Ends the run the way a session ends: SIGTERM. Returns the exit
        status (None when it had to be killed) and the seconds it took."""
        start = time.monotonic()
        self.app.terminate()
        try:
            status = self.app.wait(20)
        except subprocess.TimeoutExpired:
            self.app.kill()
            self.app.wait()
            status = None
        took = time.monotonic() - start
        for p in (self.helper, self.sim):
            p.terminate()
            p.wait(10)
        if self.desktop:
            self.desktop.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        return status, took


def report_span(label, first, last):
    (t0, c0, r0), (t1, c1, r1) = first, last
    print(f"surfaces: {label:<34} CPU {100 * (c1 - c0) / (t1 - t0):.3f} % over {(t1 - t0) / 60:.1f} min, "
          f"resident memory {r0 / 1024:.1f} MB -> {r1 / 1024:.1f} MB")


def surfaces(args):
    shots = os.path.join(os.path.abspath(args.build), "screenshots", "soak")
    os.makedirs(shots, exist_ok=True)
    runs = []
    try:
        for name in ("headless", "panel-closed", "panel-open", "main-window"):
            runs.append(SurfaceRun(args.build, name, shots))
        threads = [threading.Thread(target=run.prepare) for run in runs]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        step = 10
        for run in runs:
            run.sample()
        end = time.monotonic() + args.minutes * 60
        while time.monotonic() < end:
            time.sleep(min(step, max(0, end - time.monotonic())))
            for run in runs:
                run.sample()
        main = runs[-1]
        opened = len(main.samples) - 1
        for run in runs[:-1]:
            report_span(run.name, run.samples[0], run.samples[-1])
        report_span("main-window open", main.samples[0], main.samples[opened])
        threads_open = main.threads()
        main.close_main()
        # The first seconds after closing still hold the last refresh.
        time.sleep(step)
        main.sample()
        closed_from = len(main.samples) - 1
        end = time.monotonic() + args.closed_minutes * 60
        while time.monotonic() < end:
            time.sleep(min(step, max(0, end - time.monotonic())))
            main.sample()
        report_span("main-window closed afterwards", main.samples[closed_from], main.samples[-1])
        threads_closed = main.threads()
        # Which threads still work once the window is closed (the sensor
        # worker stays, idle, until the window is shown again).
        for key, seconds in sorted(threads_closed.items()):
            print(f"surfaces: main-window thread {key[1]:<16} CPU seconds until closed {threads_open.get(key, 0):.2f}, "
                  f"then while closed +{seconds - threads_open.get(key, 0):.2f}")
        for run in runs:
            rss = [s[2] for s in run.samples]
            print(f"surfaces: {run.name:<34} resident memory min {min(rss) / 1024:.1f} MB, max {max(rss) / 1024:.1f} MB")
    finally:
        for run in runs:
            status, took = run.stop()
            print(f"surfaces: {run.name:<34} exit status {status} {took:.1f} s after SIGTERM")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/app")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--repeats", type=int, default=10)
    parser.add_argument("--closed-minutes", type=float, default=3)
    parser.add_argument("--phases", default="idle,apply,soak")
    args = parser.parse_args()
    phases = {"idle": idle, "apply": apply, "soak": soak, "surfaces": surfaces}
    for name in args.phases.split(","):
        phases[name](args)


if __name__ == "__main__":
    main()
