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

// Until the page's module has loaded the window.
export async function ready(page) {
  await page.waitForFunction(() => document.documentElement.classList.contains("ready"));
}
