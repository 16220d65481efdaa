#!/usr/bin/env python3
"""HTTP server the tests point the program's WinINet at, as its proxy.

Files come from a root folder. Leading path segments name faults to apply to
the request; the rest of the path is the file:

    GET http://download.tarvik.example/nohead/cut-1000/tools/a.exe

serves root/tools/a.exe, refuses HEAD and breaks off after 1000 body bytes.
Scheme and host are ignored, so the program's real download URL works once the
proxy is set.

Faults (any number, in any order):
    status-N         answer status N with a small body, for every method
    nohead           HEAD answers 405; GET works
    nolength         no Content-Length; the body is sent chunked
    length-V         send "Content-Length: V" literally, the real body, close
    nodate           no Last-Modified
    date-TEXT        Last-Modified: TEXT, url-decoded
    ignore-range     200 with the whole file, whatever the Range
    range-416        416 to any request with a Range
    range-shift-K    206 starting K bytes away from the asked start
    range-total-T    206 whose Content-Range names total T
    cut-N            full Content-Length, N body bytes, close
    cutonce-N        cut-N on the first GET of this exact path only
    dropat-S-C       C offsets of the file, drawn with seed S: each GET closes at
                     the first of them past its start (so C drops in all)
    stall-N          N body bytes, then silence until the client or server quits
    slow-B           body at about B bytes a second
    redirect         302 to the same URL without this segment
    close            read the request, close without answering

Every request appends one JSON line to the log: time, method, path, file,
faults, range, user_agent, status (null when closed unanswered) and
body_bytes, the body bytes actually sent.

As a program:
    testserver.py --root DIR --port-file FILE [--log FILE]
listens on 127.0.0.1 (a free port, written to FILE) until SIGTERM or SIGINT.

As a module:
    with TestServer(root, log_path) as server:
        proxy = server.url
"""

import argparse
import email.utils
import http.server
import json
import os
import random
import re
import select
import signal
import socket
import sys
import threading
import time
import urllib.parse
from pathlib import Path

# No wait in here may outlast this, whatever the client does.
SAFETY_SECONDS = 300
POLL_SECONDS = 0.1
# An idle kept-alive connection is dropped after this.
IDLE_SECONDS = 30
PIECE = 64 * 1024

FLAGS = {"nohead", "nolength", "nodate", "ignore-range", "range-416", "redirect", "close"}
VALUED = [
    ("status", re.compile(r"status-(\d{3})"), int),
    ("range-shift", re.compile(r"range-shift-(-?\d+)"), int),
    ("range-total", re.compile(r"range-total-(.+)"), None),
    ("length", re.compile(r"length-(.+)"), None),
    ("date", re.compile(r"date-(.*)"), None),
    ("cutonce", re.compile(r"cutonce-(\d+)"), int),
    ("cut", re.compile(r"cut-(\d+)"), int),
    ("dropat", re.compile(r"dropat-(\d+-\d+)"), lambda v: tuple(int(n) for n in v.split("-"))),
    ("stall", re.compile(r"stall-(\d+)"), int),
    ("slow", re.compile(r"slow-(\d+)"), int),
]


def drop_offsets(seed, count, total):
    """The sorted offsets at which dropat-SEED-COUNT breaks bodies off."""
    if total <= 1:
        return []
    return sorted(random.Random(seed).sample(range(1, total), min(count, total - 1)))


def parse_fault(segment):
    """(name, value) for a fault segment, None for the first file segment."""
    if segment in FLAGS:
        return segment, True
    for name, pattern, convert in VALUED:
        match = pattern.fullmatch(segment)
        if match:
            value = match.group(1)
            if convert is None:
                # Decoded text goes into a header: keep it on one line.
                value = re.sub(r"[\r\n\0]", " ", urllib.parse.unquote(value))
            else:
                value = convert(value)
            return name, value
    return None


def split_target(target):
    """(host or None, path with query) of an absolute URI or a plain path."""
    if target.startswith("/"):
        return None, target
    parts = urllib.parse.urlsplit(target)
    path = parts.path or "/"
    if parts.query:
        path += "?" + parts.query
    return parts.netloc or None, path


def parse_range(header, total):
    """(start, end, open_ended), "unsatisfiable", or None for a Range to ignore."""
    match = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header, re.IGNORECASE)
    if not match or match.group(1) == match.group(2) == "":
        return None
    first, last = match.groups()
    if first == "":
        suffix = int(last)
        if suffix == 0 or total == 0:
            return "unsatisfiable"
        return max(0, total - suffix), total - 1, True
    start = int(first)
    if last != "" and int(last) < start:
        return None
    if start >= total:
        return "unsatisfiable"
    if last == "":
        return start, total - 1, True
    return start, min(int(last), total - 1), False


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "testserver"
    timeout = IDLE_SECONDS

    def version_string(self):
        return self.server_version

    def log_message(self, format, *args):
        pass  # the JSON log is the record

    def do_GET(self):
        self.answer("GET")

    def do_HEAD(self):
        self.answer("HEAD")

    def answer(self, method):
        host, path = split_target(self.path)
        raw = [s for s in path.split("?", 1)[0].split("/") if s not in ("", ".")]
        faults, fault_names = {}, []
        while raw:
            fault = parse_fault(raw[0])
            if fault is None:
                break
            faults[fault[0]] = fault[1]
            fault_names.append(raw.pop(0))
        self.entry = {
            "time": time.time(),
            "method": method,
            "path": path,
            "file": "/" + "/".join(raw),
            "faults": fault_names,
            "range": self.headers.get("Range"),
            "user_agent": self.headers.get("User-Agent"),
            "status": None,
            "body_bytes": 0,
        }
        try:
            self.respond(method, host or self.headers.get("Host"), path, raw, faults)
        except (OSError, ValueError):
            # The client went away (or the server is stopping) mid-answer.
            self.close_connection = True
        finally:
            self.server.log(self.entry)

    def start(self, status):
        self.entry["status"] = status
        self.send_response(status)

    def simple(self, method, status, text, headers=()):
        body = text.encode() + b"\n"
        self.start(status)
        for name, value in headers:
            self.send_header(name, value)
        if status in (204, 304) or status < 200:
            # No body allowed; a 1xx would leave the client waiting, so end here.
            self.close_connection = self.close_connection or status < 200
            self.end_headers()
            return
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if method != "HEAD":
            self.wfile.write(body)
            self.entry["body_bytes"] = len(body)

    def respond(self, method, host, path, raw, faults):
        if "close" in faults:
            self.close_connection = True
            return
        if "status" in faults:
            self.simple(method, faults["status"], "status %d" % faults["status"])
            return
        if "redirect" in faults:
            self.simple(method, 302, "moved", [("Location", self.redirect_target(host, path))])
            return
        if method == "HEAD" and "nohead" in faults:
            self.simple(method, 405, "no HEAD here", [("Allow", "GET")])
            return

        names = [urllib.parse.unquote(s) for s in raw]
        if any(n == ".." or "/" in n or "\\" in n or "\0" in n for n in names):
            self.simple(method, 400, "bad path")
            return
        root = self.server.root
        file = root.joinpath(*names).resolve()
        if not names or not file.is_relative_to(root) or not file.is_file():
            self.simple(method, 404, "not found")
            return

        with open(file, "rb") as stream:
            info = os.fstat(stream.fileno())
            total = info.st_size
            status, start, end = 200, 0, total - 1
            content_range = None
            asked = self.headers.get("Range")
            if asked is not None and "ignore-range" not in faults:
                wanted = parse_range(asked, total)
                if "range-416" in faults or wanted == "unsatisfiable":
                    self.simple(method, 416, "range not satisfiable",
                                [("Content-Range", "bytes */%d" % total)])
                    return
                if wanted is not None:
                    start, end, open_ended = wanted
                    shift = faults.get("range-shift", 0)
                    if shift:
                        start = min(max(start + shift, 0), total - 1)
                        if not open_ended:
                            end = min(max(end + shift, start), total - 1)
                    status = 206
                    content_range = "bytes %d-%d/%s" % (start, end, faults.get("range-total", total))
            length = end - start + 1

            self.start(status)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Accept-Ranges", "bytes")
            if "date" in faults:
                self.send_header("Last-Modified", faults["date"])
            elif "nodate" not in faults:
                self.send_header("Last-Modified", email.utils.formatdate(info.st_mtime, usegmt=True))
            if content_range:
                self.send_header("Content-Range", content_range)
            chunked = False
            if "length" in faults:
                self.send_header("Content-Length", faults["length"])
                self.close_connection = True  # the framing is a lie
            elif "nolength" in faults:
                self.send_header("Transfer-Encoding", "chunked")
                chunked = True
            else:
                self.send_header("Content-Length", str(length))
            self.end_headers()
            if method == "HEAD":
                return
            stream.seek(start)
            if "dropat" in faults:
                later = [o for o in drop_offsets(*faults["dropat"], total) if o > start]
                if later:
                    faults = dict(faults, cut=min(faults.get("cut", total), later[0] - start))
            self.send_body(stream, length, chunked, path, faults)

    def redirect_target(self, host, path):
        segments = path.split("?", 1)
        parts = segments[0].split("/")
        parts.remove("redirect")  # the first one only: redirect/redirect chains
        target = "/".join(parts)
        if len(segments) > 1:
            target += "?" + segments[1]
        host = host or "127.0.0.1:%d" % self.server.server_address[1]
        if host.endswith(":80"):
            host = host[:-3]
        return "http://%s%s" % (host, target)

    def send_body(self, stream, length, chunked, path, faults):
        limit = length
        broken = False
        for name in ("cut", "stall"):
            if name in faults:
                limit = min(limit, faults[name])
                broken = True
        if "cutonce" in faults and self.server.first_get(path):
            limit = min(limit, faults["cutonce"])
            broken = True
        rate = faults.get("slow")
        piece = max(1, rate // 10) if rate else PIECE
        stop = self.server.stopping
        deadline = time.monotonic() + SAFETY_SECONDS

        sent = 0
        while sent < limit:
            data = stream.read(min(piece, limit - sent))
            if not data:
                break  # the file shrank under us
            if chunked:
                self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))
            else:
                self.wfile.write(data)
            sent += len(data)
            self.entry["body_bytes"] = sent
            if rate and sent < limit:
                if stop.wait(POLL_SECONDS) or time.monotonic() > deadline:
                    self.close_connection = True
                    return

        if "stall" in faults:
            self.wait_for_close(deadline)
        if broken or sent < length:
            self.close_connection = True
        elif chunked:
            self.wfile.write(b"0\r\n\r\n")

    def wait_for_close(self, deadline):
        """Sends nothing until the client closes, the server stops or time is up."""
        stop = self.server.stopping
        while not stop.is_set() and time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], POLL_SECONDS)
            if readable and not self.connection.recv(4096):
                return


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, root, log_path=None):
        self.root = Path(root).resolve()
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.connections = {}
        self.got = set()
        self.log_file = open(log_path, "a", encoding="utf-8") if log_path else None
        super().__init__(("127.0.0.1", 0), Handler)

    def log(self, entry):
        if self.log_file:
            with self.lock:
                self.log_file.write(json.dumps(entry) + "\n")
                self.log_file.flush()

    def first_get(self, path):
        with self.lock:
            first = path not in self.got
            self.got.add(path)
            return first

    def process_request(self, request, client_address):
        thread = threading.Thread(target=self.process_request_thread,
                                  args=(request, client_address), daemon=True)
        with self.lock:
            self.connections[request] = thread
        thread.start()

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            with self.lock:
                self.connections.pop(request, None)

    def stop(self, timeout=5.0):
        """Stops serving, ends every open connection, waits a bounded time."""
        self.stopping.set()
        self.shutdown()
        with self.lock:
            open_connections = list(self.connections.items())
        for request, _ in open_connections:
            try:
                request.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        deadline = time.monotonic() + timeout
        for _, thread in open_connections:
            thread.join(max(0.0, deadline - time.monotonic()))
        self.server_close()
        with self.lock:
            if self.log_file:
                self.log_file.close()
                self.log_file = None


class TestServer:
    """The server on a thread of this process, for a with block."""

    __test__ = False  # not a test case, whatever the name says

    def __init__(self, root, log_path=None):
        self.server = Server(root, log_path)
        self.port = self.server.server_address[1]
        self.url = "http://127.0.0.1:%d/" % self.port
        self.log_path = log_path
        self.thread = threading.Thread(target=self.server.serve_forever,
                                       kwargs={"poll_interval": POLL_SECONDS}, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.stop()
        self.thread.join(5.0)

    def entries(self):
        """The log so far, one dict a request."""
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--max-seconds", type=float, default=3600,
                        help="stop after this long even if nobody asks (0: never)")
    args = parser.parse_args(argv)

    stop = threading.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, lambda *_: stop.set())

    with TestServer(args.root, args.log) as server:
        temp = args.port_file + ".tmp%d" % os.getpid()
        with open(temp, "w") as f:
            f.write("%d\n" % server.port)
        os.replace(temp, args.port_file)
        deadline = time.monotonic() + args.max_seconds if args.max_seconds > 0 else None
        while not stop.wait(0.2):
            if deadline is not None and time.monotonic() > deadline:
                print("testserver: --max-seconds reached, stopping", file=sys.stderr)
                break
    return 0


if __name__ == "__main__":
    sys.exit(main())
