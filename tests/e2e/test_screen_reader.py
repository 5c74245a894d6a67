#!/usr/bin/python3
"""The running program as a screen reader's user meets it: every control
reached with the keyboard and read through the accessibility interface
(AT-SPI) by its name, its live text and its states; the language picked with
the arrow keys; typing read back box by box; the About window opened twice
from the menu, its site line clicked with a stand-in browser; the close
request and the language found again at the next start.

    test_screen_reader.py PATH-TO-kavrel [unittest arguments]
"""
import desktop
from desktop import NAMES, RESULT_BOXES, TEXT_BOXES, centre, children, click, extents, keys, press, role, states
from desktop import type_text, wait_equal, wait_for

SITE_ADDRESS = "http://" + desktop.SITE


class ScreenReader(desktop.DesktopTest):

    def start(self, browser=None):
        program = self.program(browser)
        window = program.start()
        desktop.focus(program.window)
        wait_equal(window.focused, ["ClickNomer"], what="the keyboard focus")
        return program, window

    def reads(self, window, serial, language):
        """Everything the window says, as a screen reader reads it: the live
        text and the name of every box, the selection of the language list,
        whether the error line is there to be read."""
        wait_equal(window.language, language, what="the language list's selection")
        wait_equal(lambda: window.text("ClickNomer"), serial, what="the input box")
        expected = desktop.expected_texts(serial, language)
        self.assertEqual(window.texts(), expected)
        names = window.names()
        self.assertEqual(names, desktop.expected_names(expected))
        self.assertEqual(window.error_shown(), serial not in desktop.DECODED)
        # Named, each, and no two result boxes alike.
        self.assertEqual([n for n in NAMES if not window[n].name], [])
        self.assertEqual(len({names[box] for box in RESULT_BOXES}), len(RESULT_BOXES))

    def test_every_control_is_named_and_reached_with_the_keyboard(self):
        program, window = self.start()
        self.reads(window, "15700940", "ENG")

        # Each control where the layout puts it, of the kind it is.
        ox, oy, _, _ = extents(window.client)
        for name, left, top, width, height in desktop.CONTROLS:
            kind = states(window[name])
            with self.subTest(control=name):
                if name == "Osibka":
                    self.assertNotIn("showing", kind)
                else:
                    self.assertEqual(extents(window[name]), (ox + left, oy + top, width, height))
                    self.assertIn("showing", kind)
                self.assertIn("focusable", kind)
                if name == "Languag":
                    self.assertEqual(role(window[name]), "combo box")
                    self.assertEqual([i.name for i in children(children(window[name])[0])], ["ENG", "RUS"])
                else:
                    self.assertEqual(role(window[name]), "text")
                    self.assertEqual("read only" in kind, name not in ("ClickNomer", "TextVvedite"))
        self.assertEqual([(m.name, role(m)) for m in children(window.menu_bar)],
                         [("Print", "menu item"), ("About", "menu item")])

        # Tab walks through all 25 in their order and comes back, the error
        # line included while it is shown; on the way the arrow keys pick a
        # language in the list.
        keys("BackSpace")
        self.reads(window, "1570094", "ENG")
        for step, name in enumerate(NAMES[1:] + NAMES[:1], start=1):
            keys("Tab")
            wait_equal(window.focused, [name], what=f"the focus after {step} Tab presses")
            if name == "Languag":
                keys("Down")
                self.reads(window, "1570094", "RUS")
        # Tab selects the whole input; End lets the next digit add to it.
        keys("End")
        type_text("0")
        self.reads(window, "15700940", "RUS")
        # A hidden error line is not in the way. (The focus is put on the
        # title line through the accessibility interface, as a reader can.)
        window["TextOpredelenie"].queryComponent().grabFocus()
        wait_equal(window.focused, ["TextOpredelenie"], what="the focus given through the accessibility interface")
        keys("Tab")
        wait_equal(window.focused, ["Languag"], what="the focus after the title line")
        keys("shift+Tab")
        wait_equal(window.focused, ["TextOpredelenie"], what="the focus before the list")
        keys("Tab", "Tab", "Tab", "Tab", "Tab")
        wait_equal(window.focused, ["ClickNomer"], what="the focus back in the input box")

        # Back with Shift+Tab: the list is four places before the input box.
        for name in ("www", "TextPolucheno", "TextLanguag", "Languag"):
            keys("shift+Tab")
            wait_equal(window.focused, [name], what="the focus going back")
        keys("Up")
        self.reads(window, "15700940", "ENG")
        keys("Up")  # nothing above the first item
        keys("Tab", "Tab", "Tab", "Tab")
        wait_equal(window.focused, ["ClickNomer"], what="the focus back in the input box")
        self.reads(window, "15700940", "ENG")
        program.close()
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=0"])

    def test_typing_read_back_box_by_box(self):
        program, window = self.start()
        keys("End", *["BackSpace"] * 8)
        self.reads(window, "", "ENG")
        type_text("1065100088")
        self.reads(window, "1065100088", "ENG")
        # Letters and a blank are refused; Backspace after them proves it.
        type_text("x Y")
        keys("BackSpace")
        self.reads(window, "106510008", "ENG")
        type_text("8")
        self.reads(window, "1065100088", "ENG")
        keys("Home", "Delete")
        self.reads(window, "065100088", "ENG")
        type_text("1")
        self.reads(window, "1065100088", "ENG")
        # Sixteen characters, then digits are refused.
        keys("End")
        type_text("123456")
        self.reads(window, "1065100088123456", "ENG")
        type_text("78")
        keys("BackSpace")
        self.reads(window, "106510008812345", "ENG")
        type_text("9")
        self.reads(window, "1065100088123459", "ENG")
        keys(*["BackSpace"] * 6)
        self.reads(window, "1065100088", "ENG")
        self.assertEqual(window.focused(), ["ClickNomer"])
        program.close()

    def about_windows(self, app):
        return [w for w in children(app) if w.name == "About"]

    def test_about_window_its_site_line_closing_and_restart(self):
        browser = desktop.StandInBrowser(self.folder)
        program, window = self.start(browser.path)
        about_item = window.menu_item("About")
        self.assertEqual(window.menu_item("Print").name, "Print")

        # First with the mouse on the menu item.
        click(*centre(about_item))
        about_id = wait_for(lambda: desktop.top_windows("About"), what="the About window")[0]
        about = wait_for(lambda: self.about_windows(window.app), what="the About window on the bus")[0]
        stack = desktop.stacking()
        self.assertGreater(stack.index(about_id), stack.index(program.window), "About is not in front")
        self.assertEqual(role(about), "frame")
        self.assertIn("showing", states(about))

        # Every object in it is named, the text boxes by their own text; the
        # frame drawn around the contact lines is a line, not a control.
        page = children(about)[0]
        objects = children(page)
        unnamed = [role(o) for o in objects if not o.name]
        self.assertEqual(unnamed, ["frame"])
        for o in objects:
            if role(o) == "text":
                self.assertEqual(o.name, desktop.text_of(o))
                self.assertIn("read only", states(o))
        self.assertEqual([o.name for o in objects if role(o) == "label"][:2], ["Kavrel", "Version 2"])
        site = next(o for o in objects if role(o) == "text" and desktop.text_of(o) == desktop.SITE)

        # The main window put in front; About chosen again, through the
        # menu item's own action as a screen reader offers it: the same one
        # window comes to the front, no second one.
        desktop.raise_window(program.window)
        wait_for(lambda: desktop.stacking().index(program.window) > desktop.stacking().index(about_id),
                 what="the main window in front")
        press(about_item)
        wait_for(lambda: desktop.stacking().index(about_id) > desktop.stacking().index(program.window),
                 what="the About window back in front")
        self.assertEqual(desktop.top_windows("About"), [about_id])
        self.assertEqual(len(self.about_windows(window.app)), 1)

        # Its site line opens the site, exactly this address.
        click(*centre(site))
        wait_equal(browser.addresses, [SITE_ADDRESS], what="the addresses the browser got")
        # So does the main window's site line.
        click(*centre(window["www"]))
        wait_equal(browser.addresses, [SITE_ADDRESS] * 2, what="the addresses the browser got")

        # Russian picked with the keyboard; the About window stays as it is.
        # (The click left the focus on the site line, which is three places
        # after the list.)
        desktop.focus(program.window)
        wait_equal(window.focused, ["www"], what="the keyboard focus")
        keys(*["shift+Tab"] * 3)
        wait_equal(window.focused, ["Languag"], what="the focus in the language list")
        keys("Down")
        self.reads(window, "15700940", "RUS")
        self.assertEqual([o.name for o in children(page)], [o.name for o in objects])

        # A close request to the main window while About is open closes both.
        program.close()
        self.assertEqual(desktop.top_windows("About"), [])
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=1"])

        # The next start finds Russian again, and no About window.
        program, window = self.start(browser.path)
        self.reads(window, "15700940", "RUS")
        self.assertEqual(self.about_windows(window.app), [])
        program.close()
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=1"])
        self.assertEqual(browser.addresses(), [SITE_ADDRESS] * 2)


if __name__ == "__main__":
    desktop.main(__file__)
