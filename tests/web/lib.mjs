// Helpers the page tests and the browser benchmark share: the browser build
// served on 127.0.0.1, Debian's Chromium started headless through
// puppeteer-core, the canvas read back as a PPM for screentext, keys, the
// page's figures, and ok/FAIL lines as the other end-to-end tests print them.
//
// Environment:
//   QX_WEB_BUILD   the web preset's build tree (build/web)
//   QX_SCREENTEXT  the native build's screentext, which reads text off a
//                  PPM; its fonts are pointed at the fonts packed into the
//                  pages, so that it renders what the pages render
//   QX_CHROMIUM    the browser (default /usr/bin/chromium)
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

export const buildDir = process.env.QX_WEB_BUILD || "";
const chromium = process.env.QX_CHROMIUM || "/usr/bin/chromium";

// Flags that keep Chromium to itself on a machine with no network: no
// background connections, no component updates, no sync.
const kFlags = [
    "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-default-apps", "--mute-audio",
];

const kTypes = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".png": "image/png",
};

let tmp = "";
let failed = false;
const cleanups = [];
// What the pages threw that nobody caught: a program's end is not among
// them, so every test fails on any.
const pageErrors = [];

export function ok(what) {
    console.log(`ok: ${what}`);
}

export function fail(what) {
    failed = true;
    throw new Error(what);
}

export function check(cond, what) {
    if (!cond) fail(what);
}

// A scratch directory of the test's own, kept (and named) when it fails.
export function scratch() {
    if (!tmp) tmp = fs.mkdtempSync(path.join(os.tmpdir(), `web_${path.basename(process.argv[1], ".mjs")}.`));
    return tmp;
}

// Serves root's files (GET and HEAD) on 127.0.0.1 at a free port.
export function serve(root) {
    const base = path.resolve(root);
    const server = http.createServer((req, res) => {
        const name = decodeURIComponent(new URL(req.url, "http://127.0.0.1").pathname);
        const file = path.resolve(base, "." + name);
        if ((req.method !== "GET" && req.method !== "HEAD") || !file.startsWith(base + path.sep)) {
            res.writeHead(403).end();
            return;
        }
        fs.readFile(file, (err, body) => {
            if (err) {
                if (process.env.QX_WEB_DEBUG) console.log(`  served 404 for ${name}`);
                res.writeHead(404).end();
                return;
            }
            // Isolated, so that performance.now() has its fine resolution
            // (5 rather than 100 microseconds) for the benchmark's figures.
            res.writeHead(200, {
                "Content-Type": kTypes[path.extname(file)] || "application/octet-stream",
                "Cache-Control": "no-store",
                "Cross-Origin-Opener-Policy": "same-origin",
                "Cross-Origin-Embedder-Policy": "require-corp",
            });
            res.end(req.method === "HEAD" ? undefined : body);
        });
    });
    return new Promise((resolve, reject) => {
        server.once("error", reject);
        server.listen(0, "127.0.0.1", () => {
            cleanups.push(() => new Promise((done) => server.close(done)));
            resolve(`http://127.0.0.1:${server.address().port}`);
        });
    });
}

export async function launch({ width = 800, height = 600 } = {}) {
    check(fs.existsSync(chromium), `${chromium} is not installed (apt-get install chromium)`);
    const browser = await puppeteer.launch({
        executablePath: chromium,
        headless: true,
        args: [...kFlags, `--window-size=${width},${height}`],
        defaultViewport: { width, height },
        userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "web_profile.")),
    });
    cleanups.push(() => browser.close().catch(() => {}));
    return browser;
}

// Runs the test body with the build served and a browser started; prints
// the failure and ends with status 1 if anything in it fails.
export async function run(body) {
    check(buildDir && fs.existsSync(buildDir), `QX_WEB_BUILD (${buildDir}) is not the web preset's build tree`);
    let status = 0;
    try {
        const url = await serve(buildDir);
        const browser = await launch();
        await body({ url, browser });
        check(pageErrors.length === 0, `the pages threw, uncaught: ${pageErrors.join("; ")}`);
    } catch (e) {
        console.error(`FAIL: ${e.message}`);
        if (!failed) console.error(e.stack);
        status = 1;
    }
    for (const c of cleanups.reverse()) await c();
    if (status && tmp) console.error(`(screenshots kept in ${tmp})`);
    else if (tmp) fs.rmSync(tmp, { recursive: true, force: true });
    process.exit(status);
}

// Opens a page of the build; what it prints to the console goes to ours
// (but Chromium's advice on reading canvases, which the tests do on purpose).
// before(page), when given, runs before the page loads (to add scripts that
// run ahead of the page's own).
export async function open(browser, url, before) {
    const page = await browser.newPage();
    if (before) await before(page);
    page.on("console", (m) => {
        if (!m.text().includes("willReadFrequently")) console.log(`  page: ${m.text()}`);
    });
    page.on("pageerror", (e) => {
        console.log(`  page error: ${e.message}`);
        pageErrors.push(e.message || String(e));
    });
    await page.goto(url, { waitUntil: "load" });
    return page;
}

export function status(page) {
    return page.$eval("#status", (e) => e.textContent);
}

export async function waitFor(what, ms, probe, every = 50) {
    const until = Date.now() + ms;
    for (;;) {
        const got = await probe();
        if (got) return got;
        if (Date.now() > until) fail(`${what}: not within ${ms} ms`);
        await new Promise((r) => setTimeout(r, every));
    }
}

export function waitForStatus(page, text, ms) {
    return waitFor(`status line "${text}"`, ms, async () => (await status(page)) === text);
}

export function sleep(ms) {
    return new Promise((r) => setTimeout(r, ms));
}

// A key pressed and released, with a moment between, as a person types.
export async function tap(page, key) {
    await page.keyboard.down(key);
    await sleep(60);
    await page.keyboard.up(key);
}

// The canvas's own pixels (not the page's scaled view of them), all of them
// or the rectangle { x, y, w, h }, as a binary PPM in the scratch directory;
// returns its path. Reading the whole canvas holds the page up for a while:
// tests that measure the program's pace read small rectangles.
export async function canvasShot(page, name, rect) {
    const { w, h, rgba } = await page.evaluate((r) => {
        const c = document.getElementById("canvas");
        r = r || { x: 0, y: 0, w: c.width, h: c.height };
        const bytes = c.getContext("2d").getImageData(r.x, r.y, r.w, r.h).data;
        let text = "";
        for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return { w: r.w, h: r.h, rgba: btoa(text) };
    }, rect || null);
    const src = Buffer.from(rgba, "base64");
    const rgb = Buffer.alloc(w * h * 3);
    for (let i = 0, o = 0; i < src.length; i += 4) {
        rgb[o++] = src[i];
        rgb[o++] = src[i + 1];
        rgb[o++] = src[i + 2];
    }
    const file = path.join(scratch(), `${name}.ppm`);
    fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${w} ${h}\n255\n`), rgb]));
    return file;
}

// A fontconfig setup that knows only the fonts packed into the pages.
export function packedFontsConfig() {
    const file = path.join(scratch(), "fonts.conf");
    if (!fs.existsSync(file)) {
        const dir = path.join(path.resolve(buildDir), "platform", "fonts");
        fs.writeFileSync(file, `<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>` +
            `<dir>${dir}</dir><cachedir>${path.join(scratch(), "fontcache")}</cachedir></fontconfig>\n`);
    }
    return file;
}

// Runs screentext with ARGS; returns { status, out }.
export function screentext(...args) {
    const bin = process.env.QX_SCREENTEXT;
    check(bin && fs.existsSync(bin), `QX_SCREENTEXT (${bin}) is not the screentext program`);
    const r = spawnSync(bin, args, {
        encoding: "utf8",
        env: { ...process.env, FONTCONFIG_FILE: packedFontsConfig() },
    });
    return { status: r.status, out: (r.stdout || "").trim(), err: (r.stderr || "").trim() };
}

// Where TEXT is drawn in shot FILE as the layer's message box draws it
// (IPAGothic, 16 pixels, black over BG; or in FACE at HEIGHT), as "X Y", or "".
export function findBoxText(file, text, bg = "FFFFFF", height = 16, face = "IPAGothic") {
    const r = screentext("findrendered", file, face, String(height), text, bg);
    check(r.status === 0 || r.status === 1, `screentext findrendered failed: ${r.err}`);
    return r.status === 0 ? r.out : "";
}

// The text in the built-in font at device (X, Y) of the canvas, N cells.
export async function readText(page, x, y, n, name = "text") {
    const shot = await canvasShot(page, name, { x, y, w: n * 8, h: 16 });
    const r = screentext("read", shot, "0", "0", String(n));
    check(r.status === 0, `screentext read failed: ${r.err}`);
    return r.out;
}
