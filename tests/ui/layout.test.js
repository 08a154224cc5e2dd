// The main states at the window's opening size (880 × 720) and its minimum (640 × 600),
// in both languages: nothing may stick out sideways or be cut off. Each state is also
// saved as a screenshot in tests/ui/screenshots/ for people to look at.
import assert from 'node:assert/strict';
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { describe, test } from 'node:test';
import { useBrowser, NARROW, WIDE } from './support/harness.js';
import { INSTALLED, PLAN_REPLACING } from './support/plans.js';
import { libraryWithFolders } from './support/found.js';

const browser = useBrowser();
const SHOTS = path.join(path.dirname(fileURLToPath(import.meta.url)), 'screenshots');

// Paths longer than the narrow window is wide, with few places to break them.
const LONG_DIR = '/home/ana/Documents/Keyboards/Nord_Stage_3_sound_backups_from_the_studio/2024-summer-tour';

const TROUBLE = {
  info: [{ reply: { os: 'linux', nsm: { found: false, name: '' }, icloud: { found: false, path: '' }, diskFree: 0, exportDir: '/home/ana/Desktop/Para Velmorin', dest: `${LONG_DIR}/Velmorin`, destLabel: 'Desktop › Velmorin', destCloud: false } }],
  nord: [{ reply: { connected: false } }],
  scan: [{ reply: {
    list: { path: '/home/ana/Downloads/Averyveryveryverylongprogramlistnamewithoutanyspacesatall.html', name: 'Averyveryveryverylongprogramlistnamewithoutanyspacesatall.html', model: 'Nord Stage 3', size: 12 },
    progs: { dir: `${LONG_DIR}/Programs`, count: 1, ext: 'ns3f', model: 'Nord Stage 3', size: 4 },
  } }],
  install: [{ reply: { ok: false, error: 'The folder “Velmorin” couldn’t be created because you don’t have permission to write to “Desktop”.' } }],
  zip: [{ reply: { ok: false, path: '/home/ana/Desktop/Velmorin.zip', bytes: 0 } }],
};

// Names of elements whose content is wider than their box, and whether the page scrolls sideways.
function overflowReport(page) {
  return page.evaluate(() => {
    const wide = document.documentElement.scrollWidth > window.innerWidth;
    const cut = [...document.querySelectorAll('h1, h2, h3, p, li, dt, dd, label, button, a, input')]
      .filter((node) => !node.closest('.visually-hidden') && node.getClientRects().length > 0)
      .filter((node) => node.scrollWidth > node.clientWidth + 1)
      .map((node) => `${node.tagName.toLowerCase()}#${node.id}.${node.className}: ${node.textContent.slice(0, 40)}`);
    const outside = [...document.querySelectorAll('button, a, input')]
      .filter((node) => { const box = node.getBoundingClientRect(); return box.width > 0 && (box.left < 0 || box.right > window.innerWidth); })
      .map((node) => node.id || node.textContent);
    return { wide, cut, outside };
  });
}

// A modal dialog is shot as the window shows it; the rest as the whole page.
async function capture(ui, name, { fullPage = true } = {}) {
  assert.deepEqual(await overflowReport(ui.page), { wide: false, cut: [], outside: [] }, name);
  await ui.page.screenshot({ path: path.join(SHOTS, `${name}.png`), fullPage });
}

const day = (d) => new Date(2026, 11, d, 12).getTime();
const FOUND_EVERYWHERE = {
  list: { path: '/home/ana/Documents/Nord Stage 3 Program List.html', name: 'Nord Stage 3 Program List.html', model: 'Nord Stage 3', size: 48213 },
  progs: { dir: '/home/ana/Documents/Nord/Live set', count: 24, ext: 'ns3f', model: 'Nord Stage 3', size: 3412000 },
};
const FOLDERS_EVERYWHERE = libraryWithFolders([
  { dir: '/home/ana/Documents/Nord/Live set', ext: 'ns3f', model: 'Nord Stage 3', count: 24, newest: day(6) },
  { dir: `${LONG_DIR}/Programs`, ext: 'ns3f', model: 'Nord Stage 3', count: 1873, newest: day(1) },
  { dir: '/home/ana/Downloads/Electro', ext: 'ne6p', model: 'Nord Electro 6', count: 3, newest: day(1) - 86400000 * 300 },
]);

describe('layout at both window sizes', { timeout: 120_000 }, () => {
  for (const [size, viewport] of [['880x720', WIDE], ['640x600', NARROW]]) {
    for (const locale of ['en-US', 'es-ES']) {
      const lang = locale.slice(0, 2);
      test(`${size} ${lang}: start, found and done`, async () => {
        await mkdir(SHOTS, { recursive: true });
        const ui = await browser.open({ viewport, locale });
        await ui.shows('#disk-free', '120');
        await ui.shows('#keyboard-state', 'Nord Stage 3');
        await capture(ui, `${size}-${lang}-1-start`);
        await ui.$('#scan-usual').click();
        await ui.shows('#find-results', 'Live set');
        await capture(ui, `${size}-${lang}-2-found`);
        await ui.$('#install-button').click();
        await ui.shows('#install-result', '24');
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-3-done`);
        await ui.view('pack');
        await ui.$('#pack-button').click();
        await ui.$('#export-button').click();
        await ui.shows('#pack-result', 'Velmorin.zip');
        await ui.shows('#export-result', 'export');
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-3-packed`);
        await ui.close();
      });

      test(`${size} ${lang}: every folder, the confirmation, progress and the report`, async () => {
        await mkdir(SHOTS, { recursive: true });
        const ui = await browser.open({ viewport, locale, rules: { scan: [{ reply: FOUND_EVERYWHERE }], library: [{ reply: FOLDERS_EVERYWHERE }], plan: [{ reply: PLAN_REPLACING }], install: [{ hold: true, reply: INSTALLED }] } });
        await ui.shows('#disk-free', '120');
        await ui.$('#scan-usual').click();
        await ui.shows('#find-results', 'Electro');
        await ui.$('#install-button').click();
        await ui.page.getByRole('alertdialog').waitFor();
        await capture(ui, `${size}-${lang}-5-confirm`, { fullPage: false });
        await ui.$('#confirm-yes').click();
        await ui.waitForSent('install');
        await ui.progress('install', { phase: 'copy', done: 1234, total: 1873, bytes: 0, totalBytes: 0 });
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-6-progress`);
        await ui.release('install');
        await ui.shows('#install-result', '3');
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-7-report`);
        await ui.close();
      });

      test(`${size} ${lang}: problems`, async () => {
        await mkdir(SHOTS, { recursive: true });
        const ui = await browser.open({ viewport, locale, rules: TROUBLE });
        await ui.shows('#nsm-download', 'Nord');
        await ui.$('#scan-usual').click();
        await ui.shows('#find-results', 'Averyvery');
        await ui.shows('#find-results', '2024-summer-tour/Programs');
        await ui.$('#install-button').click();
        await ui.shows('#install-result', 'Velmorin');
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-4-problems`);
        await ui.view('pack');
        await ui.$('#pack-button').click();
        await ui.shows('#pack-result', 'Nord Programs');
        await ui.page.mouse.move(0, 0);
        await capture(ui, `${size}-${lang}-4-pack-problems`);
        await ui.close();
      });
    }
  }
});
