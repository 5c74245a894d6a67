// Reading the serial number from a photo: photos given to the file input
// as a phone's camera or a file chooser gives them, the candidates, the
// choice filling the window as typing would, in both languages; cancel, a
// photo without a serial number, a file that is no picture, a 50
// megapixel photo, typing while a photo is read, the control's place on
// both layouts, and reading with the network off on a second visit.
import { expect, test } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { axeViolations, desktop, expected, expectShows, open, phones, texts } from "./kit.mjs";
import { notAPicture, photo } from "./photos.mjs";

const file = "#ReadPhotoFile";
const candidates = page => page.locator("#ReadingCandidates button");
const status = page => page.locator("#ReadingStatus");

// The texts of the page's own controls, as the page's module hands them.
async function pageText(page, name) {
  return page.evaluate(async (text) => (await import("./kavrel.js")).pageText(text), name);
}

async function readPhoto(page, path) {
  await page.setInputFiles(file, path);
  await expect(page.locator("#ReadingClose")).toBeVisible({ timeout: 30_000 });
}

async function clear(page) {
  await page.fill("#ClickNomer", "");
}

test("the serial is the first candidate; choosing it fills the window as typing does, in both languages", async ({ page }) => {
  expect(await open(page)).toEqual([]);
  for (const [name, serial, language] of [["ten", "1065100088", "ENG"], ["eight", "15700940", "RUS"]]) {
    await page.selectOption("#Languag", language);
    await clear(page);
    await readPhoto(page, photo(name));
    const first = candidates(page).first();
    await expect(first.locator(".digits")).toHaveText(serial);
    await expect(first).toHaveAccessibleName(new RegExp(`^${serial}\\b`));
    // The candidate tells plant, month and year in the chosen language.
    const shown = expected.texts[serial][language];
    for (const box of ["Strana", "Mesiac", "God"]) await expect(first).toContainText(shown[box]);
    await first.click();
    await expectShows(page, serial, language);
    await expect(page.locator("#Reading")).toBeHidden();
  }
});

test("the candidates follow a language change", async ({ page }) => {
  await open(page);
  await readPhoto(page, photo("ten"));
  const first = candidates(page).first();
  await expect(first).toContainText(expected.texts["1065100088"].ENG.Strana);
  await page.selectOption("#Languag", "RUS");
  await expect(first).toContainText(expected.texts["1065100088"].RUS.Strana);
  await expect(page.locator("#ReadingFound")).toHaveText(await pageText(page, "ReadFound"));
  expect(await pageText(page, "ReadFound")).not.toBe("Found on the photo:");
});

test("cancel stops the reading and leaves the window as it was; the next photo is read", async ({ page }) => {
  await open(page);
  const before = await texts(page);
  await page.setInputFiles(file, photo("phone"));
  await page.click("#ReadingCancel");
  await expect(status(page)).toHaveText(await pageText(page, "ReadCancelled"));
  await expect(candidates(page)).toHaveCount(0);
  expect(await texts(page)).toEqual(before);
  await readPhoto(page, photo("eight"));
  await expect(candidates(page).first().locator(".digits")).toHaveText("15700940");
});

test("a photo without a serial number says so in one line", async ({ page }) => {
  await open(page);
  const before = await texts(page);
  await readPhoto(page, photo("none"));
  await expect(status(page)).toHaveText(await pageText(page, "ReadNothing"));
  // Runs of digits that do not decode may be offered, marked; none decodes.
  await expect(page.locator("#ReadingCandidates button:not(.partly)")).toHaveCount(0);
  expect(await texts(page)).toEqual(before);
});

test("a file that is no picture: one clear line, nothing else changes", async ({ page }) => {
  await open(page);
  const before = await texts(page);
  await readPhoto(page, notAPicture);
  await expect(status(page)).toHaveText(await pageText(page, "ReadNotPicture"));
  await expect(candidates(page)).toHaveCount(0);
  expect(await texts(page)).toEqual(before);
});

// The largest resident set of the browser's processes while `work` runs,
// in megabytes: the worker runs in the page's renderer.
async function peakMemory(work) {
  let peak = 0;
  let running = true;
  const sampler = (async () => {
    while (running) {
      const sizes = execFileSync("ps", ["-C", "chromium", "-o", "rss="], { encoding: "utf8" })
        .split("\n").filter(Boolean).map(Number);
      peak = Math.max(peak, ...sizes);
      await new Promise((done) => setTimeout(done, 50));
    }
  })();
  try {
    await work();
  } finally {
    running = false;
    await sampler;
  }
  return peak / 1024;
}

test("a 50 megapixel photo is read in bounded memory, and keys are taken meanwhile", async ({ page }) => {
  test.setTimeout(120_000);
  await open(page);
  await clear(page);
  const peak = await peakMemory(async () => {
    await page.setInputFiles(file, photo("huge"));
    // Typing goes on while the photo is read.
    await page.click("#ClickNomer");
    await page.keyboard.type("1065100088");
    await expectShows(page, "1065100088", "ENG");
    await expect(page.locator("#ReadingClose")).toBeVisible({ timeout: 60_000 });
  });
  await expect(candidates(page).first().locator(".digits")).toHaveText("15700940");
  // 200 megabytes of pixels at full size; the decoder scales while it decodes.
  expect(peak).toBeLessThan(600);
});

test.describe("wide", () => {
  test.use(desktop);

  test("the photo control sits in the window's free room and covers no control", async ({ page }) => {
    await open(page);
    const client = await page.locator("#Kavrel").boundingBox();
    const control = await page.locator("#ReadPhoto").boundingBox();
    expect([control.x - client.x, control.y - client.y, control.width, control.height]).toEqual([375, 128, 232, 28]);
    for (const [name, left, top, width, height] of expected.controls) {
      const apart = left >= 375 + 232 || left + width <= 375 || top >= 128 + 28 || top + height <= 128;
      expect(apart, name).toBe(true);
    }
    await expect(page.locator("#ReadPhoto")).toHaveText(await pageText(page, "ReadPhoto"));
    // What is read shows under the window.
    await readPhoto(page, photo("ten"));
    const panel = await page.locator("#Reading").boundingBox();
    expect(panel.y).toBeGreaterThanOrEqual(client.y + client.height);
    expect(await axeViolations(page)).toEqual([]);
  });
});

test.describe("phone", () => {
  test.use(phones[320]);

  test("the photo control beside the input, a touch target of 44 px; candidates under it", async ({ page }) => {
    await open(page);
    const input = await page.locator("#ClickNomer").boundingBox();
    const control = await page.locator("#ReadPhoto").boundingBox();
    expect(Math.min(control.width, control.height)).toBeGreaterThanOrEqual(44);
    expect(control.x).toBeGreaterThanOrEqual(input.x + input.width);
    expect(control.y).toBeLessThan(input.y + input.height);
    expect(control.x + control.width).toBeLessThanOrEqual(320);
    await expect(page.getByRole("button", { name: await pageText(page, "ReadPhoto"), exact: true }))
      .toHaveAttribute("capture", "environment");
    await page.selectOption("#Languag", "RUS");
    await readPhoto(page, photo("eight"));
    const first = await candidates(page).first().boundingBox();
    expect(first.y).toBeGreaterThan(input.y + input.height);
    expect(first.x + first.width).toBeLessThanOrEqual(320);
    expect(Math.min(first.width, first.height)).toBeGreaterThanOrEqual(44);
    expect(await axeViolations(page)).toEqual([]);
  });
});

test("on a second visit a photo is read with the network off", async ({ page, context }) => {
  await open(page);
  // The page asks its worker to keep the reader and the engine once idle.
  await expect.poll(() => page.evaluate(async () => {
    const keys = await caches.keys();
    const kept = await Promise.all(keys.map(async (name) => (await (await caches.open(name)).keys()).map((r) => r.url)));
    return kept.flat().filter((url) => /\/(reader|engine)\//.test(url)).length;
  }), { timeout: 30_000 }).toBeGreaterThanOrEqual(7);
  await context.setOffline(true);
  await page.reload();
  expect(await open(page)).toEqual([]);
  await readPhoto(page, photo("ten"));
  await expect(candidates(page).first().locator(".digits")).toHaveText("1065100088");
});
