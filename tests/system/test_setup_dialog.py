"""The setup dialog after a complete download: Install now with the real test
installer, a file that is no valid program, a vanished file, Save as..., and
the ways out."""

import re
import shutil
import time
import unittest

import harness as h

INSTALL, SAVE_AS, CANCEL = 1, 1005, 2
FILE_LABEL, FILE_NAME, FILE_SIZE = 1010, 1011, 1013
SAVE_DIALOG_NAME = 1148


class SetupDialog(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.Site()
        self.addCleanup(self.site.close)

    def download(self, name, data):
        """Runs the program for setup/<name> up to its setup dialog."""
        self.site.serve("setup/" + name, data=data)
        self.program = h.install("setup-" + name, "Download-(1)(setup)-" + name)
        self.local = h.TEMP / name
        self.local.unlink(missing_ok=True)
        (h.DESKTOP / (name.rsplit(".", 1)[0] + ".lnk")).unlink(missing_ok=True)
        self.protocol = h.Protocol()
        self.process = h.start(self.program, site=self.site)
        self.addCleanup(h.stop, self.process)
        return self.setup_window(name)

    def setup_window(self, name):
        hwnd = self.ui.wait(name + " - Ready For Installation", 30)
        self.assertIsNotNone(hwnd, "no setup dialog for " + name)
        return hwnd

    def ran(self, *patterns):
        cli = re.escape(b'CLI: "' + h.cp1252(h.windows_path(self.program)) + b'"\n')
        return h.in_order(self.protocol.written(), cli, *patterns)

    def error_box(self, name, text, screenshot):
        hwnd, shown = self.ui.message_box(name + h.TITLE_SUFFIX, timeout=15)
        self.assertIsNotNone(hwnd, "no error box")
        self.assertEqual(shown, text)
        self.ui.screenshot(hwnd, h.artifact(screenshot))
        self.ui.answer(hwnd)

    def test_install_now_starts_the_installer_with_auto(self):
        name = "RealSetup.exe"
        data = h.INSTALLER.read_bytes()
        runs = len(h.installer_runs())
        hwnd = self.download(name, data)
        texts = {i: c.text for i, c in self.ui.controls(hwnd).items()}
        self.assertEqual((texts[FILE_LABEL], texts[INSTALL], texts[SAVE_AS], texts[CANCEL], texts[FILE_NAME]),
                         ("File:", "Install now...", "Save as...", "Cancel", name))
        size = len(data)
        self.assertEqual(texts[FILE_SIZE], "%.1f KB" % (size / 1024) if size >= 1024 else "%d Bytes" % size)
        self.ui.screenshot(hwnd, h.artifact("setup.png"))

        self.ui.click(hwnd, INSTALL)
        self.assertEqual(h.finish(self.process), 0)
        h.wait_for(lambda: len(h.installer_runs()) > runs, 15, "the installer")
        self.assertEqual(h.installer_runs()[runs:], ['"%s" /auto' % h.windows_path(self.local)])
        self.assertFalse((h.DESKTOP / "RealSetup.lnk").exists())
        self.assertTrue(self.local.exists())
        self.assertTrue(self.ran(h.STAMP + rb"On Clicked 'Install Now\.\.\.'\n", rb"Download/Install is Finished\.\n"))

    def test_file_that_is_no_program_is_deleted_and_fetched_again(self):
        name = "Broken.exe"
        hwnd = self.download(name, b"not a program\n" * 200)
        self.ui.click(hwnd, INSTALL)
        text = ("The .exe file is invalid (non-Microsoft Win32 .exe or error in .exe image):\n\n"
                + h.windows_path(self.local))
        self.error_box(name, text, "setup-invalid-program.png")
        # The download dialog runs again and brings a new setup dialog.
        hwnd = self.setup_window(name)
        self.ui.click(hwnd, CANCEL)
        self.assertEqual(h.finish(self.process), 0)
        self.assertTrue(self.ran(re.escape(h.error_block(text)), rb"Create new file .*Broken\.exe\n",
                                 rb"Leave Download/Install\n"))
        gets = [r for r in self.site.requests("setup/" + name) if r["method"] == "GET"]
        self.assertEqual(len(gets), 2)
        self.assertTrue((h.DESKTOP / "Broken.lnk").exists())

    def test_file_removed_before_install_now(self):
        name = "Vanished.exe"
        hwnd = self.download(name, h.INSTALLER.read_bytes())
        self.local.unlink()
        self.ui.click(hwnd, INSTALL)
        text = "The specified file was not found:\n\n" + h.windows_path(self.local)
        self.error_box(name, text, "setup-file-not-found.png")
        self.assertEqual(h.finish(self.process), 0)
        self.assertTrue(self.ran(re.escape(h.error_block(text)), rb"Leave Download/Install\n"))
        self.assertTrue((h.DESKTOP / "Vanished.lnk").exists())

    def save_as(self, hwnd, target):
        """Save as... with `target` typed into the save dialog (None: cancel it)."""
        self.ui.click(hwnd, SAVE_AS)
        dialog = self.ui.wait("Save As", 15)
        self.assertIsNotNone(dialog, "no save dialog")
        self.assertEqual(self.ui.text(dialog, SAVE_DIALOG_NAME), "Saved.exe")
        if target is None:
            self.ui.command(dialog, CANCEL)
        else:
            self.ui.settext(dialog, SAVE_DIALOG_NAME, h.windows_path(target))
            self.ui.command(dialog, INSTALL)  # IDOK: Save
        self.assertTrue(self.ui.gone(dialog, 10))

    def test_save_as_copies_the_file_and_the_dialog_stays(self):
        name = "Saved.exe"
        data = h.INSTALLER.read_bytes()
        hwnd = self.download(name, data)
        folder = h.DRIVE_C / "tests/setup-saved"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)

        for target in (folder / "copy.exe", folder / "copy-without-extension"):
            self.save_as(hwnd, target)
            h.wait_for(target.exists, 15, "the copy " + target.name)
            h.wait_for(lambda: target.stat().st_size == len(data), 15, "the whole copy")
            self.assertEqual(target.read_bytes(), data)

        # Replacing a file: the shell asks, and No leaves it.
        (folder / "copy.exe").write_bytes(b"keep me")
        self.save_as(hwnd, folder / "copy.exe")
        ask = self.ui.wait_class("#32770", "Confirm file overwrite", 15)
        self.assertIsNotNone(ask, "the shell did not ask")
        self.ui.screenshot(ask, h.artifact("setup-confirm-overwrite.png"))
        self.ui.answer(ask, "No")
        h.wait_for(lambda: self.ran(rb"\x07" + h.STAMP + rb"Error on copy file\n"), 15, "the copy error")
        self.assertEqual((folder / "copy.exe").read_bytes(), b"keep me")

        self.save_as(hwnd, None)
        h.wait_for(lambda: self.ran(rb"Cancel Save File Dialog\.\n"), 10, "the cancel line")
        self.assertEqual(self.ui.caption(hwnd), name + " - Ready For Installation")  # still open

        self.ui.click(hwnd, CANCEL)
        self.assertEqual(h.finish(self.process), 0)
        local = re.escape(h.cp1252(h.windows_path(self.local)))
        self.assertTrue(self.ran(h.STAMP + rb"On Clicked 'Save as\.\.\.'\n",
                                 rb"Copy file " + local + rb" -> .*copy\.exe\n",
                                 rb"Copy file " + local + rb" -> .*copy-without-extension\n",
                                 rb"Leave Download/Install\n"))

    def test_cancel_escape_and_close_leave_without_a_line(self):
        for how in ("cancel", "escape", "close"):
            with self.subTest(how=how):
                name = "Leave%s.exe" % how.capitalize()
                hwnd = self.download(name, b"x" * 2000)
                if how == "cancel":
                    self.ui.click(hwnd, CANCEL)
                elif how == "escape":
                    self.ui.command(hwnd, CANCEL)  # what the Escape key sends
                else:
                    self.ui.close(hwnd)
                self.assertEqual(h.finish(self.process), 0)
                self.assertTrue(self.ran(rb"Create new file .*\n", rb"Leave Download/Install\n"))
                self.assertNotIn(b"On Clicked", self.protocol.written())
                self.assertTrue((h.DESKTOP / (name[:-4] + ".lnk")).exists())


if __name__ == "__main__":
    unittest.main()
