'use strict';
// Debian's Chromium and Firefox ESR driven headless by puppeteer-core (Firefox
// over WebDriver BiDi), and a local web server for the generated folders, with
// or without a Content-Security-Policy.

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

let puppeteer;
try {
    puppeteer = require('puppeteer-core');
} catch (e) {
    throw new Error('puppeteer-core is not installed in e2e/node_modules; ' +
                    'run scripts/install-deps.sh (it runs npm ci there). ' + e.message);
}

const BINARIES = {
    chromium: process.env.TIPSMITH_CHROMIUM || '/usr/bin/chromium',
    firefox: process.env.TIPSMITH_FIREFOX || '/usr/bin/firefox-esr',
};

async function launch(name) {
    const executablePath = BINARIES[name];
    if (!fs.existsSync(executablePath))
        throw new Error(`${name} not found at ${executablePath}; run scripts/install-deps.sh`);
    if (name === 'firefox')
        return puppeteer.launch({ browser: 'firefox', executablePath, headless: true });
    return puppeteer.launch({
        browser: 'chrome', executablePath, headless: true,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
}

const TYPES = { '.js': 'text/javascript', '.css': 'text/css', '.png': 'image/png', '.gif': 'image/gif' };

// Serves the files of `root` on 127.0.0.1. With `csp`, every answer carries
// it as its Content-Security-Policy. Resolves to { origin, close() }.
function serve(root, { csp } = {}) {
    const server = http.createServer((request, response) => {
        const file = path.join(root, decodeURIComponent(new URL(request.url, 'http://x').pathname));
        if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404);
            response.end();
            return;
        }
        const headers = { 'Content-Type': TYPES[path.extname(file)] || 'text/html; charset=utf-8' };
        if (csp) headers['Content-Security-Policy'] = csp;
        response.writeHead(200, headers);
        response.end(fs.readFileSync(file));
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
        origin: `http://127.0.0.1:${server.address().port}`,
        close: () => new Promise((done) => server.close(done)),
    })));
}

// A new page that records script errors, console errors and policy
// violations (in window.__violations, set up before the page's own code).
async function openPage(browser, url, { viewport = { width: 1000, height: 700 }, touch = false } = {}) {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.setViewport({ ...viewport, hasTouch: touch });
    const errors = [];
    page.on('pageerror', (e) => errors.push(`pageerror: ${e.message}`));
    page.on('console', (m) => {
        if (m.type() === 'error' && !/favicon/.test(m.location().url || '')) errors.push(`console: ${m.text()}`);
    });
    await page.evaluateOnNewDocument(() => {
        window.__violations = [];
        document.addEventListener('securitypolicyviolation',
            (e) => window.__violations.push(`${e.violatedDirective} ${e.blockedURI}`));
    });
    await page.goto(url, { waitUntil: 'load' });
    return { page, errors, close: () => context.close() };
}

module.exports = { BROWSERS: Object.keys(BINARIES), launch, serve, openPage };
