"""The two refusals at start: a program name outside the grammar, and a second
copy of a download that already runs. Each shows one error box and ends."""

import re
import unittest

import harness as h


class Refusals(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.Site()
        self.addCleanup(self.site.close)

    def answer_box(self, process, caption, text, screenshot=None):
        """Exactly one box with this caption and text; OK ends the program."""
        hwnd, shown = self.ui.message_box(caption, timeout=15)
        self.assertIsNotNone(hwnd, "no message box with the caption " + caption)
        self.assertEqual(shown, text)
        self.assertEqual([w for w in self.ui.list() if w[3] == caption], [w for w in self.ui.list() if w[0] == hwnd])
        if screenshot:
            self.ui.screenshot(hwnd, h.artifact(screenshot))
        self.ui.answer(hwnd)
        self.assertEqual(h.finish(process), 0)

    def test_name_outside_the_grammar(self):
        # Each name fails the grammar at another place.
        for folder, name, screenshot in [
            ("refuse-renamed", "EditorSetup-Refused.exe", "refused-name.png"),
            ("refuse-version", "Download-(2)(a)-RefusedVersion.exe", None),
            ("refuse-hyphen", "Download-(1)(a)RefusedHyphen.exe", None),
        ]:
            with self.subTest(name=name):
                program = h.install(folder, name)
                protocol = h.Protocol()
                self.answer_box(h.start(program), h.DEFAULT_TITLE, h.TEXT_0x89, screenshot)

                written = protocol.written()
                cli = b'CLI: "' + h.cp1252(h.windows_path(program)) + b'"\n'
                self.assertTrue(h.in_order(written, re.escape(cli), re.escape(h.error_block(h.TEXT_0x89))), written)
                self.assertEqual(written.count(h.error_block(h.TEXT_0x89)), 1)
                stem = name.rsplit(".", 1)[0]
                self.assertFalse(any(p.name.startswith(stem[-12:]) for p in h.DESKTOP.glob("*.lnk")))

    def test_program_path_too_long_for_its_buffer(self):
        # 288 characters: the path is refused instead of being used cut short.
        folder = "refuse-long\\" + "d" * 200 + "\\" + "e" * 40
        program = h.install(folder.replace("\\", "/"), "Download-(1)(a)-LongPathRefused.exe")
        self.assertGreater(len(h.windows_path(program)), 260)
        protocol = h.Protocol()
        self.answer_box(h.start(program), h.DEFAULT_TITLE, h.TEXT_0x89)
        self.assertNotIn(b"LongPathRefused", protocol.written())
        self.assertFalse((h.DESKTOP / "LongPathRefused.lnk").exists())

    def test_second_copy_of_a_running_download(self):
        # Any program holds the name in the process list; the guard compares
        # file names only, in any folder and any case of A-Z.
        name = "Download-(1)(guard)-GuardedSetup.exe"
        for stale in ("GuardedSetup.lnk", "OtherSetup.lnk"):
            (h.DESKTOP / stale).unlink(missing_ok=True)
        marker = h.install("guard-first", "started.txt", source=h.WAITER)
        marker.unlink()
        first = h.start(h.install("guard-first", name.upper(), source=h.WAITER), 30, h.windows_path(marker))
        try:
            h.wait_for(marker.exists, 15, "the first copy to start")
            second = h.install("guard-second", name)
            protocol = h.Protocol()
            self.answer_box(h.start(second), "GuardedSetup.exe" + h.TITLE_SUFFIX, h.TEXT_0x8a,
                            "refused-second-copy.png")

            written = protocol.written()
            cli = b'CLI: "' + h.cp1252(h.windows_path(second)) + b'"\n'
            self.assertTrue(h.in_order(written, re.escape(cli), re.escape(h.error_block(h.TEXT_0x8a))), written)
            self.assertNotIn(b"GuardedSetup.exe\n", written)  # no FileName line
            self.assertFalse((h.DESKTOP / "GuardedSetup.lnk").exists())

            # Another download runs beside it.
            other = h.install("guard-other", "Download-(1)(guard)-OtherSetup.exe")
            self.site.serve("guard/OtherSetup.exe", 1000)
            process = h.start(other, site=self.site)
            h.leave_setup(self.ui, "OtherSetup.exe")
            self.assertEqual(h.finish(process), 0)
            self.assertTrue((h.DESKTOP / "OtherSetup.lnk").exists())
        finally:
            first.kill()
            first.wait(timeout=10)

        # Once the first copy has ended, the download goes ahead.
        protocol = h.Protocol()
        self.site.serve("guard/GuardedSetup.exe", 1000)
        process = h.start(second, site=self.site)
        h.leave_setup(self.ui, "GuardedSetup.exe")
        self.assertEqual(h.finish(process), 0)
        self.assertIn(b"FileName: ", protocol.written())
        self.assertTrue((h.DESKTOP / "GuardedSetup.lnk").exists())


if __name__ == "__main__":
    unittest.main()
