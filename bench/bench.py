"""What tools/bench measures: one large file from nginx on 127.0.0.1, reached
through the proxy setting, fetched by the program's whole flow, by the bare
WinINet loop with the same 4096-byte reads, and by curl; each figure the
median of several runs, interleaved."""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/system"))
sys.path.insert(0, str(ROOT / "bench"))
os.environ.setdefault("UIDRIVER", str(ROOT / "build/windows/tests/system/uidriver.exe"))
import harness as h  # noqa: E402
from origin import Origin, serve_random  # noqa: E402

NAME = "BenchSetup.exe"
FOLDER = "bench"
URL = h.BASE_URL + FOLDER + "/" + NAME
LOOP = ROOT / "build/windows/wininet_loop.exe"
MB = 1_000_000
TICK = os.sysconf("SC_CLK_TCK")


def wineserver_cpu():
    """CPU seconds of this prefix's wineserver so far."""
    total = 0.0
    for pid in subprocess.run(["pgrep", "-x", "wineserver64"], capture_output=True, text=True).stdout.split():
        try:
            if b"WINEPREFIX=" + os.environ["WINEPREFIX"].encode() not in \
                    Path("/proc/%s/environ" % pid).read_bytes().split(b"\0"):
                continue
            fields = Path("/proc/%s/stat" % pid).read_text().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / TICK
        except OSError:
            pass
    return total


class Run:
    """One download's figures."""

    def __init__(self, wall, cpu, peak_kib=None, first_request=None, transfer=None, wire=None):
        self.wall, self.cpu, self.peak_kib = wall, cpu, peak_kib
        self.first_request, self.transfer, self.wire = first_request, transfer, wire


def peak_kib(pid):
    """The peak resident memory of a running process (its image, not what it
    inherited from its parent at fork, as ru_maxrss would count)."""
    for line in Path("/proc/%d/status" % pid).read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return None


def reap(process, server_cpu_before=None, timeout=600):
    """Waits for a started process (killed after timeout seconds); its CPU
    seconds, with the wineserver's share."""
    deadline = time.monotonic() + timeout
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            process.kill()
            os.wait4(process.pid, 0)
            raise SystemExit("bench: %s did not end within %d s" % (process.args[0], timeout))
        time.sleep(0.01)
    process.returncode = os.waitstatus_to_exitcode(status)
    server = wineserver_cpu() - server_cpu_before if server_cpu_before is not None else 0.0
    return usage.ru_utime + usage.ru_stime + server


def requests_since(origin, t0):
    return [e for e in origin.entries() if e["start"] >= t0 - 0.01]


def run_program(origin, ui, size, resume_from=None):
    local = h.TEMP / NAME
    local.unlink(missing_ok=True)
    if resume_from:
        with open(origin.file, "rb") as f:
            local.write_bytes(f.read(resume_from))
    program = h.install("bench", "Download-(1)(%s)-%s" % (FOLDER, NAME))
    server_cpu = wineserver_cpu()
    t0, w0 = time.time(), time.monotonic()
    process = h.start(program, env={"http_proxy": origin.proxy})
    try:
        setup = ui.wait(NAME + " - Ready For Installation", 600)
        wall = time.monotonic() - w0
        if setup is None:
            raise SystemExit("bench: the program showed no setup dialog")
        peak = peak_kib(process.pid)
        ui.click(setup, 2)
        cpu = reap(process, server_cpu)
    finally:
        h.stop(process)
    if local.stat().st_size != size:
        raise SystemExit("bench: the program's file has %d bytes, not %d" % (local.stat().st_size, size))
    asked = requests_since(origin, t0)
    return Run(wall, cpu, peak, first_request=min(e["start"] for e in asked) - t0,
               transfer=last_get_time(origin, t0), wire=sum(e["bytes_sent"] for e in asked))


def run_loop(origin, out, size):
    server_cpu = wineserver_cpu()
    t0, w0 = time.time(), time.monotonic()
    process = subprocess.Popen(["wine", str(LOOP), URL, h.windows_path(out)],
                               env=dict(os.environ, http_proxy=origin.proxy),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    cpu = reap(process, server_cpu)
    wall = time.monotonic() - w0
    if process.returncode != 0 or out.stat().st_size != size:
        raise SystemExit("bench: the WinINet loop failed (exit code %d)" % process.returncode)
    return Run(wall, cpu, transfer=last_get_time(origin, t0))


def run_curl(origin, out, size):
    t0, w0 = time.time(), time.monotonic()
    process = subprocess.Popen(["curl", "-s", "-f", "-o", str(out), "-x", origin.proxy, URL],
                               stdin=subprocess.DEVNULL)
    cpu = reap(process)
    wall = time.monotonic() - w0
    if process.returncode != 0 or out.stat().st_size != size:
        raise SystemExit("bench: curl failed")
    return Run(wall, cpu, transfer=last_get_time(origin, t0))


def last_get_time(origin, t0):
    """How long the server took to send the last GET since t0."""
    get = [e for e in requests_since(origin, t0) if e["method"] == "GET"]
    return get[-1]["request_time"] if get else None


def median(runs, field):
    values = [getattr(r, field) for r in runs if getattr(r, field) is not None]
    return statistics.median(values) if values else float("nan")


def measure(origin, ui, size, count, scratch):
    """count rounds of program, loop and curl, in turn."""
    runs = {"program": [], "loop": [], "curl": []}
    for n in range(count):
        runs["program"].append(run_program(origin, ui, size))
        runs["loop"].append(run_loop(origin, scratch / "loop.bin", size))
        runs["curl"].append(run_curl(origin, scratch / "curl.bin", size))
        print("bench: round %d of %d: program %.2f s, loop %.2f s, curl %.2f s" % (
            n + 1, count, runs["program"][-1].wall, runs["loop"][-1].wall, runs["curl"][-1].wall), flush=True)
    return runs


def table(title, runs, size):
    print()
    print(title)
    print("  %-26s %8s %8s %8s %10s %10s" % ("", "wall s", "MB/s", "CPU s", "peak MiB", "GET s"))
    labels = {"program": "program (whole flow)", "loop": "bare WinINet loop (4096)", "curl": "curl"}
    for key, label in labels.items():
        wall = median(runs[key], "wall")
        peak = median(runs[key], "peak_kib")
        print("  %-26s %8.2f %8.1f %8.2f %10s %10.2f" % (label, wall, size / MB / wall, median(runs[key], "cpu"),
                                                       "%.1f" % (peak / 1024) if peak == peak else "-",
                                                       median(runs[key], "transfer")))
    program, loop, curl = (median(runs[k], "wall") for k in ("program", "loop", "curl"))
    transfer = {k: median(runs[k], "transfer") for k in runs}
    print("  program / ceiling: %.3f (wall), %.3f (GET)    program / curl: %.3f (wall), %.3f (GET)" % (
        program / loop, transfer["program"] / transfer["loop"], program / curl, transfer["program"] / transfer["curl"]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mib", type=int, default=256, help="size of the file (MiB)")
    parser.add_argument("--runs", type=int, default=5, help="rounds on the unlimited link")
    parser.add_argument("--limited-runs", type=int, default=3, help="rounds on the 10 MB/s link")
    args = parser.parse_args()
    size = args.mib * 1024 * 1024

    scratch = Path(tempfile.mkdtemp(prefix="bench-", dir=h.DRIVE_C / "tests"))
    served = Path(tempfile.mkdtemp(prefix="bench-served-"))
    try:
        target = serve_random(served, FOLDER + "/" + NAME, args.mib)
        ui = h.driver()

        print("bench: %d MiB from nginx on 127.0.0.1 through the proxy setting; %s; %d cores" % (
            args.mib, subprocess.run(["uname", "-srm"], capture_output=True, text=True).stdout.strip(),
            os.cpu_count()), flush=True)
        with Origin(served) as origin:
            origin.file = target
            runs = measure(origin, ui, size, args.runs, scratch)
            resumed = run_program(origin, ui, size, resume_from=size - size // 10)
        with Origin(served, rate=10 * MB) as limited:
            limited.file = target
            limited_runs = measure(limited, ui, size, args.limited_runs, scratch)

        table("unlimited link, median of %d rounds (program, loop, curl in turn):" % args.runs, runs, size)
        table("link limited to 10 MB/s by nginx, median of %d rounds:" % args.limited_runs, limited_runs, size)
        print()
        print("program: start to first request %.3f s (median of %d), peak memory %.1f MiB" % (
            median(runs["program"], "first_request"), args.runs, median(runs["program"], "peak_kib") / 1024))
        remaining = size - (size - size // 10)
        print("resumed at 90%%: %d bytes on the wire for the remaining %d bytes (%.4f)" % (
            resumed.wire, remaining, resumed.wire / remaining))
    finally:
        subprocess.run(["rm", "-rf", str(scratch), str(served)], check=False)
        (h.TEMP / NAME).unlink(missing_ok=True)


if __name__ == "__main__":
    main()
