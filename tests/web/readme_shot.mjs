// The README's picture of the sample in Chromium: its page in a 1360x860
// view (the canvas doubled), a few seconds in, with the quit box open.
//
//   QX_WEB_BUILD=build/web node tests/web/readme_shot.mjs [OUT.png]   (default docs/web-sample.png)
import path from "node:path";
import * as t from "./lib.mjs";

const out = path.resolve(process.argv[2] || path.join(path.dirname(process.argv[1]), "../../docs/web-sample.png"));

await t.run(async ({ url, browser }) => {
    const page = await t.open(browser, `${url}/sample.html`);
    await page.setViewport({ width: 1360, height: 860 });
    await t.sleep(3000);
    await t.tap(page, "Escape");
    await t.sleep(1000);
    await page.screenshot({ path: out });
    t.ok(`wrote ${out}`);
});
