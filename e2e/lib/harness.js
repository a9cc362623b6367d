'use strict';
// Shared pieces of the browser tests: settings files, the command-line
// generator, page variants, a local picture and the headless browser.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const { spawnSync } = require('node:child_process');

let playwright;
try {
    playwright = require('playwright-core');
} catch (e) {
    throw new Error('playwright-core is not installed in e2e/node_modules; ' +
                    'run scripts/install-deps.sh (it runs npm ci there). ' + e.message);
}

// The keys of a settings file, in the order the reader expects them.
const SETTINGS_KEYS = [
    'Border', 'BorderColor', 'HBgColor', 'HColor', 'HName', 'HSize',
    'HUnderline', 'HItalic', 'HBold', 'BBgColor', 'BColor', 'BName',
    'BSize', 'BUnderline', 'BItalic', 'BBold', 'Target', 'LinkText',
    'LinkURL', 'Image', 'HeaderText', 'BodyText', 'OutputFormat', 'Output',
];

const TARGET = Object.freeze({ link: 1, image: 2, cell: 3, layer: 4 });

// What a fresh main window holds.
function defaultSettings() {
    return {
        Border: 1, BorderColor: '#000000',
        HBgColor: '#FBE299', HColor: '#000000', HName: 'Arial', HSize: 11,
        HUnderline: false, HItalic: false, HBold: false,
        BBgColor: '#FFFFD9', BColor: '#000000', BName: 'Arial', BSize: 11,
        BUnderline: false, BItalic: false, BBold: false,
        Target: TARGET.link, LinkText: '', LinkURL: '', Image: '',
        HeaderText: '', BodyText: '', OutputFormat: 1, Output: 'infoboxsample.htm',
    };
}

function valueText(value) {
    if (value === true) return '-1';
    if (value === false) return '0';
    if (Array.isArray(value)) return value.join('\r\n'); // lines of the body
    return String(value);
}

// The bytes of a settings file: one tag line per key, CR LF after each.
// Texts are written as given; a body given as an array of lines is joined with CR LF.
function settingsText(settings) {
    const unknown = Object.keys(settings).filter((k) => !SETTINGS_KEYS.includes(k));
    if (unknown.length) throw new Error('unknown settings key(s): ' + unknown.join(', '));
    const all = { ...defaultSettings(), ...settings };
    return SETTINGS_KEYS.map((k) => `<%%${k}%%>${valueText(all[k])}<%%/${k}%%>\r\n`).join('');
}

function writeSettingsFile(file, settings) {
    fs.writeFileSync(file, settingsText(settings), 'utf8');
}

// The generator binary: CTest hands it over in TIPSMITH_CLI.
function cliPath() {
    const cli = process.env.TIPSMITH_CLI;
    if (!cli) throw new Error('TIPSMITH_CLI must name the tipsmith-cli executable');
    if (!fs.existsSync(cli)) throw new Error(`tipsmith-cli not found at ${cli}`);
    return cli;
}

function makeTempDir(prefix = 'tipsmith-e2e-') {
    return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// Runs `tipsmith-cli generate`; returns its exit status, output and error text.
function runCli(settingsFile, outDir, { boxWidth, title, script } = {}) {
    const args = ['generate', settingsFile, outDir];
    if (boxWidth !== undefined) args.push('--box-width', String(boxWidth));
    if (title !== undefined) args.push('--title', title);
    if (script !== undefined) args.push('--script', script);
    const r = spawnSync(cliPath(), args, { encoding: 'utf8', timeout: 60000 });
    if (r.error) throw r.error;
    return { status: r.status, stdout: r.stdout, stderr: r.stderr };
}

// Writes the settings into a new temporary folder (or `options.dir`),
// generates there (`options`: boxWidth, title, script: 'classic' or
// 'accessible') and checks the command succeeded. Returns the folder, the sample page's path
// and the snippet printed on standard output (without its line end).
function generate(settings, options = {}) {
    const dir = options.dir || makeTempDir();
    const setFile = path.join(dir, 'box.set');
    writeSettingsFile(setFile, settings);
    const outDir = path.join(dir, 'out');
    const r = runCli(setFile, outDir, options);
    if (r.status !== 0)
        throw new Error(`tipsmith-cli exited with ${r.status}: ${r.stderr.trim()}`);
    const output = { ...defaultSettings(), ...settings }.Output;
    return {
        dir,
        outDir,
        page: path.join(outDir, output),
        snippet: r.stdout.replace(/\r?\n$/, ''),
    };
}

// Page variants of a generated sample page, written beside it so the style
// sheet and script load the same way.
function writeVariant(pagePath, name, transform) {
    const html = fs.readFileSync(pagePath, 'latin1');
    const file = path.join(path.dirname(pagePath), name);
    fs.writeFileSync(file, transform(html), 'latin1');
    return file;
}

function withDoctype(html) {
    return '<!DOCTYPE html>\r\n' + html;
}

// Puts tall and wide filler around the element so the page scrolls both ways.
const LONG_PAGE = { fillerHeight: 1600, marginLeft: 1400, holderWidth: 320, pageWidth: 3400 };
function longPage(html, snippet) {
    if (!html.includes(snippet)) throw new Error('the sample page does not hold the snippet');
    const p = LONG_PAGE;
    return html.replace(snippet, () =>
        `<div style="height:${p.fillerHeight}px">top filler</div>` +
        `<div style="margin-left:${p.marginLeft}px;width:${p.holderWidth}px">${snippet}</div>` +
        `<div style="height:${p.fillerHeight}px;width:${p.pageWidth}px">bottom filler</div>`);
}

function fileUrl(file) {
    return require('node:url').pathToFileURL(file).href;
}

// A solid-colour RGB PNG of the given size.
function pngBytes(width, height, [r, g, b]) {
    const crcTable = Array.from({ length: 256 }, (_, n) => {
        let c = n;
        for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
        return c >>> 0;
    });
    const crc32 = (buf) => {
        let c = 0xffffffff;
        for (const byte of buf) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
        return (c ^ 0xffffffff) >>> 0;
    };
    const chunk = (type, data) => {
        const len = Buffer.alloc(4);
        len.writeUInt32BE(data.length);
        const body = Buffer.concat([Buffer.from(type, 'ascii'), data]);
        const crc = Buffer.alloc(4);
        crc.writeUInt32BE(crc32(body));
        return Buffer.concat([len, body, crc]);
    };
    const ihdr = Buffer.alloc(13);
    ihdr.writeUInt32BE(width, 0);
    ihdr.writeUInt32BE(height, 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 2; // truecolour
    const row = Buffer.alloc(1 + width * 3);
    for (let x = 0; x < width; x++) row.set([r, g, b], 1 + x * 3);
    const raw = Buffer.concat(Array.from({ length: height }, () => row));
    return Buffer.concat([
        Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
        chunk('IHDR', ihdr),
        chunk('IDAT', zlib.deflateSync(raw)),
        chunk('IEND', Buffer.alloc(0)),
    ]);
}

const CHROMIUM = process.env.TIPSMITH_CHROMIUM || '/usr/bin/chromium';

// Debian's chromium, headless, with a profile of its own that is thrown away.
async function launchBrowser() {
    if (!fs.existsSync(CHROMIUM))
        throw new Error(`Chromium not found at ${CHROMIUM}; run scripts/install-deps.sh`);
    return playwright.chromium.launch({
        executablePath: CHROMIUM,
        headless: true,
        args: [
            '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
        ],
    });
}

// A new page in a context of its own, recording every script error and
// console error it reports.
async function openPage(browser, url, { viewport = { width: 1000, height: 700 } } = {}) {
    const context = await browser.newContext({ viewport });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(`pageerror: ${e.message}`));
    page.on('console', (m) => { if (m.type() === 'error') errors.push(`console: ${m.text()}`); });
    await page.goto(url, { waitUntil: 'load' });
    return { page, errors, close: () => context.close() };
}

module.exports = {
    SETTINGS_KEYS, TARGET, LONG_PAGE,
    defaultSettings, settingsText, writeSettingsFile, cliPath, makeTempDir, runCli, generate,
    writeVariant, withDoctype, longPage, fileUrl, pngBytes, launchBrowser, openPage,
};
