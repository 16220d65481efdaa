"""A first start with a valid name: the protocol lines byte for byte and the
desktop shortcut. Runs alone, so no other program writes between its lines."""

import re
import unittest

import harness as h

NAME = "Download-(1)(tools+editor)-EditorSetup[1].exe"


class FirstStart(unittest.TestCase):
    def test_protocol_lines_and_shortcut(self):
        shortcut = h.DESKTOP / "EditorSetup.lnk"
        shortcut.unlink(missing_ok=True)
        program = h.install("startup", NAME)
        protocol = h.Protocol()

        self.assertEqual(h.finish(h.start(program)), 0)

        user, computer, temp = h.wine_names()
        path = h.cp1252(h.windows_path(program))
        header = re.escape(b"\n\f") + h.STAMP + re.escape(h.cp1252(user + "@" + computer + " ") + b"\n")
        rest = (b'CLI: "' + path + b'"\n'
                + b"FileName: " + h.cp1252(temp) + b"EditorSetup[1].exe\n"
                + b"Download: " + path + b"\n"
                + b"URL:      " + h.cp1252(h.BASE_URL) + b"tools/editor/EditorSetup.exe\n"
                + b"Leave Download/Install\n")
        written = h.Protocol.written(protocol)
        self.assertRegex(written, b"^" + header + re.escape(rest) + b"$")

        link = h.lnkinfo(shortcut)
        self.assertEqual(link["Local path"], h.windows_path(program))
        self.assertEqual(link["Description"], "Start the Installation of EditorSetup[1]")
        self.assertEqual(link["Icon location"], h.windows_path(program))
        self.assertEqual(link["Icon index"], "1")

    def test_a_later_run_appends(self):
        program = h.install("startup-again", "Download-(1)(tools)-AppendCheck.exe")
        before = h.PROTOCOL.read_bytes() if h.PROTOCOL.exists() else b""
        self.assertEqual(h.finish(h.start(program)), 0)
        after = h.PROTOCOL.read_bytes()
        self.assertTrue(after.startswith(before))
        self.assertTrue(after[len(before):].startswith(b"\n\f"))
        self.assertNotIn(b"\r", after[len(before):])


if __name__ == "__main__":
    unittest.main()
