'use strict';
// The accessible Info Box script: its size after gzip as written, and how
// many animation frames pass from the pointer entering an element to the box
// being shown, in Chromium and Firefox. Target: within 3,072 bytes, and shown
// in the next animation frame.
//   TIPSMITH_CLI=build/bin/tipsmith-cli node bench/browser/infobox_bench.js

const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const e2e = path.join(__dirname, '..', '..', 'e2e', 'lib');
const h = require(path.join(e2e, 'harness'));
const b = require(path.join(e2e, 'browsers'));

const TRIALS = 40;
const SIZE_TARGET = 3072;

async function frames(browser, url) {
    const { page, close } = await b.openPage(browser, url);
    const r = await page.evaluate(() => {
        const el = document.querySelector('[data-infobox-header]');
        return el.getBoundingClientRect().toJSON();
    });
    const counts = [];
    for (let i = 0; i < TRIALS; i++) {
        await page.mouse.move(r.right + 40, r.bottom + 40);
        await page.evaluate(() => new Promise((done) => setTimeout(done, 600)));
        // Counts the frames from the pointer's entry until one paints with the box.
        await page.evaluate(() => {
            window.__frames = null;
            const el = document.querySelector('[data-infobox-header]');
            el.addEventListener('pointerover', () => {
                const box = document.getElementById(el.getAttribute('aria-describedby'));
                let n = 0;
                const tick = () => {
                    n += 1;
                    if (!box.hidden && box.getBoundingClientRect().width > 0) window.__frames = n;
                    else if (n < 10) requestAnimationFrame(tick);
                };
                requestAnimationFrame(tick);
            }, { once: true });
        });
        await page.mouse.move(r.left + 3 + (i % 5), r.top + 3);
        counts.push(await page.waitForFunction(() => window.__frames, { timeout: 5000 }).then((v) => v.jsonValue()));
    }
    await close();
    return counts;
}

(async () => {
    const dir = h.makeTempDir();
    const out = h.generate({ Target: h.TARGET.link, LinkText: 'Hover me', LinkURL: 'next.htm',
                             HeaderText: 'Header', BodyText: 'Body' }, { dir, script: 'accessible' });
    const script = fs.readFileSync(path.join(out.outDir, 'info.js'));
    const gzipped = zlib.gzipSync(script, { level: 9 }).length;
    console.log(`info.js: ${script.length} bytes as written, ${gzipped} bytes after gzip; ` +
                `target <= ${SIZE_TARGET}: ${gzipped <= SIZE_TARGET ? 'met' : 'NOT MET'}`);
    const site = await b.serve(out.outDir);
    let worst = 0;
    for (const name of b.BROWSERS) {
        const browser = await b.launch(name);
        const counts = await frames(browser, `${site.origin}/${path.basename(out.page)}`);
        await browser.close();
        const next = counts.filter((n) => n === 1).length;
        worst = Math.max(worst, ...counts);
        console.log(`${name}: box shown in the first animation frame after the pointer entered in ` +
                    `${next} of ${counts.length} trials (most frames: ${Math.max(...counts)})`);
    }
    await site.close();
    console.log(`pointer entry to box shown: at most ${worst} frame(s); target: the next frame: ` +
                `${worst === 1 ? 'met' : 'NOT MET'}`);
})().catch((e) => { console.error(e); process.exit(1); });
