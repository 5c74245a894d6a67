// The language list: its choice kept in the browser's storage at once and
// restored on the next visit, a first visit by the browser's preferred
// language, and a page that works as usual where storage is refused.
import { expect, test } from "@playwright/test";
import { expected, expectShows, languageShown, open, texts } from "./kit.mjs";

test("the choice is kept at once and restored on the next visit", async ({ page }) => {
  expect(await open(page)).toEqual([]);
  await expectShows(page, "15700940", "ENG");
  await expect(page.locator("html")).toHaveAttribute("lang", "en");
  await page.selectOption("#Languag", "RUS");
  await expectShows(page, "15700940", "RUS");
  await expect(page.locator("html")).toHaveAttribute("lang", "ru");
  await page.reload();
  await open(page);
  await expectShows(page, "15700940", "RUS");
  await page.selectOption("#Languag", "ENG");
  await page.reload();
  await open(page);
  await expectShows(page, "15700940", "ENG");
});

test("a first visit follows the browser's preferred language; a choice then wins", async ({ browser }) => {
  for (const [locale, language] of [["ru-RU", "RUS"], ["ru", "RUS"], ["en-US", "ENG"], ["de-DE", "ENG"], ["uk-UA", "ENG"]]) {
    const context = await browser.newContext({ locale });
    const page = await context.newPage();
    await open(page);
    await expectShows(page, "15700940", language);
    const other = language === "RUS" ? "ENG" : "RUS";
    await page.selectOption("#Languag", other);
    await page.reload();
    await open(page);
    expect(await languageShown(page), locale).toBe(other);
    await context.close();
  }
});

test("stored values the page cannot use, and a stored -1 (nothing selected)", async ({ page }) => {
  await open(page);
  await page.selectOption("#Languag", "RUS");
  const keys = await page.evaluate(() => Object.keys(localStorage));
  expect(keys).toHaveLength(1);
  for (const stored of ["7", "RUS", "", " 1x"]) {
    await page.evaluate(([key, value]) => localStorage.setItem(key, value), [keys[0], stored]);
    await page.reload();
    await open(page);
    await expectShows(page, "15700940", "ENG");
  }
  // -1 selects nothing: the captions keep the texts the window is built
  // with, and the results stay in the decoder's English.
  await page.evaluate((key) => localStorage.setItem(key, "-1"), keys[0]);
  await page.reload();
  await open(page);
  expect(await languageShown(page)).toBe("");
  const shown = await texts(page);
  expect(shown.TextLanguag).toBe("1Language");
  expect(shown.Strana).toBe(expected.texts["15700940"].ENG.Strana);
  await page.selectOption("#Languag", "RUS");
  await expectShows(page, "15700940", "RUS");
});

const refusals = {
  "storage that throws when touched (a private window, blocked storage)": () => {
    Object.defineProperty(window, "localStorage", {
      get() { throw new DOMException("The operation is insecure.", "SecurityError"); },
    });
  },
  "storage that is full": () => {
    Storage.prototype.setItem = () => { throw new DOMException("The quota has been exceeded.", "QuotaExceededError"); };
  },
};
for (const [what, refuse] of Object.entries(refusals)) {
  test(`${what}: the page works as usual, silently forgetting`, async ({ page }) => {
    await page.addInitScript(refuse);
    expect(await open(page)).toEqual([]);
    await expectShows(page, "15700940", "ENG");
    await page.selectOption("#Languag", "RUS");
    await expectShows(page, "15700940", "RUS");
    await page.reload();
    expect(await open(page)).toEqual([]);
    await expectShows(page, "15700940", "ENG");
  });
}
