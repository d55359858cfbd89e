#!/usr/bin/env python3
"""Whole-program figures of the application on the simulated M5 Max.

Starts ventiq-smcsim, the test build of the helper and `Ventiq --headless
--json` from a build tree on private sockets (as root, like the helper), then
measures:

  idle   application CPU over a run at the 2-second tick with Auto, and the
         resident memory of the application and the helper before and after;
  apply  the time from `rpm left N` to a state line that is active with the
         fan's target at N (2-second tick);
  soak   resident memory over a run with the simulator at a time scale that
         makes the run 24 simulated hours, Custom with the ladder on, a
         one-second tick and the load cycling so that the ladder and the
         overheat protection switch back and forth.

usage: bench/app_soak.py [--build build/app] [--minutes 10] [--phases idle,apply,soak]
"""
import argparse
import json
import os
import select
import socket
import statistics
import subprocess
import tempfile
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/app")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--repeats", type=int, default=10)
    parser.add_argument("--phases", default="idle,apply,soak")
    args = parser.parse_args()
    phases = {"idle": idle, "apply": apply, "soak": soak}
    for name in args.phases.split(","):
        phases[name](args)


if __name__ == "__main__":
    main()
