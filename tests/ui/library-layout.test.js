// The library panel at the window's opening size and its minimum, in both languages,
// with damaged rows and a duplicate group: nothing sticks out sideways, no control
// is cut off (table cells cut long names on purpose) and axe-core finds nothing
// serious. Each state is saved to
// tests/ui/screenshots/ for people to look at.
import assert from 'node:assert/strict';
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { describe, test } from 'node:test';
import { useBrowser, NARROW, WIDE } from './support/harness.js';

const browser = useBrowser();
const SHOTS = path.join(path.dirname(fileURLToPath(import.meta.url)), 'screenshots');

function overflowReport(page) {
  return page.evaluate(() => {
    const wide = document.documentElement.scrollWidth > window.innerWidth;
    const cut = [...document.querySelectorAll('#library h2, #library h3, #library p, #library label, #library button, #library select, #library input, #library .path')]
      .filter((node) => node.getClientRects().length > 0 && !node.closest('.visually-hidden'))
      .filter((node) => node.scrollWidth > node.clientWidth + 1)
      .map((node) => `${node.tagName.toLowerCase()}#${node.id}.${node.className}: ${node.textContent.slice(0, 40)}`);
    return { wide, cut };
  });
}

async function seriousViolations(page) {
  await page.addScriptTag({ url: '/__test__/axe.min.js' });
  const violations = await page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations);
  return violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

describe('the library at both window sizes', { timeout: 120_000 }, () => {
  for (const [size, viewport] of [['880x720', WIDE], ['640x600', NARROW]]) {
    for (const locale of ['en-US', 'es-ES']) {
      const lang = locale.slice(0, 2);
      test(`${size} ${lang}: the library read, duplicates grouped`, async () => {
        await mkdir(SHOTS, { recursive: true });
        const ui = await browser.open({ viewport, locale, view: 'library' });
        await ui.$('#library-usual').click();
        await ui.$('#library-scroll tbody tr.check-damaged').first().waitFor();
        await ui.$('#library-dups').check();
        await ui.$('#library').scrollIntoViewIfNeeded();
        await ui.page.mouse.move(0, 0);
        assert.deepEqual(await overflowReport(ui.page), { wide: false, cut: [] });
        assert.deepEqual(await seriousViolations(ui.page), []);
        await ui.$('#library').screenshot({ path: path.join(SHOTS, `${size}-${lang}-8-library.png`) });
        await ui.close();
      });
    }
  }
});
