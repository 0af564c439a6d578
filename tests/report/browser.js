// Headless Chromium driven through chromedriver's WebDriver interface: the rendered report's
// tests and the report's speed measurement open their pages with it.
'use strict';

const fs = require('node:fs');
const net = require('node:net');
const path = require('node:path');
const { spawn } = require('node:child_process');

function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
        server.on('error', reject);
    });
}

class Browser {
    static async start() {
        const port = await freePort();
        const driver = spawn(process.env.CHROMEDRIVER || 'chromedriver', [`--port=${port}`], { stdio: 'ignore' });
        const browser = new Browser(`http://127.0.0.1:${port}`, driver);
        for (let attempt = 0; ; attempt++) {
            try {
                await fetch(`${browser.base}/status`);
                break;
            } catch (error) {
                if (attempt > 100) throw error;
                await new Promise((resolve) => setTimeout(resolve, 100));
            }
        }
        const session = await browser.call('POST', '/session', {
            capabilities: {
                alwaysMatch: {
                    browserName: 'chrome',
                    'goog:chromeOptions': {
                        binary: process.env.CHROMIUM || '/usr/bin/chromium',
                        args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--hide-scrollbars', '--window-size=1180,900',
                            '--force-device-scale-factor=1', '--lang=en-US', '--allow-file-access-from-files']
                    }
                }
            }
        });
        browser.session = `/session/${session.sessionId}`;
        return browser;
    }

    constructor(base, driver) {
        this.base = base;
        this.driver = driver;
    }

    async call(method, route, body) {
        const response = await fetch(this.base + route, {
            method,
            headers: { 'Content-Type': 'application/json' },
            body: body === undefined ? undefined : JSON.stringify(body)
        });
        const reply = await response.json();
        if (!response.ok) throw new Error(`${method} ${route}: ${JSON.stringify(reply.value)}`);
        return reply.value;
    }

    // A page from a file, with its query.
    open(page, query) {
        return this.call('POST', `${this.session}/url`, { url: `file://${page}?${query || ''}` });
    }

    resize(width, height) {
        return this.call('POST', `${this.session}/window/rect`, { width, height });
    }

    run(script, ...args) {
        return this.call('POST', `${this.session}/execute/sync`, { script, args });
    }

    async element(css) {
        const found = await this.call('POST', `${this.session}/element`, { using: 'css selector', value: css });
        return Object.values(found)[0];
    }

    async click(css) {
        await this.call('POST', `${this.session}/element/${await this.element(css)}/click`, {});
    }

    async type(css, text) {
        const id = await this.element(css);
        await this.call('POST', `${this.session}/element/${id}/clear`, {});
        await this.call('POST', `${this.session}/element/${id}/value`, { text });
    }

    // Moves the mouse to the middle of the element, as a user would.
    async hover(css) {
        const box = await this.run('var e = document.querySelector(arguments[0]); e.scrollIntoView({ block: "center" });' +
            'var r = e.getBoundingClientRect();' +
            'return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];', css);
        await this.call('POST', `${this.session}/actions`, {
            actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' },
                actions: [{ type: 'pointerMove', duration: 0, origin: 'viewport', x: box[0], y: box[1] }] }]
        });
    }

    // The whole page, however long it is, at the width given (the window's width is kept).
    async screenshot(file, width = 1180) {
        await this.resize(width, 900);
        const height = await this.run('return Math.ceil(document.documentElement.scrollHeight);');
        await this.resize(width, Math.min(4000, height + 20));
        await this.run('window.scrollTo(0, 0);');
        const png = await this.call('GET', `${this.session}/screenshot`);
        fs.mkdirSync(path.dirname(file), { recursive: true });
        fs.writeFileSync(file, Buffer.from(png, 'base64'));
        await this.resize(width, 900);
        return file;
    }

    async stop() {
        try {
            if (this.session) await this.call('DELETE', this.session);
        } finally {
            this.driver.kill();
        }
    }
}

module.exports = { Browser };
