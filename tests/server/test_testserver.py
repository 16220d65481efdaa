#!/usr/bin/env python3
"""Checks the test server's answers, above all the fault modes that are easy
to get subtly wrong. Talks to 127.0.0.1 only; every read has a timeout."""

import http.client
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from testserver import TestServer, drop_offsets  # noqa: E402

DATA = bytes((i * 7) % 251 for i in range(5000))
MTIME = 784111777
MTIME_TEXT = "Sun, 06 Nov 1994 08:49:37 GMT"
HOST = "http://download.tarvik.example:80"
TIMEOUT = 5


def exchange(port, request, wait=TIMEOUT):
    """Sends raw request bytes; returns (head, body, closed) as read within wait."""
    deadline = time.monotonic() + wait
    received, closed = b"", False
    with socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT) as s:
        s.sendall(request)
        while time.monotonic() < deadline:
            s.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                data = s.recv(65536)
            except socket.timeout:
                break
            if not data:
                closed = True
                break
            received += data
    head, _, body = received.partition(b"\r\n\r\n")
    return head.decode("latin-1"), body, closed


def get(path, headers=""):
    return ("GET %s%s HTTP/1.1\r\nHost: download.tarvik.example\r\n%s\r\n"
            % (HOST, path, headers)).encode()


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        root = Path(self.dir.name, "root")
        (root / "tools").mkdir(parents=True)
        file = root / "tools" / "a.bin"
        file.write_bytes(DATA)
        os.utime(file, (MTIME, MTIME))
        self.server = TestServer(root, Path(self.dir.name, "log"))
        self.server.__enter__()
        self.port = self.server.port

    def tearDown(self):
        self.server.__exit__(None, None, None)
        self.dir.cleanup()

    def test_answers_on_one_kept_alive_connection(self):
        # (method, path, Range, status, headers that must match (None: absent), body)
        cases = [
            ("HEAD", "/tools/a.bin", None, 200,
             {"Content-Length": "5000", "Last-Modified": MTIME_TEXT, "Accept-Ranges": "bytes"}, b""),
            ("GET", "/tools/a.bin", None, 200, {"Content-Length": "5000"}, DATA),
            ("GET", "/tools/a.bin", "bytes=4000-", 206,
             {"Content-Range": "bytes 4000-4999/5000", "Content-Length": "1000"}, DATA[4000:]),
            ("GET", "/tools/a.bin", "bytes=10-19", 206, {"Content-Range": "bytes 10-19/5000"}, DATA[10:20]),
            ("GET", "/tools/a.bin", "bytes=5000-", 416, {"Content-Range": "bytes */5000"}, None),
            ("HEAD", "/tools/a.bin", "bytes=4000-", 206, {"Content-Length": "1000"}, b""),
            ("GET", "/range-shift--100/tools/a.bin", "bytes=4000-", 206,
             {"Content-Range": "bytes 3900-4999/5000", "Content-Length": "1100"}, DATA[3900:]),
            ("GET", "/range-shift-500/tools/a.bin", "bytes=4000-", 206,
             {"Content-Range": "bytes 4500-4999/5000"}, DATA[4500:]),
            ("GET", "/range-total-9999/tools/a.bin", "bytes=4000-", 206,
             {"Content-Range": "bytes 4000-4999/9999"}, DATA[4000:]),
            ("GET", "/ignore-range/tools/a.bin", "bytes=4000-", 200, {"Content-Range": None}, DATA),
            ("GET", "/range-416/tools/a.bin", "bytes=0-", 416, {"Content-Range": "bytes */5000"}, None),
            ("GET", "/nolength/tools/a.bin", None, 200,
             {"Content-Length": None, "Transfer-Encoding": "chunked"}, DATA),
            ("HEAD", "/nolength/tools/a.bin", None, 200, {"Content-Length": None}, b""),
            ("HEAD", "/nohead/tools/a.bin", None, 405, {}, b""),
            ("GET", "/nohead/tools/a.bin", None, 200, {}, DATA),
            ("GET", "/nodate/tools/a.bin", None, 200, {"Last-Modified": None}, DATA),
            ("GET", "/date-Sun%2C%2031%20Feb%201994/tools/a.bin", None, 200,
             {"Last-Modified": "Sun, 31 Feb 1994"}, DATA),
            ("HEAD", "/status-500/tools/a.bin", None, 500, {}, b""),
            ("GET", "/status-403/nothing/here", None, 403, {}, None),
            ("GET", "/redirect/nodate/tools/a.bin?x=1", None, 302,
             {"Location": "http://download.tarvik.example/nodate/tools/a.bin?x=1"}, None),
            ("GET", "/tools/missing.bin", None, 404, {}, None),
            ("GET", "/tools/%2e%2e/tools/a.bin", None, 400, {}, None),
        ]
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=TIMEOUT)
        try:
            for method, path, asked, status, headers, body in cases:
                with self.subTest(method=method, path=path, range=asked):
                    conn.request(method, HOST + path, headers={"Range": asked} if asked else {})
                    response = conn.getresponse()
                    got = response.read()
                    self.assertEqual(response.status, status)
                    for name, value in headers.items():
                        self.assertEqual(response.getheader(name), value, name)
                    if body is not None:
                        self.assertEqual(got, body)
        finally:
            conn.close()

        entries = self.server.entries()
        self.assertEqual(len(entries), len(cases))
        first, ranged = entries[0], entries[2]
        self.assertEqual((first["method"], first["status"], first["body_bytes"]), ("HEAD", 200, 0))
        self.assertEqual((ranged["range"], ranged["status"], ranged["body_bytes"]), ("bytes=4000-", 206, 1000))
        shifted = entries[6]
        self.assertEqual((shifted["path"], shifted["file"], shifted["faults"]),
                         ("/range-shift--100/tools/a.bin", "/tools/a.bin", ["range-shift--100"]))

    def test_framing_faults_close_the_connection(self):
        # (path, Content-Length line expected, body bytes expected)
        cases = [
            ("/cut-1000/tools/a.bin", "Content-Length: 5000", DATA[:1000]),
            ("/length-abc/tools/a.bin", "Content-Length: abc", DATA),
            ("/length--5/tools/a.bin", "Content-Length: -5", DATA),
            ("/length-99999999999999999999/tools/a.bin", "Content-Length: 99999999999999999999", DATA),
            ("/close/tools/a.bin", None, b""),
        ]
        for path, length_line, body in cases:
            with self.subTest(path=path):
                head, got, closed = exchange(self.port, get(path, "User-Agent: probe\r\n"))
                self.assertTrue(closed)
                self.assertEqual(got, body)
                if length_line:
                    self.assertIn(length_line, head.split("\r\n"))
                else:
                    self.assertEqual(head, "")
        log = self.server.entries()
        self.assertEqual([e["body_bytes"] for e in log], [1000, 5000, 5000, 5000, 0])
        self.assertEqual((log[-1]["status"], log[-1]["user_agent"]), (None, "probe"))

    def test_cutonce_breaks_the_first_get_only(self):
        path = "/nohead/cutonce-1000/tools/a.bin"
        _, body, closed = exchange(self.port, get(path))
        self.assertEqual((body, closed), (DATA[:1000], True))
        head, body, _ = exchange(self.port, get(path, "Range: bytes=1000-\r\nConnection: close\r\n"))
        self.assertIn("Content-Range: bytes 1000-4999/5000", head)
        self.assertEqual(body, DATA[1000:])
        self.assertEqual([e["body_bytes"] for e in self.server.entries()], [1000, 4000])

    def test_dropat_breaks_each_get_at_the_next_drawn_offset(self):
        # Resuming where each body broke off meets every drawn offset once.
        path = "/dropat-7-4/tools/a.bin"
        offsets = drop_offsets(7, 4, len(DATA))
        self.assertEqual(len(set(offsets)), 4)
        received = b""
        for _ in range(6):
            _, body, _ = exchange(self.port, get(path, "Range: bytes=%d-\r\nConnection: close\r\n" % len(received)))
            received += body
            if len(received) == len(DATA):
                break
        self.assertEqual(received, DATA)
        self.assertEqual([e["body_bytes"] for e in self.server.entries()],
                         [b - a for a, b in zip([0] + offsets, offsets + [len(DATA)])])

    def test_stall_holds_until_the_client_leaves(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=TIMEOUT) as s:
            s.sendall(get("/stall-100/tools/a.bin"))
            received = b""
            for _ in range(100):
                if len(received.partition(b"\r\n\r\n")[2]) >= 100:
                    break
                data = s.recv(65536)
                self.assertTrue(data, "closed early")
                received += data
            self.assertEqual(received.partition(b"\r\n\r\n")[2], DATA[:100])
            s.settimeout(0.5)
            with self.assertRaises(socket.timeout):
                s.recv(1)
        for _ in range(50):
            if self.server.entries():
                break
            time.sleep(0.1)
        self.assertEqual(self.server.entries()[0]["body_bytes"], 100)

    def test_stop_ends_a_stalled_and_a_slow_download(self):
        sockets = []
        for path in ("/stall-10/tools/a.bin", "/slow-10/tools/a.bin"):
            s = socket.create_connection(("127.0.0.1", self.port), timeout=TIMEOUT)
            s.sendall(get(path))
            s.recv(65536)
            sockets.append(s)
        started = time.monotonic()
        self.server.__exit__(None, None, None)
        self.assertLess(time.monotonic() - started, 2)
        for s in sockets:
            s.close()
        self.server = TestServer(Path(self.dir.name, "root"))  # for tearDown
        self.server.__enter__()

    def test_slow_paces_the_body(self):
        started = time.monotonic()
        _, body, _ = exchange(self.port, get("/slow-10000/tools/a.bin", "Connection: close\r\n"))
        self.assertEqual(body, DATA)
        self.assertGreater(time.monotonic() - started, 0.3)


class ProgramTest(unittest.TestCase):
    def test_writes_its_port_and_stops_on_sigterm(self):
        with tempfile.TemporaryDirectory() as dir:
            port_file = Path(dir, "port")
            Path(dir, "a.bin").write_bytes(DATA)
            process = subprocess.Popen(
                [sys.executable, str(Path(__file__).with_name("testserver.py")),
                 "--root", dir, "--port-file", str(port_file), "--log", str(Path(dir, "log"))])
            try:
                for _ in range(100):
                    if port_file.exists():
                        break
                    time.sleep(0.05)
                text = port_file.read_text()
                self.assertRegex(text, r"^\d+\n$")
                _, body, _ = exchange(int(text), get("/a.bin", "Connection: close\r\n"))
                self.assertEqual(body, DATA)
                process.send_signal(signal.SIGTERM)
                self.assertEqual(process.wait(TIMEOUT), 0)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait(TIMEOUT)


if __name__ == "__main__":
    unittest.main()
