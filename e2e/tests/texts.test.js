'use strict';
// Texts as the author types them: quotes, apostrophes, backslashes, line
// breaks, HTML and characters outside ASCII must reach the page and the box
// unchanged, and must never break the script that shows the box.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('../lib/harness');
const ib = require('../lib/infobox');

let browser;
before(async () => { browser = await h.launchBrowser(); });
after(async () => { if (browser) await browser.close(); });

const scratch = [];
after(() => { for (const dir of scratch) fs.rmSync(dir, { recursive: true, force: true }); });

// Generates the page, hovers the target and returns what the page and the box show.
// `variant` rewrites the sample page before it is opened.
async function showBox(settings, title, { variant } = {}) {
    const dir = h.makeTempDir();
    scratch.push(dir);
    const out = h.generate(settings, { dir, title });
    const file = variant ? h.writeVariant(out.page, 'variant.htm', variant) : out.page;
    const { page, errors, close } = await h.openPage(browser, h.fileUrl(file));
    try {
        const r = await ib.targetRect(page);
        const x = Math.round(r.left + Math.min(10, r.width / 3));
        const y = Math.round(r.top + r.height / 2);
        const state = await ib.hoverAt(page, x, y, 'hovering the target');
        ib.assertAtPointer(state, x, y, 'hovering the target');
        const shown = await page.evaluate((sel) => {
            const header = document.querySelector('#infobox td.boxheader');
            const content = document.querySelector('#infobox td.boxcontent');
            const bold = content.firstElementChild;
            const target = document.querySelector(sel);
            return {
                header: header.textContent,
                headerHtml: header.innerHTML,
                title: bold.tagName === 'B' ? bold.textContent : null,
                titleHtml: bold.innerHTML,
                content: content.innerText,
                contentHtml: content.innerHTML,
                targetText: target.textContent,
                targetHtml: target.innerHTML,
                href: target.getAttribute('href'),
                picture: target.tagName === 'IMG' ? [target.naturalWidth, target.naturalHeight] : null,
                charset: document.characterSet,
                headerFont: getComputedStyle(header).fontFamily.replace(/["']/g, ''),
                contentFont: getComputedStyle(content).fontFamily.replace(/["']/g, ''),
            };
        }, ib.TARGET_SELECTOR);
        await ib.leaveTarget(page, 'leaving the target');
        assert.deepEqual(errors, [], 'no script or console errors');
        return shown;
    } finally {
        await close();
    }
}

// The box's body cell shows the bold title, a line break, then the body.
function contentText(title, bodyLines) {
    return [title, ...bodyLines].join('\n');
}

describe('texts shown as typed', () => {
    const quoting = {
        HeaderText: `She said "hi" and 'bye' \\o/`,
        title: `Don't "stop" at C:\\ here`,
        body: [String.raw`C:\new\table\x1`, String.raw`a \\ b, \n and \' stay`, `"all" of 'it'`],
        LinkText: String.raw`Don't "click" C:\new`,
        LinkURL: `page.htm?q="x"&r='y'`,
    };

    for (const doctype of [false, true]) {
        test(`quotes, apostrophes and backslashes in the box, link text and address` +
             (doctype ? ' (standards mode)' : ''), async () => {
            const shown = await showBox({
                Target: h.TARGET.link, HeaderText: quoting.HeaderText, BodyText: quoting.body,
                LinkText: quoting.LinkText, LinkURL: quoting.LinkURL,
            }, quoting.title, { variant: doctype ? h.withDoctype : undefined });
            assert.equal(shown.header, quoting.HeaderText);
            assert.equal(shown.title, quoting.title);
            assert.equal(shown.content, contentText(quoting.title, quoting.body));
            assert.equal(shown.targetText, quoting.LinkText);
            assert.equal(shown.href, quoting.LinkURL);
        });
    }

    test('the same texts on a division and a table cell', async () => {
        for (const target of [h.TARGET.layer, h.TARGET.cell]) {
            const shown = await showBox({ Target: target, HeaderText: quoting.HeaderText, BodyText: quoting.body },
                                        quoting.title);
            assert.equal(shown.header, quoting.HeaderText, `header, target ${target}`);
            assert.equal(shown.content, contentText(quoting.title, quoting.body), `body, target ${target}`);
        }
    });

    // The sample page names no character set, and an author may paste the
    // element into a page of any other: the texts must not depend on it.
    const charsets = [
        { name: 'page as written', variant: undefined },
        { name: 'page declaring windows-1252', charset: 'windows-1252',
          variant: (html) => html.replace('<head>', '<head>\r\n<meta charset="windows-1252">') },
        { name: 'page declaring Shift_JIS', charset: 'Shift_JIS',
          variant: (html) => html.replace('<head>', '<head>\r\n<meta charset="Shift_JIS">') },
    ];
    for (const cs of charsets) {
        test(`characters outside ASCII (accents, euro sign, CJK, emoji), ${cs.name}`, async () => {
            const texts = {
                HeaderText: 'Café € 中 😀',
                title: 'Ünïcödé “quoted” — ok',
                body: ['naïve façade costs 5 €', '日本語 and 🎉🙂'],
                LinkText: 'résumé € 中文 😀',
                HName: 'Schrift Ä',
                BName: '明朝 Sans',
            };
            const shown = await showBox({
                Target: h.TARGET.link, HeaderText: texts.HeaderText, BodyText: texts.body,
                LinkText: texts.LinkText, LinkURL: 'next.htm', HName: texts.HName, BName: texts.BName,
            }, texts.title, { variant: cs.variant });
            if (cs.charset) assert.equal(shown.charset, cs.charset, 'the declared character set is in force');
            assert.equal(shown.header, texts.HeaderText);
            assert.equal(shown.title, texts.title);
            assert.equal(shown.content, contentText(texts.title, texts.body));
            assert.equal(shown.targetText, texts.LinkText);
            assert.equal(shown.headerFont, texts.HName, 'header font name');
            assert.equal(shown.contentFont, texts.BName, 'body font name');
        });
    }

    test('line breaks of the body show as line breaks, blank lines kept', async () => {
        // Lines joined by CR LF as saved, plus a lone LF and a lone CR as a
        // hand-edited file may hold: each is one line break.
        const body = 'one\r\ntwo\r\n\r\nfour\nfive\rsix';
        const shown = await showBox({ Target: h.TARGET.link, LinkText: 'Lines', HeaderText: 'H', BodyText: body },
                                    'T');
        assert.equal(shown.content, contentText('T', ['one', 'two', '', 'four', 'five', 'six']));
        assert.equal((shown.contentHtml.match(/<br>/g) || []).length, 6, 'one <br> per line break, one after the title');
    });

    test('HTML in the texts is rendered as HTML', async () => {
        const shown = await showBox({
            Target: h.TARGET.link,
            HeaderText: '<i>x</i> marks the spot',
            BodyText: ['<u>under</u> & <em>em</em>', 'plain'],
            LinkText: '<i>styled</i> link',
            LinkURL: 'next.htm',
        }, 'a <span class="t">b</span>');
        assert.equal(shown.headerHtml, '<i>x</i> marks the spot');
        assert.equal(shown.header, 'x marks the spot');
        assert.equal(shown.titleHtml, 'a <span class="t">b</span>');
        assert.equal(shown.content, contentText('a b', ['under & em', 'plain']));
        assert.match(shown.contentHtml, /<u>under<\/u> &amp; <em>em<\/em><br>plain/);
        assert.equal(shown.targetHtml, '<i>styled</i> link');
    });

    test('a picture whose path holds quotes, blanks and accents still shows', async () => {
        const dir = h.makeTempDir();
        scratch.push(dir);
        const picture = path.join(dir, `pic "one" it's é.png`);
        fs.writeFileSync(picture, h.pngBytes(40, 30, [200, 20, 20]));
        const shown = await showBox({ Target: h.TARGET.image, Image: picture, HeaderText: 'Picture', BodyText: ['ok'] },
                                    'P');
        assert.deepEqual(shown.picture, [40, 30]);
        assert.equal(shown.content, contentText('P', ['ok']));
    });
});
