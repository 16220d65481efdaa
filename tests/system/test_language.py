"""The language of the texts: the per-user registry value, else the user's
default language. Holds the registry lock: it changes the prefix's value."""

import unittest

import harness as h

KEY = r"HKCU\Software\Tarvik"


class Language(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        h.registry("delete", KEY, "/v", "language.id", "/f")

    def tearDown(self):
        h.registry("delete", KEY, "/v", "language.id", "/f")

    def refusal_text(self, folder, env=None, screenshot=None):
        """The text of the box a renamed program shows."""
        process = h.start(h.install(folder, "Renamed-" + folder + ".exe"), env=env)
        hwnd, shown = self.ui.message_box(h.DEFAULT_TITLE, timeout=15)
        self.assertIsNotNone(hwnd)
        if screenshot:
            self.ui.screenshot(hwnd, h.artifact(screenshot))
        self.ui.answer(hwnd)
        self.assertEqual(h.finish(process), 0)
        return shown

    def test_registry_value_chooses_german(self):
        self.assertEqual(h.registry("add", KEY, "/v", "language.id", "/t", "REG_DWORD", "/d", "0x407", "/f"), 0)
        protocol = h.Protocol()
        self.assertEqual(self.refusal_text("lang-german", screenshot="refused-name-german.png"), h.TEXT_0x89_DE)
        self.assertIn(h.error_block(h.TEXT_0x89_DE), protocol.written())

        # The shortcut's description comes from the table too.
        program = h.install("lang-german-link", "Download-(1)(de)-GermanLink.exe")
        site = h.Site()
        self.addCleanup(site.close)
        site.serve("de/GermanLink.exe", 1000)
        process = h.start(program, site=site)
        # The setup dialog speaks German too.
        hwnd = self.ui.wait("GermanLink.exe - Bereit zur Installation", 30)
        self.assertIsNotNone(hwnd)
        texts = {i: c.text for i, c in self.ui.controls(hwnd).items()}
        self.assertEqual((texts[1010], texts[1], texts[1005], texts[2], texts[1011]),
                         ("Datei:", "Jetzt installieren...", "Speichern unter...", "Abbrechen", "GermanLink.exe"))
        self.ui.screenshot(hwnd, h.artifact("setup-german.png"))
        self.ui.click(hwnd, 2)
        self.assertEqual(h.finish(process), 0)
        self.assertEqual(h.lnkinfo(h.DESKTOP / "GermanLink.lnk")["Description"], "Installation GermanLink starten")

    def test_german_user_language_without_a_value(self):
        self.assertEqual(self.refusal_text("lang-locale", env={"LC_ALL": "de_DE.UTF-8"}), h.TEXT_0x89_DE)

    def test_ignored_values(self):
        for value_type, value in [("REG_SZ", "0x407"), ("REG_DWORD", "0")]:
            with self.subTest(type=value_type, value=value):
                h.registry("add", KEY, "/v", "language.id", "/t", value_type, "/d", value, "/f")
                self.assertEqual(self.refusal_text("lang-ignored", env={"LC_ALL": "C"}), h.TEXT_0x89)
        # A value that is ignored leaves a German user language in force.
        self.assertEqual(self.refusal_text("lang-ignored-de", env={"LC_ALL": "de_DE.UTF-8"}), h.TEXT_0x89_DE)


if __name__ == "__main__":
    unittest.main()
