#!/usr/bin/env node
// The page's figures, measured in Debian's headless chromium on this
// machine:
//   - the size of every file of the site, as it is and compressed with
//     gzip -9, and their totals: those a first visit fetches, and those
//     fetched later in the background;
//   - a keystroke: from the input event to the seven results holding their
//     new texts (the page's own input handler, which runs the key's whole
//     refresh), median over KEYS real key presses per language;
//   - Lighthouse 12.2.3's scores for the served site, mobile;
//   - a whole list: the time from handing a file of 100 000 and of
//     1 000 000 lines to the list view to its table showing the first rows
//     and the counts, and the renderer's peak memory for the million.
//
//   node bench/web.mjs SITE [--keys N] [--list-runs N]
import { chromium } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { loadavg, tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { builtSite, chromiumLaunch, keySequence, keyTiming, ready, serve as serveSite } from "../scripts/web_kit.mjs";

const top = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const site = process.argv[2] && !process.argv[2].startsWith("--") ? resolve(process.argv[2]) : builtSite;
const keysAt = process.argv.indexOf("--keys");
const KEYS = keysAt > 0 ? Number(process.argv[keysAt + 1]) : 600;
const listRunsAt = process.argv.indexOf("--list-runs");
const LIST_RUNS = listRunsAt > 0 ? Number(process.argv[listRunsAt + 1]) : 5;
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
      const gz = name.endsWith(".gz") ? size : execFileSync("gzip", ["-9", "-c", file], { maxBuffer: 64 << 20 }).length;
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

async function keystrokes() {
  // Cross-origin isolated, the page's clock reads to 5 microseconds
  // instead of 100.
  const server = await serve("--isolated");
  const browser = await chromium.launch(chromiumLaunch);
  try {
    for (const language of ["ENG", "RUS"]) {
      const page = await browser.newPage();
      await page.addInitScript(keyTiming);
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

// ---- A whole list.

// A register of `count` lines: numbers of both formats, a third of them
// failing, CR LF line ends, as a spreadsheet saves them (11 MB for a
// million).
function register(folder, count) {
  const serials = ["1065100088", "15700940", "1865100088", "x5700940", "1065990088", "15700940"];
  const path = join(folder, `register-${count}.txt`);
  writeFileSync(path, Array.from({ length: count }, (_, i) => `${serials[i % serials.length]}\r\n`).join(""));
  return path;
}

// The peak resident memory (VmHWM) of the browser's renderer processes,
// in KiB: the page, its worker and their WebAssembly memories are in one.
function rendererPeaks(browserPid) {
  const peaks = [];
  const children = (pid) => {
    let found = [];
    try {
      const tasks = readdirSync(`/proc/${pid}/task`);
      for (const task of tasks) {
        const listed = readFileSync(`/proc/${pid}/task/${task}/children`, "utf8").trim();
        if (listed) found = found.concat(listed.split(/\s+/).map(Number));
      }
    } catch {
      // the process has ended
    }
    return found;
  };
  const walk = (pid) => {
    for (const child of children(pid)) {
      try {
        if (readFileSync(`/proc/${child}/cmdline`, "utf8").includes("--type=renderer")) {
          const peak = /VmHWM:\s+(\d+) kB/.exec(readFileSync(`/proc/${child}/status`, "utf8"));
          if (peak) peaks.push(Number(peak[1]));
        }
      } catch {
        // ended meanwhile
      }
      walk(child);
    }
  };
  walk(browserPid);
  return peaks;
}

async function list() {
  const folder = mkdtempSync(join(tmpdir(), "kavrel-bench-list-"));
  const server = await serve("--isolated");
  try {
    for (const count of [100_000, 1_000_000]) {
      const file = register(folder, count);
      const times = [];
      let memory = null;
      for (let run = 0; run < LIST_RUNS; ++run) {
        // A browser of its own per run: the peak memory is the run's.
        const browserServer = await chromium.launchServer(chromiumLaunch);
        const browserPid = browserServer.process().pid;
        const browser = await chromium.connect(browserServer.wsEndpoint());
        const page = await browser.newPage();
        await page.goto(server.url);
        await ready(page);
        await page.click("#ListOpen");
        await page.waitForSelector("#List:not([hidden])");
        const before = rendererPeaks(browserPid);
        // From the file input's change (the file handed to the page) to
        // the frame that shows the counts and the first rows.
        await page.evaluate((lines) => {
          window.listTime = null;
          let start = 0;
          addEventListener("change", (event) => {
            if (event.target.id === "ListFile") start = performance.now();
          }, true);
          const counted = () => document.getElementById("ListRowCount").textContent === String(lines) &&
            document.getElementById("ListBusy").hidden &&
            document.querySelector("#ListTable .list-body [role=row]") !== null;
          const seen = new MutationObserver(() => {
            if (!counted()) return;
            seen.disconnect();
            requestAnimationFrame(() => { window.listTime = performance.now() - start; });
          });
          seen.observe(document.getElementById("List"), { subtree: true, childList: true, characterData: true, attributes: true });
        }, count);
        await page.setInputFiles("#ListFile", file);
        await page.waitForFunction(() => window.listTime !== null, null, { timeout: 120_000 });
        times.push(await page.evaluate(() => window.listTime));
        if (count === 1_000_000 && run === 0) {
          const session = await page.context().newCDPSession(page);
          await session.send("Performance.enable");
          const { metrics } = await session.send("Performance.getMetrics");
          const heap = metrics.find((metric) => metric.name === "JSHeapUsedSize").value;
          memory = { before: Math.max(...before), after: Math.max(...rendererPeaks(browserPid)), heap };
        }
        await browser.close();
        await browserServer.close();
      }
      const size = statSync(file).size;
      console.log(`list of ${count} lines (${(size / 1e6).toFixed(1)} MB): file handed to the page to the counts and` +
        ` the first rows shown, median ${median(times).toFixed(0)} ms over ${times.length} runs` +
        ` (min ${Math.min(...times).toFixed(0)}, max ${Math.max(...times).toFixed(0)} ms)` +
        (count === 100_000 ? "; target at most 1000 ms" : ""));
      if (memory) {
        console.log(`  the page's peak memory for the million: the renderer process (page, worker and both` +
          ` WebAssembly memories), peak resident ${(memory.after / 1024).toFixed(0)} MiB, against` +
          ` ${(memory.before / 1024).toFixed(0)} MiB with the list view open before the file;` +
          ` the page's JavaScript heap after it ${(memory.heap / 1024 / 1024).toFixed(1)} MiB`);
      }
    }
  } finally {
    server.stop();
    rmSync(folder, { recursive: true, force: true });
  }
}

console.log(`load average ${loadavg().map((l) => l.toFixed(2)).join(" ")}`);
sizes();
await list();
await keystrokes();
await lighthouse();
