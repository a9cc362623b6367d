'use strict';
// The accessible Info Box in Chromium and Firefox, for every target kind, on
// pages served with Content-Security-Policy: default-src 'self'. Pointer,
// keyboard, Escape and touch; the box inside the viewport at the corners,
// scrolled and at 200% zoom; the texts as typed; the element's accessible
// description; no policy violation; axe finds nothing.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const h = require('../lib/harness');
const b = require('../lib/browsers');

const CSP = "default-src 'self'";
const GRACE_MS = 500; // the script's wait for the pointer to reach the box
const TEXTS = {
    HeaderText: 'Say "hi" & <i>wave</i>', BodyText: ['C:\\path\\it\'s', 'caf\u00e9 \u2014 \u65e5\u672c'],
};
const TITLE = 'Bold <u>title</u>';
// What the box shows of these texts, and so the element's description.
const SHOWN = 'Say "hi" & wave' + 'Bold title' + 'C:\\path\\it\'s' + 'caf\u00e9 \u2014 \u65e5\u672c';

const KINDS = [
    { name: 'link', selector: 'a', settings: () => ({ Target: h.TARGET.link, LinkText: 'Hover me', LinkURL: 'next.htm' }) },
    { name: 'image', selector: 'img', settings: (dir) => {
        fs.writeFileSync(path.join(dir, 'tip.png'), h.pngBytes(120, 60, [40, 120, 200]));
        return { Target: h.TARGET.image, Image: path.join(dir, 'tip.png') };
    } },
    { name: 'table cell', selector: 'td', settings: () => ({ Target: h.TARGET.cell }) },
    { name: 'division', selector: 'main > div', settings: () => ({ Target: h.TARGET.layer }) },
];

// Where the element stands in the variants, by a class on <main> (inline
// styles would break the policy).
const PLACES = `
main.top-left > :last-child { position: absolute; left: 0; top: 0 }
main.top-right > :last-child { position: absolute; right: 0; top: 0 }
main.bottom-left > :last-child { position: absolute; left: 0; bottom: 0 }
main.bottom-right > :last-child { position: absolute; right: 0; bottom: 0 }
main.scrolled::before, main.scrolled::after { content: ""; display: block; height: 1500px; width: 3000px }
main.scrolled > :last-child { margin-left: 1400px; display: inline-block }
body { margin: 0; min-height: 100vh; position: relative }
main > div { width: 200px }
`;

function writePages(dir, kind) {
    const out = h.generate({ ...kind.settings(dir), ...TEXTS }, { dir, title: TITLE, script: 'accessible' });
    const html = fs.readFileSync(out.page, 'utf8');
    fs.writeFileSync(path.join(out.outDir, 'places.css'), PLACES);
    for (const place of ['top-left', 'top-right', 'bottom-left', 'bottom-right', 'scrolled']) {
        fs.writeFileSync(path.join(out.outDir, `${place}.htm`), html
            .replace('</head>', '<link rel="stylesheet" href="places.css">\r\n</head>')
            .replace('<main>', `<main class="${place}">`));
    }
    // The link's target, so following it lands on a page; and a variant with
    // a link before the element, so the keyboard can leave it and come back
    // without leaving the page.
    fs.writeFileSync(path.join(out.outDir, 'next.htm'), html);
    fs.writeFileSync(path.join(out.outDir, 'keys.htm'),
        html.replace('<main>', '<main>\r\n<p><a href="#top">Before</a></p>'));
    // Three elements on one page, the third added by a script once the page has loaded.
    const element = out.snippet;
    const other = (n) => element.replace(/data-infobox-header="[^"]*"/, `data-infobox-header="Box ${n}"`);
    fs.writeFileSync(path.join(out.outDir, 'add.js'), `window.addEventListener('load', () => {
    const last = document.createElement('div');
    last.innerHTML = ${JSON.stringify(other(3))};
    document.querySelector('main').appendChild(last.firstElementChild);
});
`);
    fs.writeFileSync(path.join(out.outDir, 'many.htm'), html
        .replace('</head>', '<script src="add.js" defer></script>\r\n</head>')
        .replace(element, `${other(1)}\r\n${other(2)}`));
    // axe itself from the same origin, so the policy lets it run.
    fs.copyFileSync(require.resolve('axe-core/axe.min.js'), path.join(out.outDir, 'axe.min.js'));
    fs.writeFileSync(path.join(out.outDir, 'axe.htm'),
        html.replace('</head>', '<script src="axe.min.js"></script>\r\n</head>'));
    return out;
}

// The element, its box and the viewport, in viewport coordinates.
function state(page, selector) {
    return page.evaluate((sel) => {
        const el = document.querySelector(sel);
        const box = document.getElementById(el.getAttribute('aria-describedby'));
        const rect = (e) => { const r = e.getBoundingClientRect(); return { left: r.left, top: r.top, right: r.right, bottom: r.bottom }; };
        const root = document.documentElement;
        return {
            el: rect(el), box: rect(box), shown: !box.hidden && box.getBoundingClientRect().width > 0,
            text: box.textContent, role: box.getAttribute('role'), focused: document.activeElement === el,
            view: { width: root.clientWidth, height: root.clientHeight }, url: location.href,
            violations: window.__violations,
        };
    }, selector);
}

const near = (a, e, what) => assert.ok(Math.abs(a - e) <= 2, `${what}: ${a} is not ${e}`);
const inside = (s, what) => assert.ok(s.box.left >= 0 && s.box.top >= 0 && s.box.right <= s.view.width + 0.5 &&
    s.box.bottom <= s.view.height + 0.5, `${what}: box ${JSON.stringify(s.box)} outside ${JSON.stringify(s.view)}`);
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The folders of the four kinds, written once for both browsers.
const written = new Map();
function pagesOf(kind) {
    if (!written.has(kind)) written.set(kind, writePages(h.makeTempDir(), kind));
    return written.get(kind);
}

test('the sample pages are valid HTML (Nu HTML Checker)', () => {
    const pages = KINDS.map((kind) => pagesOf(kind).page);
    const r = spawnSync('java', ['-jar', String(require('vnu-jar')), '--errors-only', '--format', 'text', ...pages],
        { encoding: 'utf8', timeout: 120000 });
    if (r.error) throw r.error;
    assert.equal(r.status, 0, r.stderr + r.stdout);
});

for (const name of b.BROWSERS) {
    describe(`accessible box in ${name}`, () => {
        let browser;
        const sites = [];
        before(async () => { browser = await b.launch(name); });
        after(async () => {
            for (const site of sites) await site.close();
            if (browser) await browser.close();
        });

        test('several elements, one added after the page loaded, each with its own box', async () => {
            const out = pagesOf(KINDS[3]);
            const site = await b.serve(out.outDir, { csp: CSP });
            sites.push(site);
            const { page, errors, close } = await b.openPage(browser, `${site.origin}/many.htm`);
            await page.waitForFunction(() => document.querySelectorAll('main > div').length === 3);
            for (let n = 1; n <= 3; n++) {
                const r = await page.evaluate((i) => document.querySelectorAll('main > div')[i]
                    .getBoundingClientRect().toJSON(), n - 1);
                await page.mouse.move(r.left + 5, r.top + 3);
                const shown = await page.evaluate(() => [...document.querySelectorAll('.infobox')]
                    .filter((box) => !box.hidden).map((box) => box.querySelector('.boxheader').textContent));
                assert.deepEqual(shown, [`Box ${n}`], `hovering element ${n}`);
            }
            assert.deepEqual(await page.evaluate(() => window.__violations), []);
            assert.deepEqual(errors, []);
            await close();
        });

        for (const kind of KINDS) {
            test(kind.name, async () => {
                const out = pagesOf(kind);
                const site = await b.serve(out.outDir, { csp: CSP });
                sites.push(site);
                const url = `${site.origin}/${path.basename(out.page)}`;
                const sel = kind.selector;

                const { page, errors, close } = await b.openPage(browser, url);
                let s = await state(page, sel);
                assert.equal(s.role, 'tooltip');
                assert.equal(s.text, SHOWN);
                assert.equal(s.shown, false);
                // Pointer: shown beside the pointer, following it, reachable, then gone.
                const x = s.el.left + 5, y = s.el.top + 5;
                await page.mouse.move(x, y);
                s = await state(page, sel);
                assert.ok(s.shown, 'hover shows');
                near(s.box.left, x + 15, 'left'); near(s.box.top, y + 10, 'top');
                await page.mouse.move(x + 20, y + 3);
                s = await state(page, sel);
                near(s.box.left, x + 35, 'follows left'); near(s.box.top, y + 13, 'follows top');
                const onBox = { x: (s.box.left + s.box.right) / 2, y: (s.box.top + s.box.bottom) / 2 };
                await page.mouse.move(onBox.x, onBox.y, { steps: 4 });
                await pause(GRACE_MS + 200);
                assert.ok((await state(page, sel)).shown, 'the pointer reached the box');
                await page.mouse.move(s.view.width - 2, s.view.height - 2, { steps: 2 });
                await pause(GRACE_MS + 200);
                assert.equal((await state(page, sel)).shown, false, 'hidden once the pointer left both');

                assert.deepEqual((await state(page, sel)).violations, []);
                assert.deepEqual(errors, []);
                await close();

                // Keyboard: Tab shows it below, Escape hides it and keeps focus, it stays
                // hidden until focus leaves and comes back, Shift+Tab hides it.
                const keys = await b.openPage(browser, `${site.origin}/keys.htm`);
                const keySel = sel === 'a' ? 'main > a' : sel;
                await keys.page.keyboard.press('Tab');
                await keys.page.keyboard.press('Tab');
                s = await state(keys.page, keySel);
                assert.ok(s.focused && s.shown, 'Tab shows');
                assert.ok(s.box.top >= s.el.bottom, 'below the element');
                await keys.page.keyboard.press('Escape');
                s = await state(keys.page, keySel);
                assert.ok(s.focused && !s.shown, 'Escape hides and keeps focus');
                const shiftTab = async () => {
                    await keys.page.keyboard.down('Shift');
                    await keys.page.keyboard.press('Tab');
                    await keys.page.keyboard.up('Shift');
                };
                await shiftTab();
                await keys.page.keyboard.press('Tab');
                assert.ok((await state(keys.page, keySel)).shown, 'back again after leaving');
                await shiftTab();
                s = await state(keys.page, keySel);
                assert.ok(!s.focused && !s.shown, 'Shift+Tab hides');

                if (name === 'chromium') {
                    // The description a screen reader announces on focus.
                    const tree = await keys.page.accessibility.snapshot({ interestingOnly: false });
                    const described = [];
                    const walk = (n) => { if (n.description) described.push(n.description); (n.children || []).forEach(walk); };
                    walk(tree);
                    const flat = (t) => t.replace(/\s+/g, '');
                    assert.deepEqual(described.map(flat), [flat(SHOWN)]);
                }
                assert.deepEqual((await state(keys.page, keySel)).violations, []);
                assert.deepEqual(keys.errors, []);
                await keys.close();

                const checked = await b.openPage(browser, `${site.origin}/axe.htm`);
                const axe = await checked.page.evaluate(async () => (await window.axe.run(document)).violations
                    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`));
                assert.deepEqual(axe, []);
                assert.deepEqual(checked.errors, []);
                await checked.close();

                // Touch: a tap shows it beside the element, a tap elsewhere hides it; a
                // link's first tap only shows it.
                const touch = await b.openPage(browser, url, { touch: true });
                s = await state(touch.page, sel);
                await touch.page.touchscreen.tap(s.el.left + 5, s.el.top + 5);
                s = await state(touch.page, sel);
                assert.ok(s.shown && s.box.top >= s.el.bottom, 'tap shows below');
                assert.equal(s.url, url, 'the first tap stays');
                await touch.page.touchscreen.tap(s.view.width - 5, s.view.height - 5);
                assert.equal((await state(touch.page, sel)).shown, false, 'a tap elsewhere hides');
                if (kind.name === 'link') {
                    await touch.page.touchscreen.tap(s.el.left + 5, s.el.top + 5);
                    await Promise.all([touch.page.waitForNavigation(), touch.page.touchscreen.tap(s.el.left + 5, s.el.top + 5)]);
                    assert.ok(touch.page.url().endsWith('/next.htm'), 'the second tap follows the link');
                }
                assert.deepEqual(touch.errors.filter((e) => !/404/.test(e)), []);
                await touch.close();

                // Inside the viewport at every corner, scrolled, and at 200% zoom.
                for (const viewport of [{ width: 1000, height: 700 }, { width: 500, height: 350, deviceScaleFactor: 2 }]) {
                    for (const place of ['top-left', 'top-right', 'bottom-left', 'bottom-right', 'scrolled']) {
                        const what = `${place} ${viewport.width}`;
                        const p = await b.openPage(browser, `${site.origin}/${place}.htm`, { viewport });
                        await p.page.evaluate((s2) => document.querySelector(s2).scrollIntoView({ block: 'center', inline: 'center' }), sel);
                        s = await state(p.page, sel);
                        await p.page.mouse.move(Math.max(s.el.right - 3, 1), Math.max(s.el.bottom - 3, 1));
                        s = await state(p.page, sel);
                        assert.ok(s.shown, what); inside(s, `${what} pointer`);
                        await p.page.mouse.move(1, 1);
                        await p.page.keyboard.press('Tab');
                        s = await state(p.page, sel);
                        assert.ok(s.shown, what); inside(s, `${what} focus`);
                        assert.deepEqual(s.violations, [], what);
                        assert.deepEqual(p.errors, [], what);
                        await p.close();
                    }
                }
            });
        }
    });
}
