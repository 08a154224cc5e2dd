// Accessibility: axe-core finds nothing serious, and the whole page works from the keyboard.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser, NARROW } from './support/harness.js';
import { PLAN_REPLACING } from './support/plans.js';

const browser = useBrowser();

async function seriousViolations(ui) {
  await ui.page.addScriptTag({ url: '/__test__/axe.min.js' });
  const violations = await ui.page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations);
  return violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

describe('accessibility', { timeout: 120_000 }, () => {
  test('axe: results, successes and failures shown together', async () => {
    const ui = await browser.open({ rules: { zip: [{ reply: { ok: false, path: '/z', bytes: 0, error: 'Disk full' } }], openNSM: [{ reply: { ok: false } }] } });
    await ui.button('Search usual folders').click();
    await ui.shows('#install-summary', 'Programs: 24');
    await ui.button('Install').click();
    await ui.shows('#install-result', 'Installed');
    await ui.button('Open Nord Sound Manager').click();
    await ui.shows('#notice', 'Nord Sound Manager');
    assert.deepEqual(await seriousViolations(ui), [], 'the install view');
    await ui.view('pack');
    await ui.button('Choose the folder to pack…').click();
    await ui.button('Create export folder').click();
    await ui.shows('#pack-result', 'Disk full');
    await ui.shows('#export-result', 'ready');
    assert.deepEqual(await seriousViolations(ui), [], 'the pack view');
    await ui.view('library');
    await ui.button('Read usual folders').click();
    await ui.$('#library-scroll tbody tr').first().waitFor();
    assert.deepEqual(await seriousViolations(ui), [], 'the library view');
    await ui.close();
  });

  test('axe: narrow window, Spanish, busy buttons and errors', async () => {
    const ui = await browser.open({ locale: 'es-ES', viewport: NARROW, rules: { scan: [{ hold: true }], nord: [{ reply: { connected: false } }], info: [{ raw: 'x' }] } });
    await ui.$('#since').evaluate((input) => { input.type = 'text'; });
    await ui.$('#since').fill('hoy');
    await ui.button('Buscar en una carpeta…').click();
    await ui.$('#since').fill('');
    await ui.button('Buscar en las carpetas habituales').click();
    await ui.waitForSent('scan');
    await ui.shows('#status-error', 'ilegible');
    await ui.button('Instalar').click();
    await ui.shows('#install-result', 'Primero elige un destino.');
    assert.deepEqual(await seriousViolations(ui), []);
    await ui.close();
  });

  for (const locale of ['en-US', 'es-ES']) {
    test(`axe ${locale}: a search and an install in progress, the confirmation, and the help view`, async () => {
      const ui = await browser.open({ locale, viewport: NARROW, rules: { plan: [{ reply: PLAN_REPLACING }], install: [{ hold: true }], scan: [{ hold: true, when: { dir: '/home/ana/Music/Nord Programs' } }] } });
      await ui.$('#scan-usual').click();
      await ui.shows('#install-summary', '(.ns3f)');
      await ui.$('#install-button').click();
      await ui.page.getByRole('alertdialog').waitFor();
      assert.deepEqual(await seriousViolations(ui), [], 'the confirmation');
      await ui.$('#confirm-yes').click();
      await ui.waitForSent('install');
      await ui.progress('install', { phase: 'copy', done: 5, total: 24, bytes: 0, totalBytes: 0 });
      await ui.$('#scan-folder').click();
      await ui.waitForSent('scan', 2);
      assert.deepEqual(await seriousViolations(ui), [], 'work in progress, one bar known and one not');
      await ui.release('install');
      await ui.shows('#install-result [role=status] button', '');
      await ui.view('help');
      assert.deepEqual(await seriousViolations(ui), [], 'the help view');
      await ui.page.locator('#support-link').click();
      const [open] = await ui.waitForSent('openURL');
      assert.deepEqual(open.args, { url: 'https://www.nordkeyboards.com/support' }, 'the maker\'s support opens outside');
      await ui.close();
    });
  }

  test('every control is reached with Tab, shows its focus, and works from the keyboard', async () => {
    const ui = await browser.open();
    await ui.shows('#dest-path', 'Velmorin');
    const expected = await ui.page.evaluate(() => [...document.querySelectorAll('button, a[href], input')]
      .filter((node) => node.getClientRects().length > 0 && node.tabIndex >= 0).map((node) => node.id));
    const reached = [];
    for (let i = 0; i < 40; i += 1) {
      await ui.page.keyboard.press('Tab');
      const focused = await ui.page.evaluate(() => {
        const node = document.activeElement;
        const style = getComputedStyle(node);
        return { id: node.id, ring: style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) >= 2 };
      });
      if (focused.id === '' || reached.includes(focused.id)) {
        if (reached.length >= expected.length) break;
        continue;
      }
      assert.ok(focused.ring, `#${focused.id} shows no focus ring`);
      reached.push(focused.id);
    }
    assert.deepEqual(reached, expected);

    await ui.$('#scan-usual').focus();
    await ui.page.keyboard.press('Enter');
    await ui.waitForSent('scan');
    await ui.shows('#install-summary', 'Programs: 24');
    await ui.$('#install-button').focus();
    await ui.page.keyboard.press('Space');
    await ui.waitForSent('install');
    await ui.$('#tab-install').focus();
    await ui.page.keyboard.press('End');
    await ui.$('#view-help').waitFor();
    assert.equal(await ui.focused(), 'tab-help');
    await ui.close();
  });
});
