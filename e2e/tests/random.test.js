'use strict';
// Random settings, twenty cases a run, in either script style: every generated
// page opens without a script or console error, hovering its target shows the
// box holding the three texts as typed (HTML, a line break as <br>), and
// leaving hides it again.
//
// Each run draws new cases from a seed it prints; TIPSMITH_E2E_SEED=<seed>
// runs the same cases again.

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('../lib/harness');
const ib = require('../lib/infobox');

const CASES = 20;
const seed = process.env.TIPSMITH_E2E_SEED !== undefined
    ? Number(process.env.TIPSMITH_E2E_SEED) >>> 0
    : (Date.now() ^ (process.pid << 16)) >>> 0;
console.log(`random settings: seed ${seed} (TIPSMITH_E2E_SEED=${seed} repeats these cases)`);

// A small seeded generator (mulberry32), so a seed names the same cases everywhere.
function generator(start) {
    let state = start >>> 0;
    const next = () => {
        state = (state + 0x6d2b79f5) >>> 0;
        let t = state;
        t = Math.imul(t ^ (t >>> 15), t | 1);
        t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
    const between = (low, high) => low + Math.floor(next() * (high - low + 1));
    const pick = (list) => list[between(0, list.length - 1)];
    return { next, between, pick, chance: (n) => between(1, n) === 1 };
}

// What authors type, and what breaks naive quoting: quotes, backslashes, line
// breaks of every form, character references, tag-like text, HTML that is
// complete in itself, and characters outside ASCII. An angle bracket stands
// only where it cannot open a tag, since an unfinished tag would swallow the
// box's own table, as the author's HTML then asks for.
const PIECES = [
    ' ', '  ', '\t', '\r\n', '\r', '\n',
    '"', "'", '\\', "\\'", '\\"', '\\n', '\\\\', "''",
    ' < ', ' > ', ' & ', '<b>bold</b>', '<i>it</i>', '<br>', '&amp;', '&quot;', '&#39;', '&apos;',
    '&#92;', '&#10;', '&#x27;', '&lt;b&gt;', '&nbsp;', '&copy', '<%%Border%%>', '<%%/Border%%>',
    '<%%/OUTPUTFORMAT%%>', '%%>', '%', '/', '^', '$', '#', ';', ',', '(', ')', '=', '?',
    'é', 'ß', '€', '“', '”', '中', '😀', '\u00a0', '\u2028',
];
const LETTERS = 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789';

function randomText(r, maxPieces = 24) {
    let out = '';
    const count = r.between(0, maxPieces);
    for (let i = 0; i < count; i++)
        out += r.chance(2) ? r.pick([...LETTERS]) : r.pick(PIECES);
    return out;
}

const hex2 = (n) => n.toString(16).toUpperCase().padStart(2, '0');
const randomColor = (r) => '#' + hex2(r.between(0, 255)) + hex2(r.between(0, 255)) + hex2(r.between(0, 255));
const FONTS = ['Arial', 'Times New Roman', 'Courier New', 'DejaVu Sans', 'Verdana'];
// File names the sample page and the picture may carry: no folder part, no
// characters that a file address reads as its query or fragment.
const NAME_PIECES = ['a', 'b', 'Z', '1', ' ', '"', "'", 'é', '€', '中', '(', ')', '-', '_', '!'];
const randomName = (r, extension) =>
    Array.from({ length: r.between(1, 10) }, () => r.pick(NAME_PIECES)).join('') + 'x' + extension;

function randomCase(r, dir) {
    const settings = {
        Border: r.between(1, 10), BorderColor: randomColor(r),
        HBgColor: randomColor(r), HColor: randomColor(r), HName: r.pick(FONTS), HSize: r.between(9, 30),
        HUnderline: r.chance(2), HItalic: r.chance(2), HBold: r.chance(2),
        BBgColor: randomColor(r), BColor: randomColor(r), BName: r.pick(FONTS), BSize: r.between(9, 30),
        BUnderline: r.chance(2), BItalic: r.chance(2), BBold: r.chance(2),
        Target: r.between(1, 4),
        // The link starts with plain words, so there is always something to point at.
        LinkText: 'Link ' + randomText(r, 8),
        LinkURL: randomText(r, 12),
        HeaderText: randomText(r),
        BodyText: randomText(r, 40),
        OutputFormat: 1,
        Output: randomName(r, '.htm'),
    };
    if (settings.Target === h.TARGET.image) {
        settings.Image = path.join(dir, randomName(r, '.png'));
        fs.writeFileSync(settings.Image, h.pngBytes(60, 40, [r.between(0, 255), 90, 160]));
    } else {
        settings.Image = randomText(r, 8);
    }
    return { settings, title: randomText(r), boxWidth: r.chance(2) ? 0 : r.between(60, 300),
             script: r.chance(2) ? 'accessible' : 'classic' };
}

// A box text as the box must show it: the author's HTML, a line break as <br>.
const asBoxHtml = (text) => text.replace(/\r\n|\r|\n/g, '<br>');
// The body as the generator uses it: read from the settings file with every
// line break as CR LF, then one CR LF at its end left out.
const bodyAsRead = (text) => text.replace(/\r\n|\r|\n/g, '\r\n').replace(/\r\n$/, '');

let browser;
before(async () => { browser = await h.launchBrowser(); });
after(async () => { if (browser) await browser.close(); });

const scratch = [];
after(() => { for (const dir of scratch) fs.rmSync(dir, { recursive: true, force: true }); });

const r = generator(seed);
for (let i = 0; i < CASES; i++) {
    // Drawn in order before any test runs, so case i is the same whatever runs alone.
    const dir = h.makeTempDir();
    scratch.push(dir);
    const c = randomCase(r, dir);
    test(`random case ${i} (seed ${seed}): target ${c.settings.Target}, ${c.script}`, async () => {
        const out = h.generate(c.settings, { dir, title: c.title, boxWidth: c.boxWidth, script: c.script });
        const target = c.script === 'accessible' ? '[data-infobox-header]' : ib.TARGET_SELECTOR;
        const box = c.script === 'accessible' ? '.infobox' : '#infobox';
        const { page, errors, close } = await h.openPage(browser, h.fileUrl(out.page));
        const context = () => `seed ${seed}, case ${i}, settings ${JSON.stringify(c)}\nsnippet: ${out.snippet}`;
        try {
            assert.deepEqual(errors, [], `loading the page: ${context()}`);
            // A point on the first line box of the target.
            const spot = await page.evaluate((selector) => {
                const rect = document.querySelector(selector).getClientRects()[0];
                return { x: Math.round(rect.left + Math.min(5, rect.width / 2)),
                         y: Math.round(rect.top + rect.height / 2) };
            }, target);
            assert.ok(await ib.pointOnTarget(page, spot.x, spot.y, target), `a point on the target: ${context()}`);
            await ib.movePointer(page, spot.x, spot.y);
            assert.deepEqual(errors, [], `hovering the target: ${context()}`);
            const state = await ib.boxState(page, box);
            assert.equal(state.count, 1, `one box: ${context()}`);
            assert.ok(state.visible, `the box shows: ${context()}`);

            // The box cells against the same HTML parsed on its own.
            const shown = await page.evaluate(([boxSelector, header, title, body]) => {
                const parsed = (html) => {
                    const cell = document.createElement('td');
                    cell.innerHTML = html;
                    return cell.innerHTML;
                };
                const shownBox = document.querySelector(boxSelector);
                return {
                    header: shownBox.querySelector('td.boxheader').innerHTML,
                    content: shownBox.querySelector('td.boxcontent').innerHTML,
                    expectedHeader: parsed(header),
                    expectedContent: parsed('<b>' + title + '</b><br>' + body),
                };
            }, [box, asBoxHtml(c.settings.HeaderText), asBoxHtml(c.title),
                asBoxHtml(bodyAsRead(c.settings.BodyText))]);
            assert.equal(shown.header, shown.expectedHeader, `header text: ${context()}`);
            assert.equal(shown.content, shown.expectedContent, `title and body: ${context()}`);

            await ib.movePointer(page, 0, 0);
            // The accessible box waits a moment for the pointer to reach it.
            if (c.script === 'accessible') await page.waitForTimeout(700);
            assert.ok(!(await ib.boxState(page, box)).visible, `the box hides: ${context()}`);
            assert.deepEqual(errors, [], `no script or console errors: ${context()}`);
        } finally {
            await close();
        }
    });
}
