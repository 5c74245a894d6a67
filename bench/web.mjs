#!/usr/bin/env node
// The page's figures, measured in Debian's headless chromium on this
// machine:
//   - the size of every file of the site, as it is and compressed with
//     gzip -9, and their totals: those a first visit fetches, and those
//     fetched later in the background;
//   - a keystroke: from the input event to the seven results holding their
//     new texts (the page's own input handler, which runs the key's whole
//     refresh), median over KEYS real key presses per language;
//   - Lighthouse 12.2.3's scores for the served site, mobile.
//
//   node bench/web.mjs SITE [--keys N]
import { chromium } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { readdirSync, statSync } from "node:fs";
import { loadavg } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { builtSite, chromiumLaunch, ready, serve as serveSite } from "../scripts/web_kit.mjs";

const top = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const site = process.argv[2] && !process.argv[2].startsWith("--") ? resolve(process.argv[2]) : builtSite;
const keysAt = process.argv.indexOf("--keys");
const KEYS = keysAt > 0 ? Number(process.argv[keysAt + 1]) : 600;
const serve = (...options) => serveSite(site, ...options);

// The site's files by where the service worker keeps them: the page
// itself (its top folder, fetched at a first visit), the views loaded on
// demand (its other folders) and the reading engine (engine/), both
// fetched in the background once the page is up.
function sizes() {
  const groups = [["first visit: the page", []], ["later: views on demand", []], ["later: the reading engine", []]];
  const walk = (folder) => {
    for (const name of readdirSync(join(site, folder)).sort()) {
      const path = folder ? `${folder}/${name}` : name;
      if (statSync(join(site, path)).isDirectory()) walk(path);
      else groups[!folder ? 0 : path.startsWith("engine/") ? 2 : 1][1].push(path);
    }
  };
  walk("");
  const totals = [];
  for (const [title, files] of groups) {
    console.log(`${title.padEnd(40)}      bytes   gzip -9`);
    let raw = 0;
    let packed = 0;
    for (const name of files) {
      const file = join(site, name);
      const size = statSync(file).size;
      // A file kept compressed (the engine's model) is fetched as it is.
      const gz = name.endsWith(".gz") ? size : execFileSync("gzip", ["-9", "-c", file]).length;
      raw += size;
      packed += gz;
      console.log(`  ${name.padEnd(38)} ${String(size).padStart(10)}  ${String(gz).padStart(8)}`);
    }
    console.log(`  ${"all".padEnd(38)} ${String(raw).padStart(10)}  ${String(packed).padStart(8)}`);
    totals.push(packed);
  }
  console.log(`first visit, the page's files with gzip -9: ${(totals[0] / 1024).toFixed(1)} KiB (target at most 60 KiB)`);
  console.log(`fetched later in the background: views ${(totals[1] / 1024).toFixed(1)} KiB, ` +
    `reading engine and model ${(totals[2] / 1024 / 1024).toFixed(2)} MiB (gzip -9)`);
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// The keys typed: both example numbers, each typed and erased again.
function keySequence(count) {
  const round = [];
  for (const serial of ["1065100088", "15700940"]) {
    round.push(...serial, ...Array(serial.length).fill("Backspace"));
  }
  return Array.from({ length: count }, (_, i) => round[i % round.length]);
}

async function keystrokes() {
  // Cross-origin isolated, the page's clock reads to 5 microseconds
  // instead of 100.
  const server = await serve("--isolated");
  const browser = await chromium.launch(chromiumLaunch);
  try {
    for (const language of ["ENG", "RUS"]) {
      const page = await browser.newPage();
      await page.addInitScript(() => {
        window.keyTimes = [];
        let start = 0;
        // Capturing on the window runs before the page's own handler on the
        // input box; bubbling back to the window runs after it.
        addEventListener("input", () => { start = performance.now(); }, true);
        addEventListener("input", () => { window.keyTimes.push(performance.now() - start); });
      });
      await page.goto(server.url);
      await ready(page);
      if (!(await page.evaluate(() => crossOriginIsolated))) throw new Error("the page is not cross-origin isolated");
      await page.selectOption("#Languag", language);
      await page.click("#ClickNomer");
      await page.keyboard.press("End");
      for (let i = 0; i < 8; ++i) await page.keyboard.press("Backspace");
      await page.evaluate(() => { window.keyTimes = []; });
      for (const key of keySequence(KEYS)) await page.keyboard.press(key);
      const times = await page.evaluate(() => window.keyTimes);
      if (times.length !== KEYS) throw new Error(`${times.length} input events for ${KEYS} keys`);
      const ms = median(times);
      console.log(`keystroke, input event to the seven results, ${language}: median ${ms.toFixed(3)} ms over ${times.length} keys` +
        ` (90th percentile ${[...times].sort((a, b) => a - b)[Math.floor(times.length * 0.9)].toFixed(3)} ms;` +
        " target at most 0.2 ms)");
      await page.close();
    }
  } finally {
    await browser.close();
    server.stop();
  }
}

async function lighthouse() {
  const server = await serve();
  try {
    const report = execFileSync(join(top, "node_modules", ".bin", "lighthouse"), [server.url,
      "--only-categories=performance,accessibility,best-practices,seo", "--output=json", "--output-path=stdout",
      "--quiet", `--chrome-flags=--headless=new ${chromiumLaunch.args.join(" ")}`],
    { env: { ...process.env, CHROME_PATH: chromiumLaunch.executablePath }, maxBuffer: 64 << 20, encoding: "utf8" });
    const { categories, audits } = JSON.parse(report);
    const score = (id) => categories[id].score.toFixed(2);
    console.log(`Lighthouse 12.2.3, mobile: performance ${score("performance")} (target 0.95),` +
      ` accessibility ${score("accessibility")}, best practices ${score("best-practices")} (targets 1.0),` +
      ` SEO ${score("seo")} (target 0.9)`);
    for (const id of ["first-contentful-paint", "largest-contentful-paint", "total-blocking-time", "cumulative-layout-shift", "speed-index"]) {
      console.log(`  ${audits[id].title}: ${audits[id].displayValue}`);
    }
    const failing = Object.values(categories).flatMap((category) => category.auditRefs)
      .map((ref) => audits[ref.id]).filter((audit) => audit.score !== null && audit.score < 1 && audit.scoreDisplayMode !== "informative");
    for (const audit of failing) console.log(`  below full marks: ${audit.id} (${audit.score})`);
  } finally {
    server.stop();
  }
}

console.log(`load average ${loadavg().map((l) => l.toFixed(2)).join(" ")}`);
sizes();
await keystrokes();
await lighthouse();
