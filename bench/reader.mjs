#!/usr/bin/env node
// The photo reader's figures, in Debian's headless chromium on this
// machine, over photos made by scripts/make-plates (kept between runs in
// PHOTOS, made again when the generator changes):
//   - the share of photos whose serial number is the first candidate,
//     the share where it is among the candidates, and the share where a
//     wrong number is offered first;
//   - the time from choosing a photo to the candidates shown, median and
//     90th percentile, for every photo and for the 12 megapixel ones, with
//     the engine ready (the page's worker kept from photo to photo) and
//     from a fresh page (the worker and the engine started by the photo);
//   - a keystroke while a 12 megapixel photo is read: from the input event
//     to the seven results, as bench/web.mjs measures it, over the keys
//     typed while readings run;
//   - the size of the engine and its model as fetched (gzip -9).
//
//   node bench/reader.mjs SITE [BUILD] [--count N] [--seed S] [--cold N] [--typed N]
//
// The photos are those of bench/read-photos, which reads them with the
// native engine: BUILD/plates-SEED-COUNT (default build, 240 photos of
// seed 7), made when they are missing.
import { chromium } from "@playwright/test";
import { execFileSync } from "node:child_process";
import { existsSync, readFileSync, readdirSync, statSync } from "node:fs";
import { loadavg } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { builtSite, chromiumLaunch, keySequence, keyTiming, ready, serve } from "../scripts/web_kit.mjs";

const top = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? Number(args[args.indexOf(name) + 1]) : fallback);
const positional = args.filter((arg, i) => !arg.startsWith("--") && !(i > 0 && args[i - 1].startsWith("--")));
const site = positional[0] ? resolve(positional[0]) : builtSite;
const COUNT = option("--count", 240);
const SEED = option("--seed", 7);
const COLD = option("--cold", 5);
const TYPED = option("--typed", 20);  // photos read while keys are typed
const photos = join(resolve(positional[1] || join(top, "build")), `plates-${SEED}-${COUNT}`);

function makePhotos() {
  if (existsSync(join(photos, "truth.jsonl"))) return;
  console.log(`making ${COUNT} photos in ${photos} ...`);
  execFileSync(join(top, "scripts", "make-plates"), ["--count", String(COUNT), "--seed", String(SEED), "--out", photos],
    { stdio: "inherit" });
}

function percentile(values, share) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(sorted.length * share))];
}
const median = (values) => percentile(values, 0.5);

// Records, in the page, the time from the photo's choice to the panel
// offering its result (its Close button shown); window.reading holds
// between the two.
function timing() {
  window.readTimes = [];
  window.reading = false;
  let start = 0;
  addEventListener("change", (event) => {
    if (event.target.id === "ReadPhotoFile") start = performance.now(), window.reading = true;
  }, true);
  addEventListener("DOMContentLoaded", () => {
    const close = document.getElementById("ReadingClose");
    new MutationObserver(() => {
      if (!close.hidden && start) {
        window.readTimes.push(performance.now() - start);
        start = 0;
        window.reading = false;
      }
    }).observe(close, { attributes: true, attributeFilter: ["hidden"] });
  });
}

async function readOne(page, path) {
  const before = await page.evaluate(() => window.readTimes.length);
  await page.setInputFiles("#ReadPhotoFile", path);
  await page.waitForFunction((n) => window.readTimes.length > n, before, { timeout: 120_000 });
  const offered = await page.$$eval("#ReadingCandidates .digits", (spans) => spans.map((span) => span.textContent));
  const time = await page.evaluate(() => window.readTimes.at(-1));
  await page.click("#ReadingClose");
  return { offered, time };
}

// Keys typed, one by one, while each photo is read with the engine ready;
// the times of those typed while a reading ran. Cross-origin isolated, the
// page's clock reads to 5 microseconds instead of 100.
async function keysWhileReading(paths) {
  const isolated = await serve(site, "--isolated");
  const browser = await chromium.launch(chromiumLaunch);
  const page = await browser.newPage();
  try {
    await page.addInitScript(timing);
    await page.addInitScript(keyTiming);
    await page.goto(isolated.url);
    await ready(page);
    await readOne(page, paths[0]);
    await page.evaluate(() => { window.keyTimes = []; window.keyWhile = () => window.reading; });
    const keys = keySequence(1 << 20);
    let typed = 0;
    for (const path of paths) {
      const before = await page.evaluate(() => window.readTimes.length);
      await page.setInputFiles("#ReadPhotoFile", path);
      await page.focus("#ClickNomer");
      while (await page.evaluate((n) => window.readTimes.length === n, before)) await page.keyboard.press(keys[typed++]);
      await page.click("#ReadingClose");
    }
    return await page.evaluate(() => window.keyTimes);  // before the browser closes
  } finally {
    await browser.close();
    isolated.stop();
  }
}

function engineSize() {
  const folder = join(site, "engine");
  let packed = 0;
  for (const name of readdirSync(folder)) {
    const file = join(folder, name);
    const size = name.endsWith(".gz") ? statSync(file).size : execFileSync("gzip", ["-9", "-c", file], { maxBuffer: 64 << 20 }).length;
    console.log(`  engine/${name}: ${(size / 1024 / 1024).toFixed(2)} MiB as fetched`);
    packed += size;
  }
  console.log(`engine and model as fetched (gzip -9): ${(packed / 1024 / 1024).toFixed(2)} MiB`);
}

console.log(`load average ${loadavg().map((l) => l.toFixed(2)).join(" ")}`);
makePhotos();
const truth = readFileSync(join(photos, "truth.jsonl"), "utf8").split("\n").filter(Boolean).map((line) => JSON.parse(line));
const server = await serve(site);
const browser = await chromium.launch(chromiumLaunch);
try {
  const page = await browser.newPage();
  await page.addInitScript(timing);
  await page.goto(server.url);
  await ready(page);
  // The engine ready, as after a first photo (or a touch of the control).
  await readOne(page, join(photos, truth[0].file));
  let first = 0;
  let among = 0;
  let wrong = 0;
  const times = [];
  const phoneTimes = [];
  const misses = [];
  for (const photo of truth) {
    const { offered, time } = await readOne(page, join(photos, photo.file));
    times.push(time);
    if (photo.width * photo.height >= 11e6) phoneTimes.push(time);
    if (offered[0] === photo.serial) first += 1;
    else misses.push(`${photo.file}: ${photo.serial}, offered ${offered.slice(0, 3).join(" ") || "nothing"}`);
    if (offered.includes(photo.serial)) among += 1;
    if (offered.length && offered[0] !== photo.serial) wrong += 1;
  }
  await page.close();

  const cold = [];
  for (let i = 0; i < COLD; ++i) {
    const fresh = await browser.newPage();
    await fresh.addInitScript(timing);
    await fresh.goto(server.url);
    await ready(fresh);
    const photo = truth.find((p, j) => j > i && p.width * p.height >= 11e6) || truth[i];
    cold.push((await readOne(fresh, join(photos, photo.file))).time);
    await fresh.close();
  }

  const n = truth.length;
  const share = (k) => (k / n).toFixed(3);
  console.log(`photos: ${n} (make-plates --seed ${SEED}: 2 to 12 MP, every face, tilt to 10 degrees, perspective, ` +
    "blur, shake, noise, uneven light, JPEG 45 to 92)");
  console.log(`serial first: ${share(first)} (target at least 0.95); among the candidates: ${share(among)}` +
    ` (at least 0.99); a wrong number first: ${share(wrong)} (at most 0.02)`);
  for (const miss of misses) console.log(`  not first: ${miss}`);
  const ms = (value) => `${(value / 1000).toFixed(2)} s`;
  console.log(`choice to candidates, engine ready, all ${times.length} photos: median ${ms(median(times))},` +
    ` 90th percentile ${ms(percentile(times, 0.9))}`);
  console.log(`choice to candidates, engine ready, ${phoneTimes.length} photos of 12 MP: median ${ms(median(phoneTimes))},` +
    ` 90th percentile ${ms(percentile(phoneTimes, 0.9))} (targets 1.5 s and 3 s)`);
  console.log(`choice to candidates from a fresh page (worker and engine started by the photo), ${cold.length} photos` +
    ` of 12 MP: median ${ms(median(cold))}, slowest ${ms(Math.max(...cold))}`);
  engineSize();
} finally {
  await browser.close();
  server.stop();
}
// In a browser of its own, after the readings above.
const phones = truth.filter((p) => p.width * p.height >= 11e6).slice(0, TYPED).map((p) => join(photos, p.file));
const keyTimes = await keysWhileReading(phones);
console.log(`keystroke while a 12 MP photo is read, input event to the seven results: median` +
  ` ${median(keyTimes).toFixed(3)} ms, 90th percentile ${percentile(keyTimes, 0.9).toFixed(3)} ms over` +
  ` ${keyTimes.length} keys typed during ${phones.length} readings (target at most 0.2 ms)`);
