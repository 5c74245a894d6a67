// What the page's test suites share: the expectations that the desktop
// suites hold (tests/e2e/desktop.py, exported by expected.py), the page
// opened and ready, its boxes read back, and axe-core's check.
import { expect } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { builtSite, ready } from "../../../scripts/web_kit.mjs";

export { ready };

const here = dirname(fileURLToPath(import.meta.url));

export const expected = JSON.parse(execFileSync("/usr/bin/python3", [join(here, "expected.py")], { encoding: "utf8" }));

export const site = builtSite;

export const phones = {
  320: { viewport: { width: 320, height: 640 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
  412: { viewport: { width: 412, height: 860 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2.625 },
};
export const desktop = { viewport: { width: 1280, height: 800 } };

// Opens the page and waits until its module has loaded the window. Any
// error the page reports fails the test that opened it.
export async function open(page, path = "/") {
  const problems = [];
  page.on("pageerror", (error) => problems.push(error.message));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push(message.text());
  });
  await page.goto(path);
  await ready(page);
  return problems;
}

// Every text box of the main window as the page shows it, by control name.
export async function texts(page) {
  return page.evaluate((names) => Object.fromEntries(names.map((name) => {
    const box = document.getElementById(name);
    return [name, box instanceof HTMLInputElement ? box.value : box.textContent];
  })), expected.textBoxes);
}

export async function errorShown(page) {
  return page.locator("#Osibka").isVisible();
}

export async function languageShown(page) {
  return page.$eval("#Languag", (list) => (list.selectedIndex < 0 ? "" : list.value));
}

// What the page must show for an input text in a language, the error line
// included.
export async function expectShows(page, serial, language) {
  await expect.poll(() => texts(page), { message: `the boxes for ${JSON.stringify(serial)} in ${language}` })
    .toEqual(expected.texts[serial][language]);
  expect(await errorShown(page)).toBe(!expected.decoded.includes(serial));
  expect(await languageShown(page)).toBe(language);
}

// axe-core's violations on the page as it stands.
const axeSource = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
export async function axeViolations(page) {
  await page.evaluate(axeSource);
  const found = await page.evaluate(() => window.axe.run(document));
  return found.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`);
}
