"""The demo's own part (see tools/demo): the download server, the program,
and in walk mode the whole flow driven from outside."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/system"))
os.environ.setdefault("UIDRIVER", str(ROOT / "build/windows/tests/system/uidriver.exe"))
import harness as h  # noqa: E402

NAME = "DemoSetup.exe"
PROGRAM_NAME = "Download-(1)(demo)-" + NAME


def step(text):
    print("demo: " + text, flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["interactive", "walk"], required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    out = Path(args.out)

    site = h.Site()
    try:
        # Padded to 40 MB, so the download takes a moment to watch.
        installer = (ROOT / "build/windows/DemoInstaller.exe").read_bytes()
        site.serve("demo/" + NAME, data=installer + bytes(40_000_000))
        program = h.install("demo", PROGRAM_NAME)
        (h.TEMP / NAME).unlink(missing_ok=True)
        protocol = h.Protocol()
        step("download server on %s, serving %s" % (site.proxy, h.BASE_URL + "demo/" + NAME))
        step("starting " + h.windows_path(program))
        process = h.start(program, site=site)
        try:
            if args.mode == "walk":
                walk(out)
            code = process.wait(timeout=None if args.mode == "interactive" else 120)
        finally:
            h.stop(process)
        (out / "protocol.txt").write_bytes(protocol.written())
        step("the program ended with exit code %d" % code)
    finally:
        site.close()
    step("screenshots and the protocol lines of this run are in " + str(out))


def walk(out):
    ui = h.driver()
    hwnd = None
    deadline = time.monotonic() + 30
    while hwnd is None and time.monotonic() < deadline:
        for w, _, cls, caption in ui.list():
            if cls == "#32770" and (caption == "Connecting ..." or "of " + NAME in caption):
                hwnd = w
        time.sleep(0.05)
    if hwnd:
        # The download may well be over before its display has run once.
        try:
            ui.screenshot(hwnd, out / "1-download.png")
            for _ in range(50):
                if "% of" in ui.caption(hwnd):
                    ui.screenshot(hwnd, out / "1-download-progress.png")
                    break
                time.sleep(0.1)
            step("download dialog: " + ui.caption(hwnd))
        except h.DriverError:
            step("download dialog: done")
    setup = ui.wait(NAME + " - Ready For Installation", 60)
    if setup is None:
        raise SystemExit("demo: no setup dialog")
    ui.screenshot(setup, out / "2-setup.png")
    step("setup dialog: Install now")
    ui.click(setup, 1)
    box = ui.wait("Demo Setup", 30)
    if box is None:
        raise SystemExit("demo: the installer did not start")
    _, text = ui.message_box("Demo Setup", 5)
    ui.screenshot(box, out / "3-installer.png")
    step("installer says: " + text.replace("\n", " "))
    ui.answer(box)
    if "/auto" not in text:
        raise SystemExit("demo: the installer did not get /auto")


if __name__ == "__main__":
    main()
