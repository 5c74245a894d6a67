// The window as a person sees it: the wide layout against the control
// table, the phone layout at 320 and 412 pixels with touch, About, print,
// what the page may load and run, and the sentence where it cannot run.
import { expect, test } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { desktop, expected, expectShows, open, phones } from "./kit.mjs";

// A ten-digit number with the longest texts of all, for "nothing cut off".
const LONGEST = "1865100088";

async function boxOf(page, selector) {
  const box = await page.locator(selector).boundingBox();
  expect(box, selector).not.toBeNull();
  return box;
}

test.describe("wide", () => {
  test.use(desktop);

  test("every control at its place and size from the control table", async ({ page }) => {
    await open(page);
    const client = await boxOf(page, "#Kavrel");
    expect([client.width, client.height]).toEqual([616, 392]);
    for (const [name, left, top, width, height] of expected.controls) {
      const box = await boxOf(page, `#${name}`);
      expect([box.x - client.x, box.y - client.y, box.width, box.height], name).toEqual([left, top, width, height]);
    }
    // The menu bar above the client area, its items in order: the window's,
    // then the page's own (a whole list, sharing).
    const menu = await boxOf(page, "#Menu");
    expect(menu.y + menu.height).toBeLessThanOrEqual(client.y);
    expect(await page.locator("#Menu button").allTextContents()).toEqual(["Print", "About", "List", "Share"]);
  });
});

for (const width of [320, 412]) {
  test.describe(`phone ${width}`, () => {
    test.use(phones[width]);

    test("one column, the input first, nothing cut off, touch targets of 44 px", async ({ page }) => {
      await open(page);
      const input = page.locator("#ClickNomer");
      await expect(input).toHaveAttribute("inputmode", "numeric");
      expect(parseFloat(await input.evaluate((box) => getComputedStyle(box).fontSize))).toBeGreaterThanOrEqual(16);
      for (const selector of ["#ClickNomer", "#Languag", "#Print", "#mnuAbout", "#ListOpen", "#Share"]) {
        const box = await boxOf(page, selector);
        expect(Math.min(box.width, box.height), selector).toBeGreaterThanOrEqual(44);
      }
      const inputBox = await boxOf(page, "#ClickNomer");
      for (const language of ["ENG", "RUS"]) {
        await page.selectOption("#Languag", language);
        await input.tap();
        await page.keyboard.press("End");
        for (let i = 0; i < 8; ++i) await page.keyboard.press("Backspace");
        for (const serial of [LONGEST, "123"]) {
          await input.fill(serial);
          // Every box of the window inside the screen, its text inside it.
          const outside = await page.evaluate(() => {
            const out = [];
            for (const box of document.querySelectorAll("#Kavrel *, #Menu *")) {
              const rect = box.getBoundingClientRect();
              // Out of sight on purpose: a control's invisible stand-in.
              if (rect.width === 0 || getComputedStyle(box).opacity === "0") continue;
              if (rect.left < 0 || rect.right > innerWidth || box.scrollWidth > box.clientWidth + 1) out.push(box.id || box.tagName);
            }
            return out;
          });
          expect(outside, `${language} ${serial}`).toEqual([]);
          expect(await page.evaluate(() => document.documentElement.scrollWidth)).toBeLessThanOrEqual(width);
        }
        // Results as caption and value rows, each under the input box.
        for (const name of expected.resultBoxes) {
          const caption = await boxOf(page, `#Text${name}`);
          const value = await boxOf(page, `#${name}`);
          expect(caption.y + caption.height, name).toBeLessThanOrEqual(value.y + 1);
          expect(value.y, name).toBeGreaterThan(inputBox.y + inputBox.height);
        }
      }
      for (const later of ["#Osibka", "#Languag", "#TextOpredelenie", "#TextVnimanie", "#www"]) {
        expect((await boxOf(page, later)).y, later).toBeGreaterThan(inputBox.y);
      }
    });
  });
}

test("About: in the page, not blocking typing, one at most, closed by its button and by Escape", async ({ page }) => {
  await open(page);
  const about = page.locator("dialog#About");
  await expect(about).toBeHidden();
  await page.click("#mnuAbout");
  await expect(about).toBeVisible();
  await page.click("#mnuAbout");
  expect(await page.locator("dialog[open]").count()).toBe(1);
  await expect(page.locator("#About_Nazvanie")).toHaveText("Kavrel");
  await expect(page.locator("#About_Versia")).toHaveText("Version 2");
  for (const line of ["#About_Sait", "#www"]) {
    const link = page.locator(line);
    await expect(link).toHaveText(expected.site);
    expect(await link.getAttribute("href")).toBe(`http://${await link.textContent()}`);
    await expect(link).toHaveAttribute("target", "_blank");
  }
  // The main window goes on taking keys while About is open.
  await page.click("#ClickNomer");
  await page.keyboard.press("End");
  await page.keyboard.press("Backspace");
  await expectShows(page, "1570094", "ENG");
  await expect(about).toBeVisible();
  await page.keyboard.press("Escape");
  await expect(about).toBeHidden();
  await page.click("#mnuAbout");
  await page.click("#AboutClose");
  await expect(about).toBeHidden();
  // A language change leaves About as it was.
  await page.click("#mnuAbout");
  await page.selectOption("#Languag", "RUS");
  await expect(page.locator("#About_Versia")).toHaveText("Version 2");
});

test("Print asks the browser to print; the page is the window area alone, on one page", async ({ browser }) => {
  const context = await browser.newContext(phones[320]);
  const page = await context.newPage();
  await page.addInitScript(() => { window.print = () => { window.printed = (window.printed || 0) + 1; }; });
  await open(page);
  await page.selectOption("#Languag", "RUS");
  await page.click("#Print");
  expect(await page.evaluate(() => window.printed)).toBe(1);
  await page.click("#mnuAbout");

  const folder = mkdtempSync(join(tmpdir(), "kavrel-print-"));
  try {
    const pdf = join(folder, "page.pdf");
    writeFileSync(pdf, await page.pdf({ format: "A4" }));
    expect(execFileSync("pdfinfo", [pdf], { encoding: "utf8" })).toMatch(/^Pages:\s+1$/m);
    const words = execFileSync("pdftotext", ["-layout", pdf, "-"], { encoding: "utf8" });
    expect(words).toContain(expected.captions.RUS.TextPolucheno);
    expect(words).not.toContain("Version 2");
    // At 96 dots per inch a pixel of the page is a CSS pixel: the window's
    // separator starts half an inch (48 px) from the top-left corner, grey
    // over white across the client area's width, and nothing is above it.
    execFileSync("pdftoppm", ["-r", "96", "-f", "1", "-l", "1", pdf, join(folder, "page")]);
    const { width, pixel } = ppm(readFileSync(join(folder, "page-1.ppm")));
    const row = (y, from, to) => new Set(Array.from({ length: to - from }, (_, i) => pixel(from + i, y).join()));
    expect(row(48, 48, 48 + 616)).toEqual(new Set(["128,128,128"]));
    expect(row(49, 48, 48 + 616)).toEqual(new Set(["255,255,255"]));
    for (let y = 0; y < 48; ++y) expect(row(y, 0, width), `row ${y}`).toEqual(new Set(["255,255,255"]));
    expect(pixel(47, 60).join()).toBe("255,255,255");
    expect(pixel(50, 60).join()).not.toBe("255,255,255");
  } finally {
    rmSync(folder, { recursive: true, force: true });
    await context.close();
  }
});

// A binary PPM (pdftoppm's own output) as a pixel reader.
function ppm(data) {
  const header = data.toString("latin1", 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  const [width, offset] = [Number(header[1]), header[0].length];
  return { width, pixel: (x, y) => [...data.subarray(offset + 3 * (y * width + x), offset + 3 * (y * width + x) + 3)] };
}

test("nothing leaves the device: only the site's own files, no cookies, no inline script", async ({ page, context }) => {
  const requests = [];
  context.on("request", (request) => requests.push(request.url()));
  await open(page);
  await page.click("#ClickNomer");
  await page.keyboard.type("123");
  await page.click("#mnuAbout");
  // The worker has kept every file of the site by then.
  await page.evaluate(() => navigator.serviceWorker.ready);
  const origin = new URL(page.url()).origin;
  expect(requests.filter((url) => !url.startsWith(origin + "/"))).toEqual([]);
  expect(await context.cookies()).toEqual([]);
  const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', "content");
  expect(policy).toContain("script-src 'self' 'wasm-unsafe-eval'");
  // The policy holds: a script written into the page does not run.
  const ran = await page.evaluate(() => {
    const script = document.createElement("script");
    script.textContent = "window.inlineRan = true";
    document.head.append(script);
    return window.inlineRan === true;
  });
  expect(ran).toBe(false);
});

test("without scripts, or without WebAssembly, one sentence says a current browser is needed", async ({ browser }) => {
  const withoutScripts = await browser.newContext({ javaScriptEnabled: false });
  const withoutWasm = await browser.newContext();
  await withoutWasm.addInitScript(() => { delete window.WebAssembly; });
  for (const context of [withoutScripts, withoutWasm]) {
    const page = await context.newPage();
    await page.goto("/");
    await expect(page.locator(".needs")).toBeVisible();
    await expect(page.locator(".window")).toBeHidden();
    await context.close();
  }
});
