// The example game in the browser, with its pictures packed into its page:
// the title screen's top rows are title.bmp's, doubled, exactly; a held
// space starts a game, whose ship (sprites.bmp) appears and whose shot is
// heard: the page's audio graph, started by that first key, takes samples of
// the mix, not all silent; ESC then Yes ends it with status 1.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import * as t from "./lib.mjs";

const kCanopy = [0x54, 0xfc, 0xfc];  // the ship's canopy: the one place this colour is drawn

// Distinct pixels between two PPMs of one size (ImageMagick's compare).
function differing(a, b) {
    const r = spawnSync("compare", ["-metric", "AE", a, b, "null:"], { encoding: "utf8" });
    t.check(r.status === 0 || r.status === 1, `compare failed: ${r.stderr}`);
    return Number(r.stderr.trim());
}

// Whether a shot (as canvasShot writes them) has a pixel of that colour.
function hasColour(file, [r, g, b]) {
    const data = fs.readFileSync(file);
    const header = /^P6\n\d+ \d+\n255\n/.exec(data.toString("latin1", 0, 32));
    t.check(header, `${file} is not a shot`);
    for (let i = header[0].length; i + 2 < data.length; i += 3)
        if (data[i] === r && data[i + 1] === g && data[i + 2] === b) return true;
    return false;
}

await t.run(async ({ url, browser }) => {
    const pics = path.join(t.buildDir, "examples", "pics");
    t.check(fs.existsSync(path.join(pics, "title.bmp")), `no title.bmp in ${pics}`);
    const expected = path.join(t.scratch(), "expected.ppm");
    const made = spawnSync("convert", [path.join(pics, "title.bmp"), "-crop", "320x56+0+0", "+repage",
        "-scale", "200%", `ppm:${expected}`]);
    t.check(made.status === 0, `convert failed: ${made.stderr}`);

    const page = await t.open(browser, `${url}/examples/hoshizora.html`);
    await t.waitFor("the game's title", 15000, async () => (await page.title()) === "ほしぞら防衛隊", 100);
    let diff = -1;
    await t.waitFor("the title picture on the canvas", 5000, async () => {
        diff = differing(expected, await t.canvasShot(page, "title", { x: 0, y: 0, w: 640, h: 112 }));
        return diff === 0;
    }, 200);
    t.ok("titled ほしぞら防衛隊; the title screen's top 640x112 is title.bmp's top rows, doubled");

    await page.keyboard.down("Space");
    await t.sleep(150);
    await page.keyboard.up("Space");
    await t.waitFor("the ship", 5000, async () => hasColour(await t.canvasShot(page, "game"), kCanopy), 200);
    t.ok("space starts a game, and the ship from sprites.bmp is drawn");

    // The key was the page's first gesture: from it on, the audio graph pulls
    // the mix, and the shot the held space fired is in it.
    let audio = null;
    await t.waitFor("sound in the audio graph", 5000, async () => {
        audio = await page.evaluate(() => Module.qxAudio && { frames: Module.qxAudio.frames, peak: Module.qxAudio.peak });
        return audio && audio.frames > 0 && audio.peak > 0;
    }, 200);
    t.ok(`the audio graph took ${audio.frames} frames of the mix after the first key, the loudest ${audio.peak}`);

    await t.tap(page, "Escape");
    await t.waitFor("the quit box", 5000,
        async () => t.findBoxText(await t.canvasShot(page, "box"), "本当に終了しますか？"), 200);
    await t.tap(page, "KeyY");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    t.ok("ESC then Yes ends it with status 1");
});
