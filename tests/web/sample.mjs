// The sample in the browser: its page is titled タイトルです and shows a
// 640x400 canvas at the largest whole multiple that fits, pixels kept sharp;
// the rate "FPS:n" is printed at device (20, 20) and settles at 58 to 63; a
// held A ends it with status 1, leaving the canvas as it was; a held keypad
// digit does not end it.
import * as t from "./lib.mjs";

await t.run(async ({ url, browser }) => {
    let page = await t.open(browser, `${url}/sample.html`);
    const first = await t.waitFor("the first rate report", 15000, async () => {
        const text = await t.readText(page, 20, 20, 6);
        return text.startsWith("FPS:") && text;
    }, 100);
    t.ok(`the rate is printed at device (20, 20): "${first.trim()}" first`);

    t.check((await page.title()) === "タイトルです", `the page's title is "${await page.title()}"`);
    const canvas = await page.$eval("#canvas", (c) => ({
        w: c.width, h: c.height, cssW: c.style.width, cssH: c.style.height,
        rendering: getComputedStyle(c).imageRendering,
    }));
    t.check(canvas.w === 640 && canvas.h === 400, `the canvas is ${canvas.w}x${canvas.h}, expected 640x400`);
    t.check(canvas.cssW === "640px" && canvas.cssH === "400px",
        `in an 800x600 view the canvas is shown at ${canvas.cssW} x ${canvas.cssH}, expected 640px x 400px`);
    t.check(canvas.rendering === "pixelated", `the canvas's image-rendering is ${canvas.rendering}`);
    await page.setViewport({ width: 1400, height: 900 });
    const wide = await t.waitFor("the canvas shown doubled in a 1400x900 view", 3000,
        async () => (await page.$eval("#canvas", (c) => c.style.width)) === "1280px" &&
            page.$eval("#canvas", (c) => `${c.style.width} x ${c.style.height}`));
    await page.setViewport({ width: 800, height: 600 });
    t.ok(`titled タイトルです, a 640x400 canvas, pixelated, shown at 640 x 400 in 800x600 and ${wide} in 1400x900`);

    // The first second's report counts the start; the later ones must hold.
    await t.sleep(2500);
    const rates = [];
    for (let i = 0; i < 4; ++i) {
        const text = await t.readText(page, 20, 20, 6);
        const m = /^FPS:(\d+)/.exec(text);
        t.check(m, `the rate text reads "${text}"`);
        rates.push(Number(m[1]));
        await t.sleep(700);
    }
    t.check(rates.every((r) => r >= 58 && r <= 63), `the rate reads ${rates.join(", ")}; expected 58 to 63`);
    t.ok(`the rate settles at ${rates.join(", ")}`);

    await page.keyboard.down("KeyA");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    await page.keyboard.up("KeyA");
    const after = await t.readText(page, 20, 20, 6);
    t.check(after.startsWith("FPS:"), `after the end the canvas shows "${after}" at (20, 20), not the last frame`);
    t.ok(`a held A ends it with status 1; the canvas keeps its last frame ("${after.trim()}")`);
    await page.close();

    page = await t.open(browser, `${url}/sample.html`);
    await t.waitFor("the first rate report", 15000, async () => (await t.readText(page, 20, 20, 6)).startsWith("FPS:"), 100);
    await page.keyboard.down("Numpad5");
    await t.sleep(1000);
    const still = await t.status(page);
    await page.keyboard.up("Numpad5");
    t.check(still === "", `with keypad 5 held for 1 s the status line says "${still}"`);
    t.ok("a held keypad 5 does not end it");
});
