'use strict';
// Reading the Info Box and its target element off a page, and moving the pointer.

const assert = require('node:assert/strict');

// Where the generated script puts the box, relative to the pointer.
const OFFSET = Object.freeze({ x: 15, y: 10 });
const TOLERANCE = 2;

// Every generated element carries the mouse-over handler; the box itself does not.
const TARGET_SELECTOR = '[onmouseover]';

// The target's rectangle in viewport coordinates, with the page's scroll offsets
// and the visible viewport (without scroll bars).
async function targetRect(page) {
    return page.evaluate((selector) => {
        const all = document.querySelectorAll(selector);
        if (all.length !== 1) throw new Error(`expected one target element, found ${all.length}`);
        const r = all[0].getBoundingClientRect();
        return {
            left: r.left, top: r.top, right: r.right, bottom: r.bottom,
            width: r.width, height: r.height,
            scrollX: window.scrollX, scrollY: window.scrollY,
            viewWidth: window.visualViewport.width, viewHeight: window.visualViewport.height,
        };
    }, TARGET_SELECTOR);
}

// Whether a viewport point lies on the target, looking through a shown box.
async function pointOnTarget(page, x, y, selector = TARGET_SELECTOR) {
    return page.evaluate(([sel, px, py]) => document.elementsFromPoint(px, py)
        .some((el) => !el.closest('#infobox, .infobox') && el.closest(sel)), [selector, x, y]);
}

// The classic script's one box (#infobox), or the accessible script's boxes (.infobox).
async function boxState(page, boxSelector = '#infobox') {
    return page.evaluate((selector) => {
        const boxes = document.querySelectorAll(selector);
        if (boxes.length === 0) return { count: 0, visible: false };
        const box = boxes[0];
        const r = box.getBoundingClientRect();
        const shown = getComputedStyle(box).display !== 'none' && r.width > 0 && r.height > 0;
        return {
            count: boxes.length,
            visible: shown,
            client: { left: r.left, top: r.top, right: r.right, bottom: r.bottom },
            page: { left: r.left + window.scrollX, top: r.top + window.scrollY },
            scrollX: window.scrollX, scrollY: window.scrollY,
            viewWidth: window.visualViewport.width, viewHeight: window.visualViewport.height,
        };
    }, boxSelector);
}

// Computed styles of the shown box: frame, header cell and body cell.
async function boxStyles(page) {
    return page.evaluate(() => {
        const box = document.getElementById('infobox');
        const table = box.querySelector('table.boxs');
        const header = box.querySelector('td.boxheader');
        const body = box.querySelector('td.boxcontent');
        if (!table || !header || !body) throw new Error('the box lacks its table, header or body cell');
        const font = (el) => {
            const c = getComputedStyle(el);
            return {
                background: c.backgroundColor, color: c.color, fontSize: c.fontSize,
                decoration: c.textDecorationLine, weight: c.fontWeight, style: c.fontStyle,
                family: c.fontFamily.replace(/["']/g, ''),
            };
        };
        const t = getComputedStyle(table);
        const sides = ['Top', 'Right', 'Bottom', 'Left'];
        return {
            borderWidths: sides.map((s) => t[`border${s}Width`]),
            borderColors: sides.map((s) => t[`border${s}Color`]),
            borderStyles: sides.map((s) => t[`border${s}Style`]),
            width: table.getBoundingClientRect().width,
            header: font(header),
            body: font(body),
        };
    });
}

function rgb(hex) {
    const n = parseInt(hex.slice(1), 16);
    return `rgb(${(n >> 16) & 255}, ${(n >> 8) & 255}, ${n & 255})`;
}

// Checks the shown box against the settings it was generated from.
function assertStyled(styles, settings, boxWidth) {
    const expectFont = (prefix) => ({
        background: rgb(settings[`${prefix}BgColor`]),
        color: rgb(settings[`${prefix}Color`]),
        fontSize: `${settings[`${prefix}Size`]}px`,
        decoration: settings[`${prefix}Underline`] ? 'underline' : 'none',
        weight: settings[`${prefix}Bold`] ? '700' : '400',
        style: settings[`${prefix}Italic`] ? 'italic' : 'normal',
        family: settings[`${prefix}Name`],
    });
    assert.deepEqual(styles.header, expectFont('H'), 'header cell style');
    assert.deepEqual(styles.body, expectFont('B'), 'body cell style');
    assert.deepEqual(styles.borderWidths, Array(4).fill(`${settings.Border}px`), 'border width');
    assert.deepEqual(styles.borderColors, Array(4).fill(rgb(settings.BorderColor)), 'border colour');
    assert.deepEqual(styles.borderStyles, Array(4).fill('solid'), 'border style');
    if (boxWidth) assert.ok(Math.abs(styles.width - boxWidth) < 1, `box width ${styles.width}, expected ${boxWidth}`);
}

function assertNear(actual, expected, what) {
    assert.ok(Math.abs(actual - expected) <= TOLERANCE,
              `${what}: ${actual}, expected ${expected} ±${TOLERANCE}`);
}

function assertInsideViewport(state, what) {
    const c = state.client;
    const inside = c.left >= -0.5 && c.top >= -0.5 &&
                   c.right <= state.viewWidth + 0.5 && c.bottom <= state.viewHeight + 0.5;
    assert.ok(inside, `${what}: box at ${JSON.stringify(c)} leaves the ` +
                      `${state.viewWidth}x${state.viewHeight} viewport`);
}

// Moves the pointer. Playwright reports a move only where it ends, so a jump
// onto the spot where the box stands would land on the box, which a real
// pointer dragging the box along never does: such a move goes in steps of a
// few pixels, each followed by the box.
const pointerAt = new WeakMap();
async function movePointer(page, x, y) {
    const from = pointerAt.get(page) || { x: 0, y: 0 }; // where a new page's pointer starts
    const box = await boxState(page);
    const c = box.client;
    const ontoBox = box.visible && x >= c.left && x < c.right && y >= c.top && y < c.bottom;
    const steps = ontoBox ? Math.max(Math.ceil(Math.abs(x - from.x) / 10),
                                     Math.ceil(Math.abs(y - from.y) / 6)) : 1;
    await page.mouse.move(x, y, { steps });
    pointerAt.set(page, { x, y });
}

// Moves the pointer to a viewport point on the target and returns the box
// state; the box must be shown, once, inside the viewport, not under the pointer.
async function hoverAt(page, x, y, what) {
    assert.ok(await pointOnTarget(page, x, y), `${what}: (${x}, ${y}) is not on the target`);
    await movePointer(page, x, y);
    const state = await boxState(page);
    assert.equal(state.count, 1, `${what}: one box element`);
    assert.ok(state.visible, `${what}: the box is shown`);
    assertInsideViewport(state, what);
    const c = state.client;
    assert.ok(!(x >= c.left && x < c.right && y >= c.top && y < c.bottom),
              `${what}: the box covers the pointer at (${x}, ${y})`);
    return state;
}

// The box's top-left corner stands OFFSET from the pointer, in page coordinates.
function assertAtPointer(state, x, y, what, axes = { x: true, y: true }) {
    if (axes.x) assertNear(state.page.left, x + state.scrollX + OFFSET.x, `${what}: box left`);
    if (axes.y) assertNear(state.page.top, y + state.scrollY + OFFSET.y, `${what}: box top`);
}

// Moves the pointer off the target (left of it, where nothing else listens)
// and checks the box is hidden.
async function leaveTarget(page, what) {
    const r = await targetRect(page);
    const x = Math.round(r.left - 4);
    const y = Math.round(r.top + r.height / 2);
    assert.ok(x >= 0, `${what}: room left of the target`);
    assert.ok(!(await pointOnTarget(page, x, y)), `${what}: (${x}, ${y}) is off the target`);
    await movePointer(page, x, y);
    const state = await boxState(page);
    assert.ok(!state.visible, `${what}: the box is hidden after the pointer left`);
}

// Scrolls the page to the given offsets and returns the target's new rectangle.
async function scrollTo(page, x, y) {
    // Park the pointer first, so the scroll does not carry the target under it.
    await movePointer(page, 0, 0);
    await page.evaluate(([sx, sy]) => window.scrollTo(sx, sy), [Math.round(x), Math.round(y)]);
    const r = await targetRect(page);
    assert.ok(Math.abs(r.scrollX - Math.round(x)) < 1 && Math.abs(r.scrollY - Math.round(y)) < 1,
              `page scrolled to (${r.scrollX}, ${r.scrollY}), wanted (${x}, ${y})`);
    return r;
}

module.exports = {
    OFFSET, TOLERANCE, TARGET_SELECTOR,
    targetRect, pointOnTarget, movePointer, boxState, boxStyles, rgb, assertStyled, assertNear,
    assertInsideViewport, hoverAt, assertAtPointer, leaveTarget, scrollTo,
};
