// Once visited, the page opens and decodes with the network off, and
// Chromium finds nothing that keeps it from being installed.
import { chromium, expect, test } from "@playwright/test";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { browserFlags, expectShows, open } from "./kit.mjs";

test("after one visit, a reload with the network off opens and decodes", async ({ page, context }) => {
  await open(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  // The worker answers from the next visit on.
  await page.reload();
  await open(page);
  expect(await page.evaluate(() => navigator.serviceWorker.controller !== null)).toBe(true);
  await context.setOffline(true);
  const failed = [];
  page.on("requestfailed", (request) => failed.push(request.url()));
  await page.reload();
  expect(await open(page)).toEqual([]);
  await page.click("#ClickNomer");
  await page.keyboard.press("End");
  for (let i = 0; i < 8; ++i) await page.keyboard.press("Backspace");
  await page.keyboard.type("1065100088");
  await expectShows(page, "1065100088", "ENG");
  await page.selectOption("#Languag", "RUS");
  await expectShows(page, "1065100088", "RUS");
  expect(failed).toEqual([]);
});

test("Chromium reports no installability errors", async ({ baseURL }) => {
  // Installability is not judged in an incognito context: a profile of
  // the test's own.
  const profile = mkdtempSync(join(tmpdir(), "kavrel-profile-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium", args: browserFlags, baseURL,
  });
  try {
    const page = context.pages()[0] || await context.newPage();
    await open(page);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const session = await context.newCDPSession(page);
    const { installabilityErrors } = await session.send("Page.getInstallabilityErrors");
    expect(installabilityErrors).toEqual([]);
    const manifest = await session.send("Page.getAppManifest");
    expect(manifest.errors).toEqual([]);
  } finally {
    await context.close();
    rmSync(profile, { recursive: true, force: true });
  }
});
