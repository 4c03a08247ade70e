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
// pack, for the text to be the same). The table gives medians over the
// rounds, natively of the process's CPU time per call and of the wall-clock
// time, in the page of performance.now()'s time (a page has no CPU clock;
// served cross-origin isolated, its resolution is 5 µs, and every batch is
// at least a millisecond), with the page's time against each of the two.
//
// Then the sample's rate as it prints it on the canvas, the page's time to
// its first frame (data-first-frame-ms, written by the page), and the sizes
// of what a page loads.
//
//   node bench/web.mjs [--rounds N] [--frame-only] [--out FILE] [--also NAME=BUILD_TREE]...
// --also adds the page of another browser build of the program (a build tree
// with bench/bench_peers_qx.html built: other flags), in turns with the rest.
//   node bench/web.mjs --profile ROW
// times ROW in the page over and over under Chromium's sampling profiler and
// prints where the time went, function by function (QX_WEB_BUILD linked with
// --profiling-funcs, for the wasm functions' names: bash bench/web.sh
// --profile ROW builds one).
//   (bash bench/web.sh builds what it needs and runs it)
// Environment: QX_WEB_BUILD (the web preset's tree), QX_NATIVE_PEERS (the
// native bench_peers_qx), QX_SCREENTEXT (for the sample's rate).
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import * as t from "../tests/web/lib.mjs";

let rounds = 21, frameOnly = false, out = "", profile = "";
const also = [];  // [name, build tree]: more pages, each another build of the same program
for (let a = process.argv.slice(2); a.length;) {
    const arg = a.shift();
    if (arg === "--rounds") rounds = Number(a.shift());
    else if (arg === "--frame-only") frameOnly = true;
    else if (arg === "--profile" && a.length) profile = a.shift();
    else if (arg === "--out") out = path.resolve(a.shift());
    else if (arg === "--also" && /^[^=]+=./.test(a[0] || "")) {
        const [name, dir] = a.shift().split("=");
        also.push([name, path.resolve(dir)]);
    }
    else {
        console.error("usage: node bench/web.mjs [--rounds N] [--frame-only] [--out FILE] [--also NAME=BUILD_TREE]... | --profile ROW");
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
async function browserSide(browser, url, name) {
    const side = new Side(name);
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
    const sides = [native(program), await browserSide(browser, `${url}/bench/bench_peers_qx.html`, "Chromium")];
    for (const [name, dir] of also) {
        const root = await t.serve(dir);
        sides.push(await browserSide(browser, `${root}/bench/bench_peers_qx.html`, name));
    }
    for (const s of sides) {
        await s.reply("checks\tok");
        s.clock = (await s.reply("clock\t")).split("\t")[1];
    }
    // The pixels each checked: the same in all.
    const pixels = sides.map((s) => s.log.filter((l) => l.startsWith("pixels\t")).join("\n"));
    for (let i = 1; i < sides.length; ++i)
        t.check(pixels[0] !== "" && pixels[0] === pixels[i],
            `${sides[i].name}'s pixels are not the native program's:\nnative:\n${pixels[0]}\n${sides[i].name}:\n${pixels[i]}`);
    const frameHash = /pixels\tframe\t(\d+)\t(\w+)/.exec(pixels[0]);

    for (const s of sides) {
        s.times = Object.fromEntries(kRows.map((r) => [r, []]));
        s.wall = Object.fromEntries(kRows.map((r) => [r, []]));
    }
    for (let round = 0; round < rounds; ++round) {
        for (const row of kRows) {
            for (let k = 0; k < sides.length; ++k) {
                const side = sides[(k + round) % sides.length];
                await side.send(row);
                const [, , ns, wall] = (await side.reply(`time\t${row}\t`)).split("\t").map(Number);
                t.check(ns > 0 && wall > 0, `${side.name}: no time for ${row}`);
                side.times[row].push(ns);
                side.wall[row].push(wall);
            }
        }
    }
    // Each ends when its input does, as the runtime ends a program: with status 1.
    for (const s of sides) await s.finish();
    await t.waitFor("the native program's end", kReplyMs, async () => sides[0].ended, 20);
    t.check(sides[0].ended === "status 1", `the native program ended with ${sides[0].ended}`);
    for (const s of sides.slice(1)) {
        await t.waitForStatus(s.page, "ended (status 1)", kReplyMs);
        await s.page.close();
    }
    return { sides, frameHash };
}

// The table of the medians, each page's against the native program's, in
// its CPU time and in wall-clock time (what the page is timed in: a busy
// machine slows both the page and the native program's wall-clock time,
// not its CPU time).
function table({ sides, frameHash }) {
    const lines = [];
    lines.push(`Medians of ${rounds} interleaved rounds, per call (bash bench/web.sh${also.length ? " --also ..." : ""}): ` +
        `native on the headless backend, in CPU time of the process and in wall-clock time; headless Chromium in ` +
        `${sides[1].clock === "cpu" ? "CPU time" : "performance.now() time"}` +
        `${sides[1].isolated ? " (cross-origin isolated)" : " (NOT cross-origin isolated: 100 µs resolution)"}`);
    for (const s of sides.slice(2)) lines.push(`${s.name}: the page of ${also.find(([n]) => n === s.name)[1]}`);
    lines.push("");
    const head = ["row", "native CPU", "native wall"];
    for (const s of sides.slice(1)) head.push(s.name, "/ native CPU", "/ native wall");
    const w = head.map((h, i) => Math.max(i === 0 ? 20 : 10, [...h].length));
    const cell = (v, n) => v + " ".repeat(Math.max(0, n - [...v].length));
    const row = (c) => `| ${c.map((v, i) => cell(v, w[i])).join(" | ")} |`;
    lines.push(row(head));
    lines.push(`|${w.map((n) => "-".repeat(n + 2)).join("|")}|`);
    const m = sides.map((side) => Object.fromEntries(kRows.map((r) => [r, median(side.times[r])])));
    const nw = Object.fromEntries(kRows.map((r) => [r, median(sides[0].wall[r])]));
    for (const r of kRows) {
        const c = [kLabels[r], duration(m[0][r]), duration(nw[r])];
        for (let i = 1; i < sides.length; ++i)
            c.push(duration(m[i][r]), (m[i][r] / m[0][r]).toFixed(2), (m[i][r] / nw[r]).toFixed(2));
        lines.push(row(c));
    }
    lines.push("");
    const parts = (name, p) => {
        const sum = p.clear + 200 * p.sprite + 50 * p.line + 10 * p.circle + p.text + p.flip;
        lines.push(`${name}: the frame's parts: clear ${duration(p.clear)} + 200 sprites ${duration(200 * p.sprite)} + ` +
            `50 lines ${duration(50 * p.line)} + 10 circles ${duration(10 * p.circle)} + text ${duration(p.text)} + ` +
            `flip ${duration(p.flip)} = ${duration(sum)} (the frame: ${duration(p.frame)})`);
    };
    parts("native CPU", m[0]);
    parts("native wall", nw);
    sides.slice(1).forEach((s, i) => parts(s.name, m[i + 1]));
    lines.push("");
    lines.push(`All checked their own pixels, and the pages' are the native program's: every piece, and the frame ` +
        `(${frameHash ? `${frameHash[1]} pixels changed, hash ${frameHash[2]}` : "?"}).`);
    return lines.join("\n");
}

// The page timing ROW rounds times over under the sampling profiler: the
// functions with the most samples of their own, and the share of the
// samples in wasm, in JavaScript (the page's and Emscripten's glue) and in
// the browser itself.
const kNotTheProgram = new Set(["(idle)", "(program)", "(garbage collector)", "(root)"]);
async function profileRow({ url, browser }, row) {
    const side = await browserSide(browser, `${url}/bench/bench_peers_qx.html`, "Chromium");
    await side.reply("checks\tok");
    const cdp = await side.page.target().createCDPSession();
    await cdp.send("Profiler.enable");
    await cdp.send("Profiler.setSamplingInterval", { interval: 50 });
    await cdp.send("Profiler.start");
    const times = [];
    for (let r = 0; r < rounds; ++r) {
        await side.send(row);
        times.push(Number((await side.reply(`time\t${row}\t`)).split("\t")[2]));
    }
    const { profile: p } = await cdp.send("Profiler.stop");
    await side.finish();
    const byId = new Map(p.nodes.map((n) => [n.id, n]));
    const self = new Map();
    let total = 0, wasm = 0, js = 0;
    for (const id of p.samples) {
        const f = byId.get(id).callFrame;
        const name = f.functionName || `(${f.url ? "anonymous" : "no name"})`;
        if (kNotTheProgram.has(name)) {
            self.set(name, (self.get(name) || 0) + 1);
            continue;
        }
        ++total;
        const inWasm = f.url.startsWith("wasm://") || f.url.endsWith(".wasm");
        if (inWasm) ++wasm;
        else ++js;
        const key = `${name}${inWasm ? "" : " [js]"}`;
        self.set(key, (self.get(key) || 0) + 1);
    }
    const lines = [`${row} in the page: median ${duration(median(times))} per call over ${rounds} rounds; ` +
        `${total} samples of ${p.samples.length} in the program: ${(100 * wasm / total).toFixed(1)} % in wasm, ` +
        `${(100 * js / total).toFixed(1)} % in JavaScript`, ""];
    const top = [...self].filter(([n]) => !kNotTheProgram.has(n)).sort((a, b) => b[1] - a[1]).slice(0, 25);
    for (const [name, n] of top) lines.push(`${(100 * n / total).toFixed(1).padStart(6)} %  ${name}`);
    for (const [name, n] of self) if (kNotTheProgram.has(name)) lines.push(`(not the program: ${name} ${n} samples)`);
    return lines.join("\n");
}

await t.run(async ({ url, browser }) => {
    if (profile) {
        console.log(await profileRow({ url, browser }, profile));
        return;
    }
    const text = table(await frameComparison({ url, browser }));
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
