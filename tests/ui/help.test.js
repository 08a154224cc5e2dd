// The page's views (install, library, pack, help) as tabs: Help is one of them, in
// the user's language, and going there and back loses nothing (search results, the
// folder chosen, a library read and filtered, work in progress). Reached with the
// mouse, the arrow keys on the tabs, Alt+1…4, F1; Escape leaves Help.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

const HELP = {
  en: {
    tab: 'Help', keys: 'Keyboard shortcuts',
    says: ['Programs (.ns3f)', 'Program lists', 'Nord Stage 3 Programs 2025-06-14.zip', 'choose “Restore”', 'that whole folder is installed', 'About Velmorin Sync'],
  },
  es: {
    tab: 'Ayuda', keys: 'Atajos de teclado',
    says: ['Programas (.ns3f)', 'Listas de programas', 'Nord Stage 3 Programas 2025-06-14.zip', 'elige «Restaurar»', 'se instala esa carpeta entera', 'Acerca de Velmorin Sync'],
  },
};

const day = (d) => new Date(2026, 11, d, 12).getTime();
const FOLDERS = {
  list: null,
  progs: { dir: '/home/ana/Nord/Live set', count: 24, ext: 'ns3f', model: 'Nord Stage 3', size: 3412000 },
  folders: [
    { dir: '/home/ana/Nord/Live set', ext: 'ns3f', model: 'Nord Stage 3', count: 24, newest: day(6) },
    { dir: '/home/ana/Nord/Electro', ext: 'ne6p', model: 'Nord Electro 6', count: 3, newest: day(1) },
  ],
};

const visibleView = (ui) => ui.page.evaluate(() => [...document.querySelectorAll('[role=tabpanel]')].filter((view) => !view.hidden).map((view) => view.id));

describe('views', { timeout: 120_000 }, () => {
  for (const locale of ['en-US', 'es-ES']) {
    const words = HELP[locale.slice(0, 2)];
    test(`${locale}: Help is a view in the page's language, with the keyboard shortcuts`, async () => {
      const ui = await browser.open({ locale });
      await ui.page.getByRole('tab', { name: words.tab, exact: true }).click();
      assert.deepEqual(await visibleView(ui), ['view-help']);
      const text = await ui.text('#view-help');
      for (const phrase of [...words.says, words.keys]) assert.ok(text.includes(phrase), `help should say ${JSON.stringify(phrase)}`);
      assert.equal(await ui.page.locator('#tab-help').getAttribute('aria-selected'), 'true');
      await ui.page.locator('#support-link').click();
      const [open] = await ui.waitForSent('openURL');
      assert.deepEqual(open.args, { url: 'https://www.nordkeyboards.com/support' }, 'the maker\'s support opens outside');
      await ui.close();
    });
  }

  test('going to Help and back keeps the search, the chosen folder, the library and work in progress', async () => {
    const ui = await browser.open({ rules: { scan: [{ reply: FOLDERS }], zip: [{ hold: true }] } });
    await ui.$('#scan-usual').click();
    await ui.shows('#find-results', 'Electro');
    await ui.page.getByLabel(/Nord Electro 6/).check();
    await ui.$('#model').fill('My Electro');
    await ui.view('library');
    await ui.$('#library-usual').click();
    await ui.$('#library-scroll tbody tr').first().waitFor();
    await ui.$('#library-search').fill('Warm');
    await ui.shows('#library-count', '2 of 8');
    await ui.view('pack');
    await ui.$('#pack-button').click();
    await ui.waitForSent('zip');

    // Help by its key, and Escape back where the user was.
    await ui.page.keyboard.press('F1');
    assert.deepEqual(await visibleView(ui), ['view-help']);
    assert.equal(await ui.focused(), 'tab-help');
    await ui.page.keyboard.press('Escape');
    assert.deepEqual(await visibleView(ui), ['view-pack']);
    assert.equal(await ui.$('#pack-progress').isVisible(), true, 'the pack still runs, its progress in sight');
    await ui.release('zip');
    await ui.shows('#pack-result', 'Archive ready');

    await ui.page.keyboard.press('Alt+2');
    assert.deepEqual(await visibleView(ui), ['view-library']);
    assert.equal(await ui.$('#library-search').inputValue(), 'Warm');
    await ui.shows('#library-count', '2 of 8');
    await ui.page.keyboard.press('Alt+1');
    assert.deepEqual(await visibleView(ui), ['view-install']);
    assert.equal(await ui.page.getByLabel(/Nord Electro 6/).isChecked(), true);
    assert.equal(await ui.$('#model').inputValue(), 'My Electro');

    // The arrow keys move along the tabs, and Escape outside Help changes nothing.
    await ui.page.keyboard.press('ArrowRight');
    assert.equal(await ui.focused(), 'tab-library');
    await ui.page.keyboard.press('ArrowLeft');
    await ui.page.keyboard.press('ArrowLeft');
    assert.equal(await ui.focused(), 'tab-help');
    await ui.page.keyboard.press('Escape');
    assert.deepEqual(await visibleView(ui), ['view-install'], 'Escape leaves Help for the view it came from');
    await ui.page.keyboard.press('Escape');
    assert.deepEqual(await visibleView(ui), ['view-install']);
    await ui.close();
  });

  test('"Install" on a library folder shows the install view with that folder', async () => {
    const ui = await browser.open({ view: 'library' });
    await ui.$('#library-usual').click();
    await ui.button('Install the folder Live set').click();
    assert.deepEqual(await visibleView(ui), ['view-install']);
    assert.equal(await ui.focused(), 'install-button');
    await ui.shows('#install-summary', 'Programs: 3 files (.ns3f)');
    await ui.close();
  });
});
