'use strict';
// The sample page of every target kind in headless Chromium: as written
// (quirks mode), with a DOCTYPE (standards mode) and as a long page scrolled
// both ways. Hovering shows the styled box beside the pointer, it follows the
// pointer, stays inside the viewport at the edges and hides on leaving.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('../lib/harness');
const ib = require('../lib/infobox');

// Two looks, so that every style flag is seen both on and off. The header (H…)
// and the body (B…) have the same settings; a row gives one of them for the
// header and the body of the first look, then of the second.
const PARTS = {
    BgColor: ['#123456', '#E0F0D0', '#FFEE00', '#101010'],
    Color: ['#FEDCBA', '#202080', '#3300CC', '#F0F0F0'],
    Name: ['DejaVu Sans', 'DejaVu Serif', 'Liberation Mono', 'Liberation Serif'],
    Size: [17, 13, 9, 30],
    Underline: [true, false, false, true],
    Italic: [true, false, false, true],
    Bold: [false, true, true, false],
};

function look(index, border, borderColor, boxWidth) {
    const settings = { Border: border, BorderColor: borderColor };
    for (const [key, values] of Object.entries(PARTS)) {
        settings[`H${key}`] = values[2 * index];
        settings[`B${key}`] = values[2 * index + 1];
    }
    return { settings, boxWidth };
}

const LOOKS = { first: look(0, 3, '#CC0033', 240), second: look(1, 10, '#00AA00', 180) };

const PICTURE = { width: 160, height: 90, colour: [40, 120, 200] };

const KINDS = [
    { name: 'link', look: 'first',
      settings: () => ({ Target: h.TARGET.link, LinkText: 'Hover over this link', LinkURL: 'next.htm' }) },
    { name: 'image', look: 'second',
      settings: (dir) => {
          const picture = path.join(dir, 'picture.png');
          fs.writeFileSync(picture, h.pngBytes(PICTURE.width, PICTURE.height, PICTURE.colour));
          return { Target: h.TARGET.image, Image: picture };
      } },
    { name: 'table cell', look: 'second', settings: () => ({ Target: h.TARGET.cell }) },
    { name: 'division', look: 'first', settings: () => ({ Target: h.TARGET.layer }) },
];

const TEXTS = { HeaderText: 'Header line', BodyText: ['First body line', 'Second body line'] };
const TITLE = 'Title line';

let browser;
before(async () => { browser = await h.launchBrowser(); });
after(async () => { if (browser) await browser.close(); });

async function withPage(file, body) {
    const { page, errors, close } = await h.openPage(browser, h.fileUrl(file));
    try {
        await body(page);
        assert.deepEqual(errors, [], 'no script or console errors');
    } finally {
        await close();
    }
}

// Two points inside the target, a little in from its left end and further
// right (not so far that the box would meet the viewport's right edge).
function innerPoints(r) {
    const inset = Math.min(12, r.width / 4);
    return [
        { x: Math.round(r.left + inset), y: Math.round(r.top + r.height / 2) },
        { x: Math.round(Math.min(r.right - inset, r.left + 150)), y: Math.round(r.top + r.height * 0.7) },
    ];
}

// Enter, check the box and its look, move within the target, leave, enter again.
async function hoverCycle(page, look, label) {
    const r = await ib.targetRect(page);
    const [p1, p2] = innerPoints(r);
    assert.ok(p2.x - p1.x >= 20, `${label}: target wide enough to move across (${r.width} px)`);

    let state = await ib.hoverAt(page, p1.x, p1.y, `${label}, entering`);
    ib.assertAtPointer(state, p1.x, p1.y, `${label}, entering`);
    ib.assertStyled(await ib.boxStyles(page), { ...h.defaultSettings(), ...look.settings }, look.boxWidth);
    const texts = await page.evaluate(() => ({
        header: document.querySelector('#infobox td.boxheader').innerText,
        body: document.querySelector('#infobox td.boxcontent').innerText,
    }));
    assert.deepEqual(texts, { header: TEXTS.HeaderText, body: [TITLE, ...TEXTS.BodyText].join('\n') });

    state = await ib.hoverAt(page, p2.x, p2.y, `${label}, moving`);
    ib.assertAtPointer(state, p2.x, p2.y, `${label}, moving`);

    await ib.leaveTarget(page, label);

    state = await ib.hoverAt(page, p1.x, p1.y, `${label}, entering again`);
    ib.assertAtPointer(state, p1.x, p1.y, `${label}, entering again`);
    await ib.leaveTarget(page, `${label}, again`);
}

// Scrolls so the target lies against the right and/or bottom edge of the
// viewport, hovers close to that edge and checks the box stays inside; along
// an edge the box does not meet, it keeps its place beside the pointer.
async function hoverAtEdge(page, { right, bottom }, label) {
    const r0 = await ib.targetRect(page);
    const pageLeft = r0.left + r0.scrollX;
    const pageTop = r0.top + r0.scrollY;
    const sx = right ? pageLeft + r0.width - r0.viewWidth + 2 : pageLeft - 200;
    const sy = bottom ? pageTop + r0.height - r0.viewHeight + 2 : pageTop - r0.viewHeight / 2;
    const r = await ib.scrollTo(page, sx, sy);
    const x = Math.round(right ? r.right - 4 : r.left + Math.min(12, r.width / 4));
    const y = Math.round(bottom ? r.bottom - 4 : r.top + r.height / 2);
    assert.ok(!right || x >= r.viewWidth - 10, `${label}: pointer near the right edge`);
    assert.ok(!bottom || y >= r.viewHeight - 10, `${label}: pointer near the bottom edge`);
    const state = await ib.hoverAt(page, x, y, label);
    ib.assertAtPointer(state, x, y, label, { x: !right, y: !bottom });
    await ib.leaveTarget(page, label);
}

for (const kind of KINDS) {
    describe(`${kind.name} target`, () => {
        const look = LOOKS[kind.look];
        const pages = {};

        before(() => {
            const dir = h.makeTempDir();
            const settings = { ...look.settings, ...TEXTS, ...kind.settings(dir) };
            const out = h.generate(settings, { dir, boxWidth: look.boxWidth, title: TITLE });
            pages.dir = dir;
            pages.quirks = out.page;
            pages.standards = h.writeVariant(out.page, 'standards.htm', h.withDoctype);
            const long = (html) => h.longPage(html, out.snippet);
            pages.longQuirks = h.writeVariant(out.page, 'long-quirks.htm', long);
            pages.longStandards = h.writeVariant(out.page, 'long-standards.htm',
                                                 (html) => h.withDoctype(long(html)));
        });
        after(() => { if (pages.dir) fs.rmSync(pages.dir, { recursive: true, force: true }); });

        const modes = [
            { name: 'page as written (quirks mode)', file: 'quirks', compat: 'BackCompat' },
            { name: 'page with <!DOCTYPE html> (standards mode)', file: 'standards', compat: 'CSS1Compat' },
        ];
        for (const mode of modes) {
            test(`${mode.name}: box beside the pointer, styled, follows it, hides on leaving`, async () => {
                await withPage(pages[mode.file], async (page) => {
                    assert.equal(await page.evaluate(() => document.compatMode), mode.compat);
                    if (kind.name === 'image') {
                        const size = await page.evaluate(() => {
                            const img = document.querySelector('img');
                            return [img.naturalWidth, img.naturalHeight];
                        });
                        assert.deepEqual(size, [PICTURE.width, PICTURE.height], 'the picture loads');
                    }
                    await hoverCycle(page, look, mode.name);
                });
            });
        }

        const longModes = [
            { name: 'long page in quirks mode', file: 'longQuirks', compat: 'BackCompat' },
            { name: 'long page in standards mode', file: 'longStandards', compat: 'CSS1Compat' },
        ];
        for (const mode of longModes) {
            test(`${mode.name}, scrolled: box beside the pointer and inside the viewport at the edges`, async () => {
                await withPage(pages[mode.file], async (page) => {
                    assert.equal(await page.evaluate(() => document.compatMode), mode.compat);
                    const r0 = await ib.targetRect(page);
                    const r = await ib.scrollTo(page, r0.left + r0.scrollX - 200, r0.top + r0.scrollY - 300);
                    assert.ok(r.scrollX > 500 && r.scrollY > 500, 'scrolled both ways');
                    await hoverCycle(page, look, `${mode.name}, scrolled`);
                    await hoverAtEdge(page, { right: true, bottom: false }, `${mode.name}, right edge`);
                    await hoverAtEdge(page, { right: false, bottom: true }, `${mode.name}, bottom edge`);
                    await hoverAtEdge(page, { right: true, bottom: true }, `${mode.name}, bottom right corner`);
                });
            });
        }
    });
}
