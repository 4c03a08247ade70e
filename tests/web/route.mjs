// A page that a game's own project built (tests/package/route.sh), checked in
// headless Chromium: its title, what it drew, and its end with status 1 once
// A is held, with nothing thrown that nobody caught.
//
//   QX_WEB_BUILD=ROOT QX_WEB_PAGE=PATH QX_WEB_EXPECT=main|star node route.mjs
//
// ROOT is served; PATH is the page under it. main: the README's main.cpp
// (titled はじめてのソフト, a box of palette colour 9 at logical (10,40)
// 100 x 30, the yellow text of palette colour 14 at (10,10), black below);
// star: the README's star.cpp (titled 星のテスト, its yellow picture at
// logical (100,60) 32 x 32, magenta left out, black around it).
import * as t from "./lib.mjs";

const page_path = process.env.QX_WEB_PAGE || "";
const expect = process.env.QX_WEB_EXPECT || "main";

const colors = (file, x, y, w, h) => {
    const r = t.screentext("colors", file, String(x), String(y), String(w), String(h));
    t.check(r.status === 0, `screentext colors failed: ${r.err}`);
    return Object.fromEntries(r.out.split("\n").filter(Boolean).map((l) => {
        const [c, n] = l.split(" ");
        return [c, Number(n)];
    }));
};
const only = (got, want) => JSON.stringify(got) === JSON.stringify(want);

await t.run(async ({ url, browser }) => {
    t.check(page_path, "QX_WEB_PAGE names no page");
    const page = await t.open(browser, `${url}/${page_path}`);
    const title = expect === "star" ? "星のテスト" : "はじめてのソフト";
    await t.waitFor(`the page titled ${title}`, 20000, async () => (await page.title()) === title);
    t.ok(`${page_path} is titled ${title}: its literal is code page 932`);

    if (expect === "star") {
        const shot = await t.waitFor("the picture drawn", 10000, async () => {
            const f = await t.canvasShot(page, "star");
            const c = colors(f, 200, 120, 64, 64);
            return (c.FFFF00 || 0) >= 1000 && f;
        });
        const inside = colors(shot, 200, 120, 64, 64);
        t.check(Object.keys(inside).every((c) => c === "FFFF00" || c === "000000"),
            `the picture's place holds ${JSON.stringify(inside)}: magenta was not left out`);
        const all = colors(shot, 0, 0, 640, 400);
        t.check(all.FFFF00 === inside.FFFF00 && !all.FF00FF,
            `the canvas holds ${JSON.stringify(all)}: yellow elsewhere, or magenta`);
        t.ok(`pics/star.bmp from the page's data: ${inside.FFFF00} yellow pixels at device (200,120), magenta left out`);
    } else {
        const shot = await t.waitFor("the box drawn", 10000, async () => {
            const f = await t.canvasShot(page, "main");
            return only(colors(f, 20, 80, 200, 60), { "5454FC": 12000 }) && f;
        });
        const ink = Object.entries(colors(shot, 20, 20, 300, 32)).filter(([c]) => c !== "000000");
        const yellow = ink.filter(([c]) => c === "FCFC54").reduce((n, [, k]) => n + k, 0);
        const others = ink.filter(([c]) => c.slice(0, 2) !== c.slice(2, 4)).map(([c]) => c);
        t.check(yellow > 0 && others.length === 0, `the text's ink: ${JSON.stringify(ink)}`);
        t.check(only(colors(shot, 20, 160, 600, 220), { "000000": 132000 }), "not black below the box");
        t.ok(`the box in 5454FC, the text in FCFC54 (${yellow} full pixels) on black, black below`);
    }

    await page.keyboard.down("KeyA");
    await t.waitForStatus(page, "ended (status 1)", 5000);
    await page.keyboard.up("KeyA");
    t.ok("a held A ends it with status 1");
});
