// What the page's tests and its benchmark share: how Debian's chromium is
// started (as root, with nothing fetched in the background), and a site
// served by scripts/serve-web on a free port of 127.0.0.1.
import { spawn } from "node:child_process";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

export const serveWeb = join(dirname(fileURLToPath(import.meta.url)), "serve-web");

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
