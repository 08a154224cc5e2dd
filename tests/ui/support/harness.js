// One headless Chromium and one static server per test file; each test gets a fresh
// page with the mocked bridge, and ends by checking that the page raised no script
// error, no console error and no Content-Security-Policy violation.
import assert from 'node:assert/strict';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';
import { startServer } from './server.js';
import { installMockBridge } from './mock-bridge.js';

const LAUNCH = {
  executablePath: process.env.CHROMIUM_PATH || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
};

export const WIDE = { width: 880, height: 720 };
export const NARROW = { width: 640, height: 600 };

class PageUnderTest {
  constructor(page, problems) {
    this.page = page;
    this.problems = problems;
  }

  $(selector) { return this.page.locator(selector); }

  button(name) { return this.page.getByRole('button', { name, exact: true }); }

  // Messages the page posted for one command, oldest first.
  sent(cmd) { return this.page.evaluate((name) => window.__mock.sent(name), cmd); }

  rule(cmd, rule) { return this.page.evaluate(([name, value]) => window.__mock.rule(name, value), [cmd, rule]); }

  release(cmd) { return this.page.evaluate((name) => window.__mock.release(name), cmd); }

  progress(cmd, info, index = -1) {
    return this.page.evaluate(([name, value, at]) => window.__mock.progress(name, value, at), [cmd, info, index]);
  }

  // The element that has keyboard focus, by id (or tag name when it has none).
  focused() {
    return this.page.evaluate(() => document.activeElement.id || document.activeElement.tagName.toLowerCase());
  }

  async waitForSent(cmd, count = 1) {
    await this.page.waitForFunction(([name, n]) => window.__mock.sent(name).length >= n, [cmd, count]);
    return this.sent(cmd);
  }

  async shows(selector, expected) {
    const locator = this.$(selector);
    try {
      await locator.filter({ hasText: expected }).first().waitFor();
    } catch {
      const actual = await locator.allTextContents();
      assert.fail(`${selector} should show ${JSON.stringify(String(expected))}; it shows ${JSON.stringify(actual)}`);
    }
  }

  text(selector) { return this.$(selector).innerText(); }

  // Shows one of the page's views (install, library, pack, help) by its tab.
  async view(name) {
    await this.$(`#tab-${name}`).click();
    await this.$(`#view-${name}`).waitFor();
  }

  // Ends the test: the page must not have reported anything wrong.
  async close() {
    const violations = await this.page.evaluate(() => window.__mock.violations).catch(() => []);
    await this.page.goto('about:blank');
    assert.deepEqual([...this.problems, ...violations], [], 'the page reported errors');
  }
}

// Reads the test's settings from the page address, so one browser tab can serve every
// test of a file: opening a new tab per test is what makes browser suites slow.
function installFromAddress(install) {
  const settings = new URLSearchParams(location.search).get('mock');
  if (settings === null) return;
  const config = JSON.parse(settings);
  install(config);
  if (config.bridge === false) delete window.webkit;
}

export function useBrowser() {
  const env = { tabs: new Map() };
  before(async () => {
    env.server = await startServer();
    env.browser = await chromium.launch(LAUNCH);
  });
  after(async () => {
    await env.browser?.close();
    await env.server?.close();
  });

  async function tab(locale, timezoneId) {
    const key = `${locale} ${timezoneId}`;
    if (!env.tabs.has(key)) {
      const context = await env.browser.newContext({ locale, timezoneId, viewport: WIDE, reducedMotion: 'reduce' });
      // Generous: the machine may be busy building; a real fault fails all the same.
      context.setDefaultTimeout(15_000);
      const page = await context.newPage();
      const entry = { page, problems: [] };
      page.on('pageerror', (error) => entry.problems.push(`page error: ${error.message}`));
      page.on('console', (message) => {
        if (message.type() === 'error') entry.problems.push(`console error: ${message.text()}`);
      });
      page.on('dialog', (dialog) => {
        entry.problems.push(`dialog opened: ${dialog.message()}`);
        dialog.dismiss().catch(() => {});
      });
      await page.addInitScript(`(${installFromAddress})(${installMockBridge})`);
      env.tabs.set(key, entry);
    }
    return env.tabs.get(key);
  }

  return {
    // rules: {cmd: [rule]} answered before the built-in replies; languages overrides
    // navigator.languages; bridge: false leaves the page without the application;
    // file: the page of ui/ to open; view: the view to show once it is open.
    async open({ locale = 'en-US', timezoneId = 'Europe/Madrid', viewport = WIDE, rules = {}, languages = null, bridge = true, file = 'index.html', view = null } = {}) {
      const entry = await tab(locale, timezoneId);
      entry.problems = [];
      await entry.page.setViewportSize(viewport);
      const settings = encodeURIComponent(JSON.stringify({ rules, languages, bridge }));
      await entry.page.goto(`${env.server.url}/${file}?mock=${settings}`);
      const ui = new PageUnderTest(entry.page, entry.problems);
      if (view) await ui.view(view);
      return ui;
    },
  };
}
