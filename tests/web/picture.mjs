// A missing picture in the browser: a game whose packed folder lacks the file
// it loads gets the load-error box with the file's name, and OK ends it with
// status 1.
import * as t from "./lib.mjs";

await t.run(async ({ url, browser }) => {
    const page = await t.open(browser, `${url}/tests/web/programs/missing_picture.html`);
    const text = "Bitmapロードエラー:pics/ship.bmp";
    let where = "";
    await t.waitFor("the load-error box", 15000, async () => {
        where = t.findBoxText(await t.canvasShot(page, "error"), text);
        return where;
    }, 200);
    t.ok(`the box says "${text}" (at ${where})`);
    await t.tap(page, "Enter");
    await t.waitForStatus(page, "ended (status 1)", 3000);
    t.ok("OK ends it with status 1");
});
