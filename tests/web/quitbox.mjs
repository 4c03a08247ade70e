// The quit box in the browser: ESC opens "本当に終了しますか？" on the canvas,
// drawn as the layer draws it everywhere (each text is found pixel for pixel
// as the layer renders it natively with the fonts the page packs); No keeps
// the sample running; Yes ends it with status 1. A key held when the page
// loses the focus is released: answering No with the mouse then, the sample
// runs on although the key was never let go. Closing the page asks the
// browser's own question, and staying on the page opens the quit box.
import fs from "node:fs";
import path from "node:path";
import * as t from "./lib.mjs";

const kQuestion = "本当に終了しますか？";

// Waits for the box and checks its texts; returns the shot.
async function boxShown(page, name) {
    let shot = "";
    await t.waitFor(`the quit box (${name})`, 5000, async () => {
        shot = await t.canvasShot(page, name);
        return t.findBoxText(shot, kQuestion);
    }, 200);
    for (const [text, bg] of [["はい(Y)", "E1E1E1"], ["いいえ(N)", "E1E1E1"]])
        t.check(t.findBoxText(shot, text, bg), `"${text}" is not drawn legibly in the box (${shot})`);
    return shot;
}

async function boxGone(page, name) {
    await t.waitFor(`the quit box gone (${name})`, 3000,
        async () => !t.findBoxText(await t.canvasShot(page, name), kQuestion), 200);
}

async function started(browser, url) {
    const page = await t.open(browser, `${url}/sample.html`);
    await t.waitFor("the first rate report", 15000, async () => (await t.readText(page, 20, 20, 6)).startsWith("FPS:"), 100);
    return page;
}

await t.run(async ({ url, browser }) => {
    let page = await started(browser, url);
    await t.tap(page, "Escape");
    const shot = await boxShown(page, "esc");
    const where = t.findBoxText(shot, kQuestion);
    fs.copyFileSync(shot, path.join(t.scratch(), "box.ppm"));
    t.ok(`ESC opens the box: "${kQuestion}" at ${where}, はい(Y) and いいえ(N) legible`);

    await t.tap(page, "KeyN");
    await boxGone(page, "no");
    await t.sleep(1500);
    t.check((await t.status(page)) === "", `after No the status line says "${await t.status(page)}"`);
    const rate = await t.readText(page, 20, 20, 6);
    t.check(rate.startsWith("FPS:"), `after No the rate text reads "${rate}"`);
    t.ok(`No closes the box and the sample runs on (${rate.trim()})`);

    await t.tap(page, "Escape");
    const shot2 = await boxShown(page, "blur");
    await page.keyboard.down("KeyA");
    await page.evaluate(() => window.dispatchEvent(new FocusEvent("blur")));
    const [nx, ny] = t.findBoxText(shot2, "いいえ(N)", "E1E1E1").split(" ").map(Number);
    const box = await page.$eval("#canvas", (c) => {
        const r = c.getBoundingClientRect();
        return { x: r.left, y: r.top, k: r.width / c.width };
    });
    await page.mouse.click(box.x + (nx + 20) * box.k, box.y + (ny + 8) * box.k);
    await boxGone(page, "click");
    await t.sleep(1000);
    const held = await t.status(page);
    await page.keyboard.up("KeyA");
    t.check(held === "", `with A held through a blur, after No the status line says "${held}"`);
    t.ok("a key held when the page loses the focus is released; a click answers No");

    await t.tap(page, "Escape");
    await boxShown(page, "esc2");
    await t.tap(page, "KeyY");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    t.ok("ESC then Yes ends it with status 1");
    await page.close();

    // The browser asks before leaving a page the user has used.
    page = await started(browser, url);
    await t.tap(page, "ShiftLeft");
    const asked = new Promise((resolve) => page.once("dialog", async (d) => {
        await d.dismiss();
        resolve(d.type());
    }));
    await page.close({ runBeforeUnload: true });
    t.check((await asked) === "beforeunload", "closing the page asked no question");
    await boxShown(page, "close");
    t.ok("closing the page asks the browser's question; staying opens the quit box");
    await t.tap(page, "KeyY");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    t.ok("Yes in that box ends it with status 1");
});
