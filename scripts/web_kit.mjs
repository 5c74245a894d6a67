// What the page's tests and its benchmark share: the built site, how
// Debian's chromium is started (as root, with nothing fetched in the
// background), a site served by scripts/serve-web on a free port of
// 127.0.0.1, and the page's signal that its module has loaded the window.
import { spawn } from "node:child_process";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const scripts = dirname(fileURLToPath(import.meta.url));

export const serveWeb = join(scripts, "serve-web");

// The site make web builds, or the one KAVREL_WEB_SITE names.
export const builtSite = resolve(process.env.KAVREL_WEB_SITE || join(scripts, "..", "build-web", "site"));

export const chromiumLaunch = {
  executablePath: "/usr/bin/chromium",
  args: ["--no-sandbox", "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run", "--disable-quic"],
};

// Serves `site` (serve-web's options after it) until stop(); `url` is its
// address.
export async function serve(site, ...options) {
  const server = spawn(process.execPath, [serveWeb, site, ...options], { stdio: ["ignore", "pipe", "inherit"] });
  const url = await new Promise((done, fail) => {
    server.once("exit", (code) => fail(new Error(`serve-web ended with status ${code}`)));
    server.stdout.once("data", (line) => done(String(line).trim()));
  });
  return { url, stop: () => server.kill() };
}

// The keys the benchmarks type: both example numbers, each typed and
// erased again, `count` keys in all.
export function keySequence(count) {
  const round = [];
  for (const serial of ["1065100088", "15700940"]) {
    round.push(...serial, ...Array(serial.length).fill("Backspace"));
  }
  return Array.from({ length: count }, (_, i) => round[i % round.length]);
}

// Records in the page, in window.keyTimes, each keystroke's time from the
// input event to the seven results (the page's own input handler, which
// runs the key's whole refresh): capturing on the window runs before the
// handler on the input box, bubbling back to the window after it. Where
// window.keyWhile is set, only the keys typed while it returns true count.
export function keyTiming() {
  window.keyTimes = [];
  let start = 0;
  addEventListener("input", () => { start = performance.now(); }, true);
  addEventListener("input", () => {
    const time = performance.now() - start;
    if (!window.keyWhile || window.keyWhile()) window.keyTimes.push(time);
  });
}

// Until the page's module has loaded the window.
export async function ready(page) {
  await page.waitForFunction(() => document.documentElement.classList.contains("ready"));
}
