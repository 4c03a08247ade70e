// The plasma (bench/plasma.cpp) as pages in Debian's headless Chromium:
// each build's page opened in turn, ROUNDS times over, its figures read off
// the page once it ends; prints the median of each, and the wasm's size.
//
//   node bench/plasma.mjs ROUNDS NAME=PAGE.html...
import fs from "node:fs";
import path from "node:path";
import * as t from "../tests/web/lib.mjs";

const [rounds, ...pages] = process.argv.slice(2);
const builds = pages.map((arg) => {
    const [name, page] = arg.split("=");
    return { name, page: path.resolve(page), psets: [], fps: [] };
});
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];

let status = 0;
let browser;
try {
    browser = await t.launch();
    for (const b of builds) b.url = `${await t.serve(path.dirname(b.page))}/${path.basename(b.page)}`;
    for (let r = 0; r < Number(rounds); ++r) {
        for (const b of builds) {
            const page = await t.open(browser, b.url);
            await t.waitForStatus(page, "ended (status 1)", 120000);
            const out = await page.$eval("#output", (e) => e.textContent);
            const ns = /qx_pset ns ([\d.]+)/.exec(out), fps = /plasma fps ([\d.]+)/.exec(out);
            t.check(ns && fps, `${b.name}: the page printed "${out}"`);
            b.psets.push(Number(ns[1]));
            b.fps.push(Number(fps[1]));
            await page.close();
        }
    }
    for (const b of builds) {
        const wasm = fs.statSync(b.page.replace(/\.html$/, ".wasm")).size;
        console.log(`${b.name.padEnd(28)} qx_pset ${median(b.psets).toFixed(1).padStart(7)} ns  ` +
            `${median(b.fps).toFixed(1).padStart(6)} FPS  wasm ${(wasm / 1e6).toFixed(2)} MB  ` +
            `(runs: ${b.psets.join(" ")} ns; ${b.fps.join(" ")} FPS)`);
    }
} catch (e) {
    console.error(`FAIL: ${e.message}`);
    status = 1;
}
if (browser) await browser.close().catch(() => {});
process.exit(status);
