"""Drive the program's windows from outside, through uidriver.exe under Wine.

The environment (WINEPREFIX, HOME, WINEDLLOVERRIDES, WINEDEBUG, DISPLAY)
comes from os.environ; UIDRIVER names the driver executable.

Window handles are ints.  A pid given to the wait calls is the Windows
process id (as list() shows it), not the Unix pid of the wine process.
Waits return None on timeout; a refused action raises Refused.
"""

import collections
import os
import re
import select
import subprocess
import tempfile

Control = collections.namedtuple(
    "Control", "id cls enabled visible checked extra text")

# Message boxes under Wine: the message is this Static, OK is IDOK.
MSGBOX_TEXT_ID = 0xFFFF
IDOK = 1
IDCANCEL = 2

# Time for wine to start the driver, on top of whatever the driver waits for.
_START_SLACK = 15.0


class DriverError(Exception):
    """The driver failed or was used wrongly."""


class Refused(DriverError):
    """The driver refused to act, e.g. a click on a disabled control."""


def _escape_arg(text):
    # Anything beyond plain ASCII goes as \uXXXX: wine decodes the command line
    # with the Unix locale, and quoting/globbing must not touch it either.
    out = []
    for ch in text:
        if ch.isascii() and (ch.isalnum() or ch in "._-:/,"):
            out.append(ch)
            continue
        data = ch.encode("utf-16-le")
        for i in range(0, len(data), 2):
            out.append("\\u%04x" % int.from_bytes(data[i:i + 2], "little"))
    return "".join(out)


_UNESCAPES = {"\\": "\\", "n": "\n", "r": "\r", "t": "\t"}


def _unescape(text):
    return re.sub(r"\\(.)", lambda m: _UNESCAPES.get(m.group(1), m.group(0)), text)


def _hwnd(text):
    return int(text.strip(), 16)


def _wait_exit(p, timeout):
    # Popen.wait(timeout) polls in 50 ms steps, which would dominate the cost
    # of a driver call; a pidfd wakes us the moment the process ends.
    try:
        fd = os.pidfd_open(p.pid)
    except (AttributeError, OSError):
        return p.wait(timeout=timeout)
    try:
        if not select.select([fd], [], [], timeout)[0]:
            raise subprocess.TimeoutExpired(p.args, timeout)
    finally:
        os.close(fd)
    return p.wait(timeout=5)


def _strip_mnemonic(label):
    return label.replace("&&", "\0").replace("&", "").replace("\0", "&")


class Driver:
    def __init__(self, exe=None, wine="wine", env=None):
        self.exe = exe or os.environ.get("UIDRIVER")
        if not self.exe:
            raise DriverError("UIDRIVER is not set")
        self.wine = wine
        self.env = dict(os.environ if env is None else env)
        self.last_error = ""

    def run(self, *args, wait=0.0):
        """Run one driver command; returns (exit code, stdout lines)."""
        cmd = [self.wine, self.exe] + [str(a) for a in args]
        # Files, not pipes: wine may start helpers (explorer.exe for the
        # desktop) that inherit our output handles and outlive the driver,
        # and reading a pipe to EOF would then wait for them.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as errf:
            p = subprocess.Popen(cmd, env=self.env, stdin=subprocess.DEVNULL,
                                 stdout=out, stderr=errf)
            try:
                _wait_exit(p, wait + _START_SLACK)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(timeout=5)
                raise DriverError("driver did not finish: %r" % (args,))
            out.seek(0)
            errf.seek(0)
            stdout, stderr = out.read(), errf.read()
        err = stderr.decode("utf-8", "replace")
        # wine itself may write to stderr too; our lines carry a prefix.
        ours = [l for l in err.splitlines() if l.startswith("uidriver: ")]
        self.last_error = ours[0][len("uidriver: "):] if ours else err.strip()
        if p.returncode not in (0, 1):
            if self.last_error.startswith("refused"):
                raise Refused(self.last_error)
            raise DriverError("%r: exit %d: %s" % (args, p.returncode, self.last_error))
        out = stdout.decode("utf-8", "replace")
        return p.returncode, [l for l in out.split("\n") if l]

    def _ok(self, *args):
        rc, lines = self.run(*args)
        if rc != 0:
            raise DriverError("%r: %s" % (args, self.last_error))
        return lines

    def list(self):
        """[(hwnd, pid, class, caption)] of visible top-level windows."""
        res = []
        for line in self._ok("list"):
            h, pid, cls, cap = line.split("\t", 3)
            res.append((_hwnd(h), int(pid), _unescape(cls), _unescape(cap)))
        return res

    def _wait(self, args, timeout):
        rc, lines = self.run(*args, wait=timeout)
        return _hwnd(lines[0]) if rc == 0 and lines else None

    def wait(self, caption, timeout=10.0, pid=None):
        """hwnd of a visible top-level window with exactly this caption, or None."""
        args = ["wait", _escape_arg(caption), int(timeout * 1000)]
        return self._wait(args + ([pid] if pid else []), timeout)

    def wait_prefix(self, prefix, timeout=10.0, pid=None):
        args = ["waitprefix", _escape_arg(prefix), int(timeout * 1000)]
        return self._wait(args + ([pid] if pid else []), timeout)

    def wait_class(self, cls, caption, timeout=10.0, pid=None):
        args = ["waitclass", _escape_arg(cls), _escape_arg(caption), int(timeout * 1000)]
        return self._wait(args + ([pid] if pid else []), timeout)

    def gone(self, hwnd, timeout=10.0):
        """True once the window is destroyed or hidden, False on timeout."""
        rc, _ = self.run("gone", hex(hwnd), int(timeout * 1000), wait=timeout)
        return rc == 0

    def caption(self, hwnd):
        lines = self._ok("caption", hex(hwnd))
        return _unescape(lines[0]) if lines else ""

    def controls_list(self, hwnd):
        """All child windows in enumeration order (ids may repeat)."""
        res = []
        for line in self._ok("controls", hex(hwnd)):
            cid, cls, en, vis, chk, extra, text = line.split("\t", 6)
            res.append(Control(
                int(cid), _unescape(cls), en == "1", vis == "1",
                None if chk == "-" else int(chk),
                None if extra == "-" else int(extra),
                _unescape(text)))
        return res

    def controls(self, hwnd):
        """id -> Control; where ids repeat, the first one wins."""
        res = {}
        for c in self.controls_list(hwnd):
            res.setdefault(c.id, c)
        return res

    def text(self, hwnd, cid):
        lines = self._ok("text", hex(hwnd), cid)
        return _unescape(lines[0]) if lines else ""

    def click(self, hwnd, cid):
        """Raises Refused if the control is disabled, hidden or not clickable."""
        self._ok("click", hex(hwnd), cid)

    def command(self, hwnd, cid):
        self._ok("command", hex(hwnd), cid)

    def settext(self, hwnd, cid, text):
        self._ok("settext", hex(hwnd), cid, _escape_arg(text))

    def close(self, hwnd):
        self._ok("close", hex(hwnd))

    def fits(self, hwnd, face, points):
        """[(id, fits, needed (w, h), room (w, h), text)] for each visible text
        control, measured in the template font at the driver's DPI."""
        res = []
        for line in self._ok("fits", hex(hwnd), _escape_arg(face), points):
            cid, ok, nw, nh, rw, rh, text = line.split("\t", 6)
            res.append((int(cid), ok == "1", (int(nw), int(nh)), (int(rw), int(rh)), _unescape(text)))
        return res

    def rect(self, hwnd):
        """(left, top, right, bottom) in screen coordinates."""
        return tuple(int(v) for v in self._ok("rect", hex(hwnd))[0].split())

    def client_rect(self, hwnd):
        """Client area as (left, top, right, bottom) in screen coordinates."""
        return tuple(int(v) for v in self._ok("clientrect", hex(hwnd))[0].split())

    def screenshot(self, hwnd, path, client=False):
        """Save the window's area of the X screen as a PNG.

        With no window manager Wine leaves frame and caption undrawn (black);
        client=True crops to the part that is actually painted.
        """
        left, top, right, bottom = (self.client_rect if client else self.rect)(hwnd)
        left, top = max(left, 0), max(top, 0)
        if right <= left or bottom <= top:
            raise DriverError("window %#x has no area on screen" % hwnd)
        geom = "%dx%d+%d+%d" % (right - left, bottom - top, left, top)
        try:
            subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root",
                            "-crop", geom, "+repage", str(path)],
                           env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=30, check=True)
        except (subprocess.SubprocessError, KeyError, OSError) as e:
            raise DriverError("screenshot failed: %s" % e)
        return path

    def message_box(self, caption, timeout=10.0, pid=None):
        """(hwnd, message text) of a message box with this caption, or (None, None)."""
        hwnd = self.wait_class("#32770", caption, timeout, pid)
        if hwnd is None:
            return None, None
        ctls = self.controls_list(hwnd)
        for c in ctls:
            if c.id == MSGBOX_TEXT_ID and c.cls.lower() == "static":
                return hwnd, c.text
        # Not a standard layout: take the longest static text.
        texts = [c.text for c in ctls if c.cls.lower() == "static"]
        return hwnd, max(texts, key=len, default="")

    def answer(self, hwnd, button=None):
        """Press a message box button: OK by default, else an id or a label like "Yes"."""
        ctls = [c for c in self.controls_list(hwnd)
                if c.cls.lower() == "button" and c.enabled and c.visible]
        if button is None:
            ids = [c.id for c in ctls]
            target = IDOK if IDOK in ids else IDCANCEL
        elif isinstance(button, int):
            target = button
        else:
            want = _strip_mnemonic(button).lower()
            hits = [c.id for c in ctls if _strip_mnemonic(c.text).lower() == want]
            if not hits:
                raise DriverError("no button %r in %#x" % (button, hwnd))
            target = hits[0]
        self.click(hwnd, target)
