#!/usr/bin/python3
"""The program on a real X display, typed at with xdotool as a person types:
what each key does to the input box and to the results on screen, a paste
from the context menu, the language picked with the mouse, the close request,
the settings file it leaves and the next start. The screen is read through
the accessibility interface and, where pixels say it plainly, from the
window's own pixels.

    test_display.py PATH-TO-kavrel [unittest arguments]

A key that must be refused cannot be waited for: each such key is followed
by one that must be taken, and the text after that one tells whether the
refused key changed anything (the X server delivers keys in order).
"""
import desktop
from desktop import click, centre, keys, park_mouse, type_text, wait_equal, wait_for, Image

RED = (255, 0, 0)


class OnTheDisplay(desktop.DesktopTest):

    def start(self):
        program = self.program()
        window = program.start()
        desktop.focus(program.window)
        wait_equal(window.focused, ["ClickNomer"], what="the keyboard focus")
        self.window_id = program.window
        return program, window

    def typed(self, window, text):
        wait_equal(lambda: window.text("ClickNomer"), text, what="the input box")

    def shows(self, window, serial, language):
        """The whole window as the screen reader reads it, and its error line
        as the eye sees it: red text exactly while the number is not decoded."""
        self.assertEqual(window.language(), language)
        expected = desktop.expected_texts(serial, language)
        self.assertEqual(window.texts(), expected)
        self.assertEqual(window.names(), desktop.expected_names(expected))
        error = serial not in desktop.DECODED
        self.assertEqual(window.error_shown(), error)
        red = Image(self.window_id).region(*window.rect_in_window("Osibka")).count(RED)
        if error:
            self.assertGreater(red, 20, "the error line shows no red text")
        else:
            self.assertEqual(red, 0, "red on the hidden error line's place")

    def test_keys_on_a_real_keyboard(self):
        program, window = self.start()
        self.shows(window, "15700940", "ENG")
        park_mouse()
        first = Image(program.window)
        # The engraved separator: grey over white across the client area.
        ox, oy = window.client_origin()
        self.assertEqual(set(first.region(ox, oy, 616, 1)), {(128, 128, 128)})
        self.assertEqual(set(first.region(ox, oy + 1, 616, 1)), {(255, 255, 255)})

        keys("End", "BackSpace", "BackSpace")
        self.typed(window, "157009")
        self.shows(window, "157009", "ENG")

        # Letters, a blank and punctuation are refused; the digit is taken,
        # from the keypad too, where Enter is refused as the other Enter is.
        type_text("aZ -.")
        type_text("4")
        self.typed(window, "1570094")
        keys("KP_Enter", "KP_0")
        self.typed(window, "15700940")
        self.shows(window, "15700940", "ENG")
        # The same state looks the same, pixel for pixel (the input box
        # aside: its caret blinks).
        park_mouse()
        count, where = Image(program.window).differences(first, skip=[window.rect_in_window("ClickNomer")])
        self.assertEqual(count, 0, f"pixels differ from the first picture, e.g. at {where}")

        # Delete, which X reports with the text "\x7f", deletes forward.
        keys("Home", "Delete")
        self.typed(window, "5700940")
        self.shows(window, "5700940", "ENG")
        type_text("1")
        self.typed(window, "15700940")

        # The shortcuts that type control characters do nothing here; the
        # clipboard holds a text, copied from a result box, to prove it.
        click(*centre(window["Zavod"]))
        wait_equal(window.focused, ["Zavod"], what="the keyboard focus")
        keys("ctrl+a", "ctrl+c")
        click(*centre(window["ClickNomer"]))
        wait_equal(window.focused, ["ClickNomer"], what="the keyboard focus")
        keys("End", "ctrl+v", "ctrl+a")
        type_text("9")  # after a select-all it would replace everything
        self.typed(window, "157009409")
        keys("shift+Home", "ctrl+x", "End", "BackSpace")  # a cut would leave nothing to erase
        self.typed(window, "15700940")
        keys("Return", "Escape", "ctrl+z")  # an undo would bring the 9 back
        type_text("1")
        self.typed(window, "157009401")
        keys("BackSpace")
        self.typed(window, "15700940")

        # Pasting from the box's context menu is not typing: it is taken
        # whole, and the window decodes what it got.
        before = len(desktop.stacking())
        click(*centre(window["ClickNomer"]), button=3)
        wait_for(lambda: len(desktop.stacking()) > before, what="the context menu")
        keys("p")
        self.typed(window, "15700940" + desktop.GMBH)
        self.shows(window, "15700940" + desktop.GMBH, "ENG")
        keys("shift+Home", "BackSpace")
        self.typed(window, "")
        self.shows(window, "", "ENG")

        # Sixteen characters at most are typed; Backspace frees one place.
        type_text("1570094012345678")
        self.typed(window, "1570094012345678")
        type_text("9")
        keys("BackSpace")
        self.typed(window, "157009401234567")
        type_text("9")
        self.typed(window, "1570094012345679")
        self.shows(window, "1570094012345679", "ENG")
        # With 16 characters even a digit that would replace a selection is
        # refused: the selection is still there for Backspace to erase.
        keys("shift+Home")
        type_text("5")
        keys("BackSpace")
        self.typed(window, "")
        type_text("1065100088")
        self.typed(window, "1065100088")
        self.shows(window, "1065100088", "ENG")

        program.close()
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=0"])

    def pick(self, window, language):
        """Chooses a language with the mouse: the list opens, the item is
        clicked."""
        combo = window["Languag"]
        click(*centre(combo))
        popup = desktop.children(combo)[0]
        item = next(i for i in desktop.children(popup) if i.name == language)
        wait_for(lambda: "showing" in desktop.states(popup) and "focused" in desktop.states(popup),
                 what="the open language list")
        x, _, width, _ = desktop.extents(popup)
        _, y = centre(item)
        click(x + width // 2, y)
        wait_equal(window.language, language, what="the language")

    def test_language_closing_and_the_next_start(self):
        program, window = self.start()
        self.pick(window, "RUS")
        self.shows(window, "15700940", "RUS")
        click(*centre(window["ClickNomer"]))
        keys("End", "shift+Home", "BackSpace")
        type_text("1065100088")
        self.typed(window, "1065100088")
        self.shows(window, "1065100088", "RUS")
        keys("shift+Home", "BackSpace")
        type_text("15700940")
        self.typed(window, "15700940")
        # The list keeps the look of a pointer over it after its popup
        # closed, until the pointer passes over it again.
        desktop.move_mouse(*centre(window["Languag"]))
        park_mouse()
        closing = Image(program.window)
        program.close()
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=1"])

        # The next start comes back in Russian and looks as the window did
        # when it was closed.
        program, window = self.start()
        self.shows(window, "15700940", "RUS")
        park_mouse()
        count, where = Image(program.window).differences(closing, skip=[window.rect_in_window("ClickNomer")])
        self.assertEqual(count, 0, f"pixels differ from the window as it was closed, e.g. at {where}")
        self.pick(window, "ENG")
        self.shows(window, "15700940", "ENG")
        program.close()
        self.assertEqual(program.read_settings().split(), [b"[LANG]", b"LANG=0"])


if __name__ == "__main__":
    desktop.main(__file__)
