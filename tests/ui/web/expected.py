#!/usr/bin/python3
"""Prints, as JSON, what the desktop suites expect of the main window
(tests/e2e/desktop.py), for the browser tests to compare the page with:
the controls' places, the captions, and every box's text for each serial
number the tests type and each prefix of it, in both languages."""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
import desktop  # noqa: E402


def texts_while_typing(serial):
    """Each text typed on the way to `serial` whose decode the desktop
    suites know, with the box texts it shows in each language."""
    out = {}
    for length in range(len(serial) + 1):
        typed = serial[:length]
        try:
            out[typed] = {language: desktop.expected_texts(typed, language) for language in desktop.CAPTIONS}
        except ValueError:  # an 8 or 10 digit prefix that no table row names
            pass
    return out


texts = {}
for serial in desktop.DECODED:
    texts.update(texts_while_typing(serial))

json.dump({
    "site": desktop.SITE,
    "notUsed": desktop.NOT_USED,
    "controls": desktop.CONTROLS,
    "textBoxes": desktop.TEXT_BOXES,
    "resultBoxes": desktop.RESULT_BOXES,
    "captions": desktop.CAPTIONS,
    "decoded": list(desktop.DECODED),
    "texts": texts,
}, sys.stdout, ensure_ascii=False)
