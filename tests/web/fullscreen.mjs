// Full screen in the browser: mode 2 at a size larger than the screen sets
// the mode (bai is 2) but enters nothing, even at a click; at the canvas's
// own size the page's screen goes full screen in answer to the user (the key
// that led to the request, or the next click), the canvas shown at the
// largest whole multiple of its size that fits.
import * as t from "./lib.mjs";

const fullscreen = (page) => page.evaluate(() => (document.fullscreenElement || {}).id || "");

await t.run(async ({ url, browser }) => {
    const page = await t.open(browser, `${url}/tests/web/programs/fullscreen.html`);
    await t.waitFor("the first request's text", 15000, async () => (await t.readText(page, 10, 10, 5)) === "big 2", 100);
    const canvas = await page.$eval("#canvas", (c) => {
        const r = c.getBoundingClientRect();
        return { x: r.left + 5, y: r.top + 5 };
    });
    await page.mouse.click(canvas.x, canvas.y);
    await t.sleep(300);
    t.check((await fullscreen(page)) === "", "a size larger than the screen was entered full screen");
    t.ok("mode 2 larger than the screen: bai is 2 and nothing is entered, a click notwithstanding");

    await t.tap(page, "KeyB");
    await t.waitFor("the second request's text", 5000, async () => (await t.readText(page, 10, 10, 6)) === "fits 2", 100);
    await page.mouse.click(canvas.x, canvas.y);
    const entered = await t.waitFor("full screen", 3000, async () => (await fullscreen(page)) || "", 100);
    t.check(entered === "screen", `full screen shows #${entered}, expected #screen`);
    const view = await t.waitFor("the canvas fitted to the screen", 3000, () => page.evaluate(() => {
        const c = document.getElementById("canvas");
        const k = Math.max(1, Math.floor(Math.min(window.innerWidth / c.width, window.innerHeight / c.height)));
        const want = `${c.width * k}px x ${c.height * k}px`;
        const got = `${c.style.width} x ${c.style.height}`;
        return got === want && `${got} in ${window.innerWidth} x ${window.innerHeight}`;
    }), 100);
    t.ok(`mode 2 at 640x400 enters full screen, the canvas shown at ${view}`);
    t.check((await t.status(page)) === "", `the program ended before its last key`);
    await t.tap(page, "KeyQ");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    t.ok("a key then ends it with status 1");
});
