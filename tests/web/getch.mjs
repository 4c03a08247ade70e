// getch in the browser: a program spinning in getch (no sleep, no message
// pump) leaves the page running, so what it drew before is on the canvas and
// a key pressed then reaches it: B gives 98 and the program ends, the text
// it drew last on the canvas.
import * as t from "./lib.mjs";

await t.run(async ({ url, browser }) => {
    const page = await t.open(browser, `${url}/tests/web/programs/getch_wait.html`);
    await t.waitFor("the text drawn before getch", 15000, async () => (await t.readText(page, 20, 20, 6)) === "getch?", 100);
    await t.sleep(500);
    t.check((await t.status(page)) === "", `while in getch the status line says "${await t.status(page)}"`);
    t.ok("the canvas is shown while the program spins in getch");
    await page.keyboard.down("KeyB");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    await page.keyboard.up("KeyB");
    const got = await t.readText(page, 20, 60, 6);
    t.check(got === "got 98", `after B the canvas reads "${got}", expected "got 98"`);
    t.ok("a key pressed then ends the wait: getch gives 98 for B");
});
