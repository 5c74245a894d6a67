// Links that open a decode (#SERIAL, #SERIAL&lang=ru), online and off, the
// address following the input box without new history entries, and the
// share control with and without the system's share sheet.
import { expect, test } from "@playwright/test";
import { expected, expectShows, languageShown, open, texts } from "./kit.mjs";

// The share text the window's table makes for a serial number in a
// language, with its link.
function shareText(serial, language, link) {
  const shown = expected.texts[serial][language];
  const captions = expected.captions[language];
  return expected.resultBoxes.map((box) => `${captions[`Text${box}`]} ${shown[box]}\n`).join("") + `${link}\n`;
}

// A visit: the page loaded afresh (a link that differs from the open page
// in its fragment alone would only change the open page's fragment).
async function visit(page, path) {
  await page.goto("about:blank");
  return open(page, path);
}

// The address's fragment, once it has followed the input box.
async function expectFragment(page, fragment) {
  await expect.poll(() => new URL(page.url()).hash).toBe(fragment);
}

async function clearInput(page) {
  await page.click("#ClickNomer");
  await page.keyboard.press("End");
  const length = (await page.inputValue("#ClickNomer")).length;
  for (let i = 0; i < length; ++i) await page.keyboard.press("Backspace");
}

test("a link opens its number decoded; a fragment that is not digits is taken as a paste is", async ({ page }) => {
  expect(await visit(page, "/#1065100088")).toEqual([]);
  await expectShows(page, "1065100088", "ENG");
  expect(page.url()).toMatch(/\/#1065100088$/);
  // A link's fragment followed on the open page too.
  await page.evaluate(() => { location.hash = "#15700940"; });
  await expectShows(page, "15700940", "ENG");

  for (const [fragment, input] of [["#10651%2000%2088", "10651 00 88"], ["#abc&lang=xx", "abc"], ["#%D0%96", "Ж"]]) {
    const problems = await visit(page, `/${fragment}`);
    expect(problems, fragment).toEqual([]);
    expect(await page.inputValue("#ClickNomer"), fragment).toBe(input);
    await expect(page.locator("#Osibka"), fragment).toBeVisible();
    expect((await texts(page)).SeriiniiNomer, fragment).toBe(expected.notUsed);
  }
});

test("a link's language holds for the visit only; without one, the device's choice holds", async ({ page }) => {
  await visit(page, "/#1065100088&lang=ru");
  await expectShows(page, "1065100088", "RUS");
  await visit(page, "/");
  expect(await languageShown(page), "not stored").toBe("ENG");

  // A choice made on the device: kept against a link without a language,
  // given way to for a link that names one, and still there after it.
  await page.selectOption("#Languag", "RUS");
  await visit(page, "/#15700940");
  await expectShows(page, "15700940", "RUS");
  await visit(page, "/#15700940&lang=en");
  await expectShows(page, "15700940", "ENG");
  await visit(page, "/#lang=en");
  await expectShows(page, "15700940", "ENG");
  await visit(page, "/");
  await expectShows(page, "15700940", "RUS");

  // The link's language stays in the address as the user types, until the
  // user chooses one.
  await visit(page, "/#1570094&lang=en");
  await page.click("#ClickNomer");
  await page.keyboard.press("End");
  await page.keyboard.press("0");
  await expectFragment(page, "#15700940&lang=en");
  await page.selectOption("#Languag", "ENG");
  await expectFragment(page, "#15700940");
});

test("the address follows the input box, replacing itself, never adding to the history", async ({ page, context }) => {
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  await open(page);
  const start = await page.evaluate(() => history.length);
  // Well past the pause after which the address follows the box.
  await page.waitForTimeout(600);
  expect(new URL(page.url()).hash, "nothing changed at the load").toBe("");
  await clearInput(page);
  await expect.poll(() => page.url()).not.toContain("#");
  for (const key of "1065100088") await page.keyboard.press(key);
  await expectFragment(page, "#1065100088");
  await page.keyboard.press("Backspace");
  await expectFragment(page, "#106510008");
  // A paste of anything: in the address as a link reads it back.
  await clearInput(page);
  await page.evaluate(() => navigator.clipboard.writeText("10 65&1"));
  await page.keyboard.press("ControlOrMeta+V");
  await expectFragment(page, "#10%2065%261");
  expect(await page.evaluate(() => history.length)).toBe(start);
  // The address made is a link to what the box holds.
  await visit(page, page.url());
  expect(await page.inputValue("#ClickNomer")).toBe("10 65&1");
});

test("a link opens offline", async ({ page, context }) => {
  await open(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await open(page);
  await context.setOffline(true);
  expect(await visit(page, "/#1065100088&lang=ru")).toEqual([]);
  await expectShows(page, "1065100088", "RUS");
});

test("share: the system's share sheet where there is one", async ({ page, baseURL }) => {
  await page.addInitScript(() => {
    window.shared = [];
    navigator.share = (data) => {
      window.shared.push(data);
      return Promise.resolve();
    };
  });
  await visit(page, "/#1065100088&lang=ru");
  await page.click("#Share");
  await expect.poll(() => page.evaluate(() => window.shared)).toEqual([
    { text: shareText("1065100088", "RUS", `${baseURL}#1065100088`) },
  ]);
  await expect(page.locator("#Notice")).toBeHidden();
  // The sheet closed without sharing: nothing to say.
  await page.evaluate(() => { navigator.share = () => Promise.reject(new DOMException("", "AbortError")); });
  await page.click("#Share");
  await expect(page.locator("#Notice")).toBeHidden();
});

test("share: the clipboard where there is no share sheet, saying so; a refusal said too", async ({ page, context, baseURL }) => {
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  await page.addInitScript(() => { delete Navigator.prototype.share; });
  await open(page);
  expect(await page.evaluate(() => "share" in navigator)).toBe(false);
  await clearInput(page);
  await page.keyboard.type("15700940");
  await page.click("#Share");
  await expect(page.locator("#Notice")).toHaveText("The result and its link are copied to the clipboard.");
  expect(await page.evaluate(() => navigator.clipboard.readText()))
    .toBe(shareText("15700940", "ENG", `${baseURL}#15700940`));

  // Not decoded in full: the error line before the link, in Russian.
  await page.selectOption("#Languag", "RUS");
  await expect(page.locator("#Notice")).toHaveText("Результат и ссылка скопированы в буфер обмена.");
  await clearInput(page);
  await page.keyboard.type("1570");
  await page.click("#Share");
  const text = await page.evaluate(() => navigator.clipboard.readText());
  expect(text.endsWith(`\n${expected.captions.RUS.Osibka}\n${baseURL}#1570\n`)).toBe(true);

  await page.evaluate(() => { navigator.clipboard.writeText = () => Promise.reject(new DOMException("", "NotAllowedError")); });
  await page.click("#Share");
  await expect(page.locator("#Notice")).toHaveText("Браузер не разрешил копирование в буфер обмена.");
});
