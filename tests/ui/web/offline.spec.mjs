// Once visited, the page opens and decodes with the network off, and
// Chromium finds nothing that keeps it from being installed.
import { chromium, expect, test } from "@playwright/test";
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { chromiumLaunch, serve } from "../../../scripts/web_kit.mjs";
import { expectShows, open, site } from "./kit.mjs";

test("after one visit, a reload with the network off opens and decodes", async ({ page, context }) => {
  await open(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  // The worker answers from the next visit on.
  await page.reload();
  await open(page);
  expect(await page.evaluate(() => navigator.serviceWorker.controller !== null)).toBe(true);
  await context.setOffline(true);
  // Every file comes from the worker. (A request of the page before the
  // reload, its icon say, may be cut off by the reload: not a failure.)
  const failed = [];
  const fromNetwork = [];
  page.on("requestfailed", (request) => {
    if (request.failure()?.errorText !== "net::ERR_ABORTED") failed.push(request.url());
  });
  page.on("response", (response) => {
    if (!response.fromServiceWorker()) fromNetwork.push(response.url());
  });
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
  expect(fromNetwork).toEqual([]);
});

test("Chromium reports no installability errors", async ({ baseURL }) => {
  // Installability is not judged in an incognito context: a profile of
  // the test's own.
  const profile = mkdtempSync(join(tmpdir(), "kavrel-profile-"));
  const context = await chromium.launchPersistentContext(profile, { ...chromiumLaunch, baseURL });
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

test("a new version of the site takes over on the next visit", async ({ page }) => {
  // A copy of the site of the test's own, served on a port of its own,
  // which the test then changes as a new build would.
  const copy = mkdtempSync(join(tmpdir(), "kavrel-site-"));
  cpSync(site, copy, { recursive: true });
  const server = await serve(copy);
  const url = server.url;
  try {
    await open(page, url);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const title = await page.title();

    const edit = (name, change) => writeFileSync(join(copy, name), change(readFileSync(join(copy, name), "utf8")));
    edit("index.html", (html) => html.replace(/<title>[^<]*</, "<title>New version<"));
    edit("sw.js", (worker) => worker.replace(/const CACHE = "kavrel-[^"]*"/, 'const CACHE = "kavrel-new-version"'));
    // This visit still gets the kept page; its worker finds the new one,
    // which keeps the new files and drops the old ones.
    await page.reload();
    await open(page, url);
    expect(await page.title()).toBe(title);
    // The reading engine's cache is the engine's alone, and stays.
    const pageCaches = () => page.evaluate(async () => (await caches.keys()).filter((name) => !name.startsWith("kavrel-engine-")));
    await expect.poll(pageCaches, { timeout: 15_000 }).toEqual(["kavrel-new-version"]);
    await page.reload();
    await open(page, url);
    expect(await page.title()).toBe("New version");
  } finally {
    server.stop();
    rmSync(copy, { recursive: true, force: true });
  }
});
