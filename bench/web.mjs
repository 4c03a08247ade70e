// The browser benchmark, in Debian's headless Chromium: the frame benchmark's
// rows as its page prints them into the DOM, the sample's rate as it prints
// it on the canvas, the page's time to its first frame (data-first-frame-ms,
// written by the page), and the sizes of what a page loads.
//
//   node bench/web.mjs     (bench/web.sh builds what it needs and runs it)
import fs from "node:fs";
import path from "node:path";
import * as t from "../tests/web/lib.mjs";

const size = (f) => fs.statSync(path.join(t.buildDir, f)).size;
const mb = (n) => (n / 1e6).toFixed(2);

await t.run(async ({ url, browser }) => {
    let page = await t.open(browser, `${url}/bench/bench_frame.html`);
    await t.waitForStatus(page, "ended (status 1)", 240000);
    const rows = (await page.$eval("#output", (e) => e.textContent)).trim().split("\n");
    console.log("bench_frame in headless Chromium (median ns per call):");
    for (const r of rows) console.log(`  ${r}`);
    const typical = rows.find((r) => r.startsWith("typical frame"));
    if (typical) console.log(`typical frame: ${(Number(typical.split(/\s+/).pop()) / 1e6).toFixed(2)} ms`);
    await page.close();

    const first = [];
    const rates = [];
    for (let run = 0; run < 5; ++run) {
        page = await t.open(browser, `${url}/sample.html`);
        const ms = await t.waitFor("the first frame", 20000,
            () => page.evaluate(() => document.body.dataset.firstFrameMs), 20);
        first.push(Number(ms));
        if (run === 0) {
            await t.sleep(2500);
            for (let i = 0; i < 8; ++i) {
                const m = /^FPS:(\d+)/.exec(await t.readText(page, 20, 20, 6));
                if (m) rates.push(Number(m[1]));
                await t.sleep(1000);
            }
        }
        await page.close();
    }
    first.sort((a, b) => a - b);
    console.log(`sample rate, once a second from 2.5 s on: ${rates.join(" ")}`);
    console.log(`sample page load to first frame: median ${first[2]} ms (runs: ${first.join(" ")})`);

    for (const name of ["sample", "examples/hoshizora", "bench/bench_frame"])
        console.log(`${name}: wasm ${mb(size(`${name}.wasm`))} MB, js ${mb(size(`${name}.js`))} MB, ` +
            `data ${mb(size(`${name}.data`))} MB (the packed fonts${name.includes("hoshizora") ? " and pictures" : ""})`);
});
