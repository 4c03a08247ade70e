// The faces games name, in the browser: a text asked for in "ＭＳ 明朝" (the
// upper line) is drawn exactly as the layer renders the packed IPAMincho, and
// not as IPAGothic; in "ＭＳ ゴシック" (the lower line) exactly as IPAGothic,
// and not as IPAMincho.
import fs from "node:fs";
import * as t from "./lib.mjs";

await t.run(async ({ url, browser }) => {
    const page = await t.open(browser, `${url}/tests/web/programs/faces.html`);
    const kText = "日本の文字";
    const line = (y) => ({ x: 0, y, w: 640, h: 64 });
    await t.waitFor("the texts", 15000, async () => {
        const shot = await t.canvasShot(page, "faces", line(104));
        return background(shot) !== "000000" && t.findBoxText(shot, kText, background(shot), 32);
    }, 200);
    for (const [y, face, other] of [[24, "IPAMincho", "IPAGothic"], [104, "IPAGothic", "IPAMincho"]]) {
        const shot = await t.canvasShot(page, face, line(y));
        const bg = background(shot);
        const where = t.findBoxText(shot, kText, bg, 32, face);
        t.check(where, `the line at ${y + 16} is not drawn as ${face} renders it (${shot})`);
        t.check(!t.findBoxText(shot, kText, bg, 32, other), `the line at ${y + 16} is drawn as ${other} renders it`);
        t.ok(`the line at ${y + 16} is ${face}'s, at ${where} in its strip`);
    }
    await t.tap(page, "KeyQ");
    await t.waitForStatus(page, "ended (status 1)", 3000);
});

// The colour of the shot's top left pixel, as RRGGBB.
function background(file) {
    const data = fs.readFileSync(file);
    const at = /^P6\n\d+ \d+\n255\n/.exec(data.toString("latin1", 0, 32))[0].length;
    return [0, 1, 2].map((i) => data[at + i].toString(16).padStart(2, "0")).join("").toUpperCase();
}
