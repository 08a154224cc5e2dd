// Each view of the page (install, library, pack, help) in both languages at the
// window's opening size, and the library at its minimum width: nothing sticks out
// sideways and no control is cut off. Saved to tests/ui/screenshots/ for people to
// look at; docs/screenshots/ keeps copies (see its README).
import assert from 'node:assert/strict';
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { describe, test } from 'node:test';
import { libraryWithFolders } from './support/found.js';
import { useBrowser, NARROW, WIDE } from './support/harness.js';

const browser = useBrowser();
const SHOTS = path.join(path.dirname(fileURLToPath(import.meta.url)), 'screenshots');

function overflowReport(page) {
  return page.evaluate(() => {
    const wide = document.documentElement.scrollWidth > window.innerWidth;
    const cut = [...document.querySelectorAll('h1, h2, h3, p, li, dt, dd, label, button, a, input, select')]
      .filter((node) => node.getClientRects().length > 0 && !node.closest('.visually-hidden, td, th'))
      .filter((node) => node.scrollWidth > node.clientWidth + 1)
      .map((node) => `${node.tagName.toLowerCase()}#${node.id}.${node.className}: ${node.textContent.slice(0, 40)}`);
    return { wide, cut };
  });
}

async function capture(ui, name) {
  await ui.page.mouse.move(0, 0);
  assert.deepEqual(await overflowReport(ui.page), { wide: false, cut: [] }, name);
  await ui.page.screenshot({ path: path.join(SHOTS, `${name}.png`) });
}

describe('the views in both languages', { timeout: 180_000 }, () => {
  for (const locale of ['en-US', 'es-ES']) {
    const lang = locale.slice(0, 2);
    test(`${lang}: install, library, pack and help; the library at 640 px`, async () => {
      await mkdir(SHOTS, { recursive: true });
      const ui = await browser.open({ locale, viewport: WIDE });
      await ui.shows('#disk-where', lang === 'es' ? 'En el destino' : 'At the destination');
      await ui.$('#scan-usual').click();
      await ui.shows('#install-summary', '(.ns3f)');
      await ui.$('#install-button').click();
      await ui.shows('#install-result [role=status]', '24');
      await ui.page.evaluate(() => window.scrollTo(0, 0));
      await capture(ui, `view-install-${lang}`);

      await ui.view('library');
      await ui.$('#library-usual').click();
      await ui.$('#library-scroll tbody tr').first().waitFor();
      await ui.$('#library-dups').check();
      await capture(ui, `view-library-${lang}`);

      await ui.view('pack');
      await ui.$('#pack-button').click();
      await ui.shows('#pack-result', 'Velmorin.zip');
      await capture(ui, `view-pack-${lang}`);

      await ui.page.keyboard.press('F1');
      await ui.$('#view-help').waitFor();
      await capture(ui, `view-help-${lang}`);

      await ui.page.keyboard.press('Escape');
      await ui.view('library');
      await ui.page.setViewportSize(NARROW);
      await ui.$('#library-scroll').evaluate((node) => { node.scrollLeft = 150; node.scrollIntoView({ block: 'center' }); });
      await capture(ui, `library-640-${lang}`);
      await ui.close();
    });

    test(`${lang}: a choice of lists, each with its model, and a pack with its banks`, async () => {
      await mkdir(SHOTS, { recursive: true });
      const day = (d) => new Date(2026, 10, d, 12).getTime();
      const lists = [
        { path: '/home/ana/Downloads/programs backup.html', name: 'programs backup.html', model: 'Nord Stage 2', modified: day(30) },
        { path: '/home/ana/Documents/Nord Stage 3 Program List.html', name: 'Nord Stage 3 Program List.html', model: 'Nord Stage 3', modified: day(21) },
        { path: '/home/ana/Desktop/Para Velmorin/Electro programs.htm', name: 'Electro programs.htm', model: '', modified: day(2) },
      ];
      const scan = {
        list: { ...lists[0], model: lists[0].name, size: 48213 }, lists: lists.map((list, i) => ({ ...list, size: 48213 - i * 1000 })),
        progs: { dir: '/home/ana/Music/Factory/Bank A', count: 25, ext: 'ns3f', model: 'Nord Stage 3', size: 14800 },
      };
      const banks = libraryWithFolders(['Bank A', 'Bank B', 'Bank C'].map((bank, i) => (
        { dir: `/home/ana/Music/Factory/${bank}`, ext: 'ns3f', model: 'Nord Stage 3', count: 25, newest: day(20 - i) })));
      const ui = await browser.open({ locale, viewport: WIDE, rules: { scan: [{ reply: scan }], library: [{ reply: banks }] } });
      await ui.$('#scan-usual').click();
      await ui.$('#find .list-choice').waitFor();
      await ui.page.getByRole('radio', { name: /Nord Stage 3 Program List\.html/ }).check();
      await ui.page.getByRole('radio', { name: /^Factory/ }).check();
      // The whole search card, however tall: both choices in one picture.
      assert.deepEqual(await overflowReport(ui.page), { wide: false, cut: [] });
      await ui.page.mouse.move(0, 0);
      await ui.$('#find').screenshot({ path: path.join(SHOTS, `list-choice-${lang}.png`) });
      await ui.close();
    });
  }
});
