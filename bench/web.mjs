// The browser benchmark, in Debian's headless Chromium.
//
// First the peer frame (bench/peers/qx.cpp: clear, 200 keyed sprites, 50
// lines, 10 circles, the text, the flip) and its parts, the same program
// built natively (run on the headless backend) and as a page, both started
// once and timed in turns: each round, row by row, one side times the row
// while the other waits, the side that goes first changing every round, so
// that a busy machine slows both alike. Each side first checks its own
// pixels; the page's must also be the native program's, piece by piece and
// the whole frame's hash (the native program is given the fonts the pages
// pack, for the text to be the same). The table gives medians over the rounds: natively
// the process's CPU time per call, in the page performance.now()'s time (a
// page has no CPU clock; served cross-origin isolated, its resolution is
// 5 µs, and every batch is at least a millisecond).
//
// Then the sample's rate as it prints it on the canvas, the page's time to
// its first frame (data-first-frame-ms, written by the page), and the sizes
// of what a page loads.
//
//   node bench/web.mjs [--rounds N] [--frame-only] [--out FILE]
//   (bash bench/web.sh builds what it needs and runs it)
// Environment: QX_WEB_BUILD (the web preset's tree), QX_NATIVE_PEERS (the
// native bench_peers_qx), QX_SCREENTEXT (for the sample's rate).
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import * as t from "../tests/web/lib.mjs";

let rounds = 21, frameOnly = false, out = "";
for (let a = process.argv.slice(2); a.length;) {
    const arg = a.shift();
    if (arg === "--rounds") rounds = Number(a.shift());
    else if (arg === "--frame-only") frameOnly = true;
    else if (arg === "--out") out = path.resolve(a.shift());
    else {
        console.error("usage: node bench/web.mjs [--rounds N] [--frame-only] [--out FILE]");
        process.exit(2);
    }
}
if (!(Number.isInteger(rounds) && rounds > 0)) {
    console.error("--rounds takes a count");
    process.exit(2);
}

const size = (f) => fs.statSync(path.join(t.buildDir, f)).size;
const mb = (n) => (n / 1e6).toFixed(2);
const kRows = ["frame", "clear", "pset", "line", "circle", "sprite", "flip", "text"];
const kLabels = {
    frame: "frame", clear: "clear", pset: "pset 2×2", line: "line", circle: "circle r 50",
    sprite: "keyed sprite 16→32", flip: "flip 640×400", text: "text FPS:60",
};
const kReplyMs = 120000;

// A side of the comparison: lines it printed come in through take(); a
// reply is the next line that begins with a prefix.
class Side {
    constructor(name) {
        this.name = name;
        this.lines = [];
        this.waiting = null;
        this.log = [];
        this.ended = null;  // why it ended, once it has
    }
    take(line) {
        this.log.push(line);
        this.lines.push(line);
        if (this.waiting) this.waiting();
    }
    end(why) {
        this.ended = why;
        if (this.waiting) this.waiting();
    }
    async reply(prefix) {
        const until = Date.now() + kReplyMs;
        for (;;) {
            while (this.lines.length) {
                const line = this.lines.shift();
                if (line.startsWith("check\tFAILED")) t.fail(`${this.name}: ${line}`);
                if (line.startsWith(prefix)) return line;
            }
            if (this.ended) t.fail(`${this.name} ended (${this.ended}) before it answered; it printed:\n${this.log.join("\n")}`);
            if (Date.now() > until) t.fail(`${this.name}: no "${prefix}" within ${kReplyMs} ms`);
            await new Promise((r) => {
                this.waiting = r;
                setTimeout(r, 1000);
            });
            this.waiting = null;
        }
    }
}

function native(program) {
    const side = new Side("native");
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "bench_web."));
    // The fonts the pages have packed (cut down, unhinted), so that the text
    // is the page's to the pixel.
    const env = { ...process.env, QX_HEADLESS: "1", FONTCONFIG_FILE: t.packedFontsConfig() };
    delete env.DISPLAY;
    const child = spawn(path.resolve(program), [], { cwd: dir, env, stdio: ["pipe", "pipe", "inherit"] });
    let partial = "";
    child.stdout.setEncoding("utf8");
    child.stdout.on("data", (d) => {
        const lines = (partial + d).split("\n");
        partial = lines.pop();
        for (const l of lines) side.take(l);
    });
    child.on("exit", (code, signal) => {
        fs.rmSync(dir, { recursive: true, force: true });
        side.end(signal ? `signal ${signal}` : `status ${code}`);
    });
    child.on("error", (e) => side.end(e.message));
    side.send = (row) => child.stdin.write(`${row}\n`);
    side.finish = () => child.stdin.end();
    return side;
}

// The page's standard input is a queue the benchmark fills (Module.stdin,
// set before the page's script makes Module: an empty queue is a read that
// finds nothing yet, and the program waits and reads again); what it prints
// goes into the page's #output, whose new lines come back here.
async function browserSide(browser, url) {
    const side = new Side("Chromium");
    const page = await t.open(browser, url, async (p) => {
        await p.exposeFunction("qxBenchLine", (line) => side.take(line));
        await p.evaluateOnNewDocument(() => {
            const pending = [];
            let ended = false;
            window.Module = { stdin: () => (pending.length ? pending.shift() : ended ? null : undefined) };
            window.qxBenchInput = (text) => {
                for (const c of text) pending.push(c.charCodeAt(0));
            };
            window.qxBenchEnd = () => {
                ended = true;
            };
            document.addEventListener("DOMContentLoaded", () => {
                const output = document.getElementById("output");
                let seen = 0, partial = "";
                const read = () => {
                    const text = output.textContent;
                    const lines = (partial + text.slice(seen)).split("\n");
                    seen = text.length;
                    partial = lines.pop();
                    for (const l of lines) window.qxBenchLine(l);
                };
                new MutationObserver(read).observe(output, { childList: true, characterData: true, subtree: true });
                read();
            });
        });
    });
    side.page = page;
    side.send = (row) => page.evaluate((r) => window.qxBenchInput(`${r}\n`), row);
    side.finish = () => page.evaluate(() => window.qxBenchEnd());
    side.isolated = await page.evaluate(() => window.crossOriginIsolated);
    return side;
}

const median = (v) => {
    const s = [...v].sort((a, b) => a - b), n = s.length;
    return n % 2 ? s[(n - 1) / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
};
function duration(ns) {
    if (ns < 1e3) return `${ns.toFixed(ns < 10 ? 2 : ns < 100 ? 1 : 0)} ns`;
    if (ns < 1e6) return `${(ns / 1e3).toFixed(ns < 1e4 ? 2 : ns < 1e5 ? 1 : 0)} µs`;
    return `${(ns / 1e6).toFixed(ns < 1e7 ? 2 : 1)} ms`;
}

async function frameComparison({ url, browser }) {
    const program = process.env.QX_NATIVE_PEERS;
    t.check(program && fs.existsSync(program), `QX_NATIVE_PEERS (${program}) is not the native bench_peers_qx`);
    const sides = [native(program), await browserSide(browser, `${url}/bench/bench_peers_qx.html`)];
    const clock = {};
    for (const s of sides) {
        await s.reply("checks\tok");
        clock[s.name] = (await s.reply("clock\t")).split("\t")[1];
    }
    // The pixels each checked: the same in both.
    const pixels = sides.map((s) => s.log.filter((l) => l.startsWith("pixels\t")).join("\n"));
    t.check(pixels[0] !== "" && pixels[0] === pixels[1],
        `the page's pixels are not the native program's:\nnative:\n${pixels[0]}\nChromium:\n${pixels[1]}`);
    const frameHash = /pixels\tframe\t(\d+)\t(\w+)/.exec(pixels[0]);

    const times = sides.map(() => Object.fromEntries(kRows.map((r) => [r, []])));
    for (let round = 0; round < rounds; ++round) {
        for (const row of kRows) {
            for (let k = 0; k < sides.length; ++k) {
                const i = (k + round) % sides.length;
                await sides[i].send(row);
                const ns = Number((await sides[i].reply(`time\t${row}\t`)).split("\t")[2]);
                t.check(Number.isFinite(ns) && ns > 0, `${sides[i].name}: no time for ${row}`);
                times[i][row].push(ns);
            }
        }
    }
    // Both end when their input does, as the runtime ends a program: with status 1.
    for (const s of sides) await s.finish();
    await t.waitFor("the native program's end", kReplyMs, async () => sides[0].ended, 20);
    t.check(sides[0].ended === "status 1", `the native program ended with ${sides[0].ended}`);
    await t.waitForStatus(sides[1].page, "ended (status 1)", kReplyMs);
    await sides[1].page.close();
    return [times, clock, sides[1].isolated, frameHash];
}

// The table, from the times of each side.
function table(times, clock, isolated, frameHash) {
    const lines = [];
    lines.push(`Medians of ${rounds} interleaved rounds, per call (bash bench/web.sh): native (headless backend) ` +
        `in ${clock.native === "cpu" ? "CPU time of the process" : clock.native + " time"}, ` +
        `headless Chromium in ${clock.Chromium === "cpu" ? "CPU time" : "performance.now() time"}` +
        `${isolated ? " (cross-origin isolated)" : " (NOT cross-origin isolated: 100 µs resolution)"}`);
    lines.push("");
    const w = [20, 10, 10, 18];
    const cell = (s, n) => s + " ".repeat(Math.max(0, n - [...s].length));
    const row = (c) => `| ${c.map((s, i) => cell(s, w[i])).join(" | ")} |`;
    lines.push(row(["row", "native", "Chromium", "Chromium / native"]));
    lines.push(`|${w.map((n) => "-".repeat(n + 2)).join("|")}|`);
    const m = times.map((side) => Object.fromEntries(kRows.map((r) => [r, median(side[r])])));
    for (const r of kRows) lines.push(row([kLabels[r], duration(m[0][r]), duration(m[1][r]), (m[1][r] / m[0][r]).toFixed(2)]));
    lines.push("");
    for (const [i, name] of [[0, "native"], [1, "Chromium"]]) {
        const p = m[i], parts = p.clear + 200 * p.sprite + 50 * p.line + 10 * p.circle + p.text + p.flip;
        lines.push(`${name}: the frame's parts: clear ${duration(p.clear)} + 200 sprites ${duration(200 * p.sprite)} + ` +
            `50 lines ${duration(50 * p.line)} + 10 circles ${duration(10 * p.circle)} + text ${duration(p.text)} + ` +
            `flip ${duration(p.flip)} = ${duration(parts)} (the frame: ${duration(p.frame)})`);
    }
    lines.push("");
    lines.push(`Both checked their own pixels, and the page's are the native program's: every piece, and the frame ` +
        `(${frameHash ? `${frameHash[1]} pixels changed, hash ${frameHash[2]}` : "?"}).`);
    return lines.join("\n");
}

await t.run(async ({ url, browser }) => {
    const result = await frameComparison({ url, browser });
    const text = table(...result);
    console.log(text);
    if (out) {
        fs.writeFileSync(`${out}.tmp`, `${text}\n`);
        fs.renameSync(`${out}.tmp`, out);
    }
    if (frameOnly) return;

    console.log("");
    const first = [];
    const rates = [];
    for (let run = 0; run < 5; ++run) {
        const page = await t.open(browser, `${url}/sample.html`);
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

    for (const name of ["sample", "examples/hoshizora", "bench/bench_peers_qx"])
        console.log(`${name}: wasm ${mb(size(`${name}.wasm`))} MB, js ${mb(size(`${name}.js`))} MB, ` +
            `data ${mb(size(`${name}.data`))} MB (the packed fonts${name.includes("hoshizora") ? " and pictures" : ""})`);
});
