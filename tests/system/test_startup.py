"""A first start with a valid name: the protocol lines byte for byte and the
desktop shortcut. Runs alone, so no other program writes between its lines."""

import re
import unittest

import harness as h

NAME = "Download-(1)(tools+editor)-EditorSetup[1].exe"


class FirstStart(unittest.TestCase):
    def setUp(self):
        self.site = h.Site()
        self.addCleanup(self.site.close)

    def test_protocol_lines_and_shortcut(self):
        shortcut = h.DESKTOP / "EditorSetup.lnk"
        shortcut.unlink(missing_ok=True)
        (h.TEMP / "EditorSetup[1].exe").unlink(missing_ok=True)
        data = self.site.serve("tools/editor/EditorSetup.exe", 20000)
        program = h.install("startup", NAME)
        protocol = h.Protocol()

        process = h.start(program, site=self.site)
        h.leave_setup(h.driver(), "EditorSetup[1].exe")
        self.assertEqual(h.finish(process), 0)

        user, computer, temp = h.wine_names()
        path = h.cp1252(h.windows_path(program))
        header = re.escape(b"\n\f") + h.STAMP + re.escape(h.cp1252(user + "@" + computer + " ") + b"\n")
        local = h.cp1252(temp) + b"EditorSetup[1].exe"
        identity = (b'CLI: "' + path + b'"\n'
                    + b"FileName: " + local + b"\n"
                    + b"Download: " + path + b"\n"
                    + b"URL:      " + h.cp1252(h.BASE_URL) + b"tools/editor/EditorSetup.exe\n")
        download = (re.escape(b"Connecting /tools/editor/EditorSetup.exe...\n")
                    + rb"Url: 20000Bytes \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\n"
                    + re.escape(local + b": not exists\n" + b"Create new file " + local + b"\n"))
        written = protocol.written()
        self.assertRegex(written, b"^" + header + re.escape(identity) + download
                         + re.escape(b"Leave Download/Install\n") + b"$")
        self.assertEqual((h.TEMP / "EditorSetup[1].exe").read_bytes(), data)

        link = h.lnkinfo(shortcut)
        self.assertEqual(link["Local path"], h.windows_path(program))
        self.assertEqual(link["Description"], "Start the Installation of EditorSetup[1]")
        self.assertEqual(link["Icon location"], h.windows_path(program))
        self.assertEqual(link["Icon index"], "1")

    def test_a_later_run_appends(self):
        program = h.install("startup-again", "Download-(1)(tools)-AppendCheck.exe")
        self.site.serve("tools/AppendCheck.exe", 1000)
        before = h.PROTOCOL.read_bytes() if h.PROTOCOL.exists() else b""
        process = h.start(program, site=self.site)
        h.leave_setup(h.driver(), "AppendCheck.exe")
        self.assertEqual(h.finish(process), 0)
        after = h.PROTOCOL.read_bytes()
        self.assertTrue(after.startswith(before))
        self.assertTrue(after[len(before):].startswith(b"\n\f"))
        self.assertNotIn(b"\r", after[len(before):])


if __name__ == "__main__":
    unittest.main()
