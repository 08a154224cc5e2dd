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

describe('the library in a narrow window', { timeout: 120_000 }, () => {
  // Name and Check stay in sight while the table scrolls sideways, and the mouse wheel
  // goes on to the page once the table (or any inner list) is at its end.
  test('640 px: Name and Check stay in view; the wheel is handed on at the table\'s ends', async () => {
    const ui = await browser.open({ viewport: NARROW, view: 'library' });
    await ui.$('#library-usual').click();
    await ui.$('#library-scroll tbody tr').first().waitFor();
    const inView = () => ui.page.evaluate(() => {
      const box = document.getElementById('library-scroll').getBoundingClientRect();
      const row = document.querySelector('#library-scroll tbody tr:not(.spacer)');
      const shown = (cell) => { const r = cell.getBoundingClientRect(); return r.left >= box.left - 1 && r.right <= box.right + 1; };
      return { name: shown(row.querySelector('.col-name')), check: shown(row.querySelector('.col-check')), slot: shown(row.querySelector('.col-slot')) };
    });
    const scroller = ui.$('#library-scroll');
    assert.ok(await scroller.evaluate((node) => node.scrollWidth > node.clientWidth), 'the table is wider than the window');
    for (const left of [0, 120, 10_000]) {
      await scroller.evaluate((node, x) => { node.scrollLeft = x; }, left);
      const seen = await inView();
      assert.deepEqual([seen.name, seen.check], [true, true], `scrolled ${left} px sideways`);
    }

    // A long table: the wheel scrolls it, then the page once its end is reached.
    const many = { ok: true, damaged: 0, truncated: false };
    many.folders = Array.from({ length: 30 }, (_, i) => ({ dir: `/m/Folder ${i}`, count: 2, models: ['Nord Stage 3'], newest: 0 }));
    many.programs = Array.from({ length: 60 }, (_, i) => ({ path: `/m/P${i}.ns3f`, name: `P${i}`, ext: 'ns3f', model: 'Nord Stage 3', category: 'Pad', slot: 'A:11', check: 'ok' }));
    await ui.rule('library', { reply: many });
    await ui.$('#library-usual').click();
    await ui.shows('#library-count', '60 of 60');
    // Chromium hands the wheel on by itself; WebKitGTK keeps it in the inner list. The
    // inner lists here keep it too, as there, so only the page's own handing-on counts.
    await scroller.evaluate((node) => { node.style.overscrollBehavior = 'contain'; });
    // The table near the window's top, the page below it still to scroll.
    await scroller.evaluate((node) => window.scrollTo(0, node.getBoundingClientRect().top + window.scrollY - 80));
    const box = await scroller.boundingBox();
    await ui.page.mouse.move(box.x + box.width / 2, box.y + 100);
    const pageTop = await ui.page.evaluate(() => window.scrollY);
    for (let i = 0; i < 40; i += 1) await ui.page.mouse.wheel(0, 200);
    await ui.page.waitForFunction(() => document.getElementById('library-scroll').scrollTop > 0);
    const end = await scroller.evaluate((node) => node.scrollTop + node.clientHeight >= node.scrollHeight - 1);
    assert.ok(end, 'the table reached its end');
    await ui.page.waitForFunction((top) => window.scrollY > top, pageTop);
    await ui.close();
  });
});
