// What a screen reader finds: the input and each result named by their
// captions, the list by its label, the error line an alert; and axe-core's
// rules, in both languages, on both layouts, with the error line shown and
// hidden.
import { expect, test } from "@playwright/test";
import { axeViolations, desktop, expected, open, phones } from "./kit.mjs";

// A caption as a name: the browser reads it with its blanks collapsed.
function spoken(text) {
  return text.split(/\s+/).filter(Boolean).join(" ");
}

for (const [layout, device] of [["wide", desktop], ["phone", phones[412]]]) {
  test(`${layout}: named by captions, no axe violations in either language, error shown or not`, async ({ browser }) => {
    const context = await browser.newContext(device);
    const page = await context.newPage();
    await open(page);
    for (const language of ["ENG", "RUS"]) {
      await page.selectOption("#Languag", language);
      for (const serial of ["15700940", "1570"]) {
        await page.fill("#ClickNomer", serial);
        await expect(page.locator("#Osibka")).toBeVisible({ visible: serial.length !== 8 });
        expect(await axeViolations(page), `${language} ${serial}`).toEqual([]);
      }
      const captions = expected.captions[language];
      await expect(page.getByRole("textbox", { name: spoken(captions.TextVvedite), exact: true })).toHaveCount(1);
      await expect(page.getByRole("combobox", { name: spoken(captions.TextLanguag), exact: true })).toHaveCount(1);
      for (const box of expected.resultBoxes) {
        await expect(page.getByRole("status", { name: spoken(captions[`Text${box}`]), exact: true }), box)
          .toHaveCount(1);
      }
      await expect(page.getByRole("alert")).toHaveText(captions.Osibka);
    }
    await page.click("#mnuAbout");
    expect(await axeViolations(page), "About open").toEqual([]);
    await context.close();
  });
}
