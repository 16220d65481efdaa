"""What tools/soak does: the program killed again and again during one
download, a server that drops the connection again and again, and copies of
the program downloading at once; each ends with files identical to the served
ones and a protocol file of whole lines. Bounded in count and time."""

import argparse
import hashlib
import os
import random
import re
import signal
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
from origin import Origin, serve_random as serve  # noqa: E402

MIB = 1024 * 1024
STAMP = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d   "
# Every line a download of these runs may write; a line torn by another
# copy's write, or by a kill, matches none of them.
WHOLE_LINES = [re.compile(p) for p in [
    r"",
    r"\x0c" + STAMP + r"\S*@\S* ?",
    r'CLI: "[^"]*"',
    r"FileName: [^:]*:\\[^:]*",
    r"Download: [^:]*:\\[^:]*",
    r"URL:      http://[^ ]*",
    r"Connecting /[^ ]*\.\.\.",
    r"Url: \d+Bytes [0-9: -]+",
    r"[A-Z]:\\[^:]*: (not exists|\d+Bytes [0-9: -]+)",
    r"(Create new file|Open file for append) [A-Z]:\\[^:]*",
    r"Downloading [^:]*:\[\d+\.\d\d%\] \d+ of \d+  -?\d+ sec left  \d+\.\d\d KB/sec ",
    r"\x07" + STAMP + r"Failed in call to InternetReadFile, (dwBytesRead==0|Error:\d+)",
    r"Leave Download/Install",
]]


def step(text):
    print("soak: " + text, flush=True)


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(MIB), b""):
            digest.update(block)
    return digest.hexdigest()


def fresh(name):
    (h.TEMP / name).unlink(missing_ok=True)
    return h.install("soak", "Download-(1)(soak)-" + name)


def complete(ui, process, name, timeout):
    """Waits for the setup dialog of a finished download and leaves it."""
    if ui.wait(name + " - Ready For Installation", timeout) is None:
        h.stop(process)
        raise SystemExit("soak: %s ended without its setup dialog" % name)
    h.leave_setup(ui, name, 5)
    h.finish(process, 30)


def check_identical(name, served):
    local = h.TEMP / name
    if sha256(local) != sha256(served):
        raise SystemExit("soak: %s differs from the served file" % name)
    return sha256(local)


def check_lines(protocol, names):
    """Every line written is whole, and every run's own lines are there."""
    text = protocol.written().decode("cp1252")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    torn = [line for line in lines if not any(p.fullmatch(line) for p in WHOLE_LINES)]
    if torn:
        raise SystemExit("soak: %d lines are not whole, e.g. %r" % (len(torn), torn[:3]))
    for name in names:
        for pattern in ['CLI: "[^"]*-%s"' % re.escape(name), "URL:      .*/%s" % re.escape(name),
                        r"Create new file .*\\%s" % re.escape(name), r"Connecting /.*/%s\.\.\." % re.escape(name)]:
            if not re.search("^" + pattern + "$", text, re.M):
                raise SystemExit("soak: no line %r of the run of %s" % (pattern, name))
    return len(lines)


def kills(ui, rng, count, mib, served_root):
    name = "SoakKilled.exe"
    served = serve(served_root, "soak/" + name, mib)
    size = served.stat().st_size
    points = sorted(rng.sample(range(size // 50, size - size // 50), count))
    protocol = h.Protocol()
    # Limited, so the file grows slowly enough to be caught at each point.
    with Origin(served_root, rate=16_000_000) as origin:
        program = fresh(name)
        local = h.TEMP / name
        grown = []  # what each killed run added to the local file
        for n, point in enumerate(points):
            before = local.stat().st_size if local.exists() else 0
            process = h.start(program, env={"http_proxy": origin.proxy})
            deadline = time.monotonic() + 120
            while process.poll() is None and time.monotonic() < deadline:
                if local.exists() and local.stat().st_size >= point:
                    break
                time.sleep(0.005)
            if process.poll() is not None:
                raise SystemExit("soak: the program ended before kill %d" % (n + 1))
            os.kill(process.pid, signal.SIGKILL)
            process.wait(timeout=30)
            grown.append(local.stat().st_size - before)
        at_end = local.stat().st_size
        process = h.start(program, env={"http_proxy": origin.proxy})
        complete(ui, process, name, 120)
        digest = check_identical(name, served)
        gets = [e for e in sorted(origin.entries(), key=lambda e: e["start"]) if e["method"] == "GET"]
        sent = sum(e["body_bytes"] for e in gets)
        runs = count + 1
    # Sent to a killed run but never written: what was still on its way.
    lost = sorted(e["body_bytes"] - g for e, g in zip(gets, grown))
    lines = check_lines(protocol, [])
    step("killed %d times at random points (%d..%d bytes), %d bytes before the last run; "
         "the file is identical (SHA-256 %s...)" % (count, points[0], points[-1], at_end, digest[:16]))
    step("  the server sent %d body bytes over %d runs for a file of %d bytes (%.4f); %d protocol lines, all whole"
         % (sent, runs, size, sent / size, lines))
    step("  sent to a killed run but not written by it: median %d, most %d bytes" % (lost[len(lost) // 2], lost[-1]))


def drops(ui, seed, count, mib, site):
    name = "SoakDropped.exe"
    served = serve(site.root, "soak/" + name, mib)
    size = served.stat().st_size
    fault = "dropat-%d-%d" % (seed, count)
    protocol = h.Protocol()
    program = h.install("soak", "Download-(1)(%s+soak)-%s" % (fault, name))
    (h.TEMP / name).unlink(missing_ok=True)
    process = h.start(program, site=site)
    # Each drop costs one attempt and its pause of a second.
    complete(ui, process, name, 60 + 3 * count)
    digest = check_identical(name, served)
    gets = [e for e in site.requests("soak/" + name) if e["method"] == "GET"]
    broken = sum(1 for e in gets if e["body_bytes"] < size - int((e.get("range") or "bytes=0-")[6:-1] or 0))
    lines = check_lines(protocol, [name])
    step("the server dropped the connection %d times at random offsets in one run (%d GETs); "
         "the file is identical (SHA-256 %s...)" % (broken, len(gets), digest[:16]))
    step("  the server sent %d body bytes for a file of %d bytes (%.4f); %d protocol lines, all whole" % (
        sum(e["body_bytes"] for e in gets), size, sum(e["body_bytes"] for e in gets) / size, lines))
    if broken != count:
        raise SystemExit("soak: %d drops instead of %d" % (broken, count))


def copies(ui, count, mib, served_root):
    names = ["SoakCopy%d.exe" % n for n in range(1, count + 1)]
    served = {name: serve(served_root, "soak/" + name, mib) for name in names}
    protocol = h.Protocol()
    # Each download takes some three seconds at least, so that all run side by side.
    rate = min(4_000_000, mib * MIB // 3)
    with Origin(served_root, rate=rate) as origin:
        processes = {name: h.start(fresh(name), env={"http_proxy": origin.proxy}) for name in names}
        for name in names:
            complete(ui, processes[name], name, 120)
        spans = {}
        for e in origin.entries():
            if e["method"] == "GET":
                spans[e["uri"]] = (e["start"], e["end"])
    for name in names:
        check_identical(name, served[name])
    lines = check_lines(protocol, names)
    overlap = min(end for _, end in spans.values()) - max(start for start, _ in spans.values())
    step("%d copies downloaded at once (%.1f s side by side); every file identical, "
         "%d protocol lines, all whole, every run's lines present" % (count, overlap, lines))
    if overlap <= 0:
        raise SystemExit("soak: the copies did not download at the same time")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kills", type=int, default=20)
    parser.add_argument("--drops", type=int, default=50)
    parser.add_argument("--copies", type=int, default=4)
    parser.add_argument("--mib", type=int, default=32, help="size of each file (MiB)")
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    if not 0 <= args.drops < 90:
        parser.error("--drops takes 0 to 89: each drop costs one of the program's 98 attempts")
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 30)
    step("seed %d (again with --seed %d)" % (seed, seed))
    rng = random.Random(seed)
    ui = h.driver()
    served_root = Path(tempfile.mkdtemp(prefix="soak-served-"))
    site = h.Site()
    started = time.monotonic()
    try:
        kills(ui, rng, args.kills, args.mib, served_root)
        drops(ui, seed, args.drops, args.mib, site)
        copies(ui, args.copies, max(1, args.mib // 2), served_root)
    finally:
        site.close()
        subprocess.run(["rm", "-rf", str(served_root)], check=False)
    step("all survived in %.0f s" % (time.monotonic() - started))


if __name__ == "__main__":
    main()
