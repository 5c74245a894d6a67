// Typing into the page as a person does, key by key: every box after every
// key against what the desktop suites expect, in both languages; the key
// filter, the editing keys and paste.
import { expect, test } from "@playwright/test";
import { expected, expectShows, open, texts } from "./kit.mjs";

const input = "#ClickNomer";

async function clear(page) {
  await page.click(input);
  await page.keyboard.press("End");
  const length = (await page.inputValue(input)).length;
  for (let i = 0; i < length; ++i) await page.keyboard.press("Backspace");
}

for (const [language, index] of [["ENG", 0], ["RUS", 1]]) {
  test(`every key of both example numbers decoded at once, in ${language}`, async ({ page }) => {
    expect(await open(page)).toEqual([]);
    await page.selectOption("#Languag", { index });
    await expectShows(page, "15700940", language);
    for (const serial of expected.decoded) {
      await clear(page);
      await expectShows(page, "", language);
      for (let length = 1; length <= serial.length; ++length) {
        await page.keyboard.press(serial[length - 1]);
        const typed = serial.slice(0, length);
        if (expected.texts[typed]) await expectShows(page, typed, language);
        else expect(await page.inputValue(input)).toBe(typed);
      }
    }
  });
}

test("the key filter: digits and Backspace only, no digit past the 16th; editing keys work", async ({ page }) => {
  await open(page);
  await clear(page);
  // Refused keys leave the box as it was: each is followed by a digit that
  // is taken, so the text tells whether the refused one got in.
  for (const key of ["a", "Z", " ", "-", ".", "+", "Enter", "Escape", "!"]) {
    await page.keyboard.press(key);
    await page.keyboard.press("7");
  }
  expect(await page.inputValue(input)).toBe("777777777");
  // Text typed in one go (an input method's commit) is taken only whole.
  await page.keyboard.insertText("12");
  await page.keyboard.insertText("3x");
  await page.keyboard.insertText("４");
  expect(await page.inputValue(input)).toBe("77777777712");
  await page.keyboard.type("34567");
  expect(await page.inputValue(input)).toBe("7777777771234567");
  await page.keyboard.press("8");
  await page.keyboard.insertText("9");
  expect(await page.inputValue(input)).toBe("7777777771234567");
  // With 16 characters even a digit over a selection is refused.
  await page.keyboard.press("Shift+ArrowLeft");
  await page.keyboard.press("0");
  expect(await page.inputValue(input)).toBe("7777777771234567");
  // Backspace makes room for one digit again; Delete, the arrows, Home and
  // End edit as usual.
  await page.keyboard.press("End");
  await page.keyboard.press("Backspace");
  await page.keyboard.press("1");
  expect(await page.inputValue(input)).toBe("7777777771234561");
  await page.keyboard.press("Home");
  await page.keyboard.press("Delete");
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("Delete");
  expect(await page.inputValue(input)).toBe("77777771234561");
  await clear(page);
  await page.keyboard.type("1065100088");
  await expectShows(page, "1065100088", "ENG");
});

test("a paste is taken as it stands and decoded as it stands", async ({ page, context }) => {
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  await open(page);
  await clear(page);
  for (const [pasted, shown] of [["1065100088", "1065100088"], ["10651000 88", "106510008810651000 88"]]) {
    await page.evaluate((text) => navigator.clipboard.writeText(text), pasted);
    await page.keyboard.press("ControlOrMeta+V");
    expect(await page.inputValue(input)).toBe(shown);
  }
  // Twenty-one characters, a blank among them: no format of that length.
  await expect.poll(() => texts(page)).toEqual({ ...expected.texts[""].ENG, ClickNomer: "106510008810651000 88" });
  await expect(page.locator("#Osibka")).toBeVisible();
  // A pasted letter in the plant code's place: no plant, the rest decoded.
  await clear(page);
  await page.evaluate(() => navigator.clipboard.writeText("x570094"));
  await page.keyboard.press("ControlOrMeta+V");
  await page.keyboard.press("0");
  const shown = await texts(page);
  expect([shown.Strana, shown.Mesiac, shown.God, shown.Seria]).toEqual([expected.notUsed, "October", "1999", "0940"]);
});
