// What the page shows at start: keyboard, Nord Sound Manager, free space, destination.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

describe('start-up status', { timeout: 120_000 }, () => {
  test('asks "info" and "nord" together and shows each answer as it comes', async () => {
    const ui = await browser.open({ rules: { info: [{ hold: true }], nord: [{ hold: true }] } });
    await ui.waitForSent('info');
    await ui.waitForSent('nord');
    assert.equal(await ui.text('#keyboard-state'), 'Checking…');
    await ui.release('nord');
    await ui.shows('#keyboard-state', 'Nord Stage 3 connected');
    assert.equal(await ui.text('#disk-free'), 'Checking…');
    await ui.release('info');
    await ui.shows('#disk-free', '120 GB');
    await ui.shows('#nsm-state', 'Installed: Nord Sound Manager');
    await ui.shows('#dest-label', 'Desktop › Velmorin');
    await ui.shows('#dest-path', '/home/ana/Desktop/Velmorin');
    await ui.page.waitForFunction(() => document.getElementById('export-path').textContent === '/home/ana/Desktop/Para Velmorin');
    await ui.close();
  });

  test('no keyboard, then "Check again" is busy until the new answer arrives', async () => {
    const ui = await browser.open({ rules: { nord: [{ reply: { connected: false }, once: true }, { hold: true, reply: { connected: true, name: 'Nord Electro 6D' } }] } });
    await ui.shows('#keyboard-state', 'No Nord keyboard connected');
    const check = ui.$('#check-keyboard');
    await check.click();
    await ui.waitForSent('nord', 2);
    assert.equal(await check.getAttribute('aria-busy'), 'true');
    assert.equal(await check.innerText(), 'Checking…');
    await check.click();
    assert.equal((await ui.sent('nord')).length, 2, 'a busy button must not send again');
    await ui.release('nord');
    await ui.shows('#keyboard-state', 'Nord Electro 6D connected');
    assert.equal(await check.getAttribute('aria-busy'), null);
    assert.equal(await check.innerText(), 'Check again');
    await ui.close();
  });

  test('Nord Sound Manager found: "Open" sends openNSM; a copy that vanished offers the download', async () => {
    const ui = await browser.open({ rules: { openNSM: [{ reply: { ok: false } }] } });
    const open = ui.button('Open Nord Sound Manager');
    await open.click();
    await ui.waitForSent('openNSM');
    await ui.shows('#notice', 'could not be found any more');
    await ui.shows('#nsm-state', 'Not found on this computer.');
    assert.equal(await open.isVisible(), false);
    const download = ui.page.getByRole('link', { name: 'Get it from Nord' });
    assert.ok(await download.evaluate((link) => link === document.activeElement), 'focus moves to the download link');
    await ui.button('Dismiss').click();
    assert.equal(await ui.$('#notice').isVisible(), false);
    await ui.close();
  });

  test('Nord Sound Manager missing: the maker\'s download page opens through "openURL"', async () => {
    const missing = { os: 'linux', nsm: { found: false, name: '' }, icloud: { found: false, path: '' }, diskFree: 0, exportDir: '/e', dest: '/d/Velmorin', destLabel: 'Desktop › Velmorin', destCloud: false };
    const ui = await browser.open({ rules: { info: [{ reply: missing }], freeSpace: [{ reply: { ok: true, path: '/', diskFree: 0 } }] } });
    await ui.shows('#nsm-state', 'Not found on this computer.');
    await ui.shows('#disk-free', 'Unknown');
    await ui.page.getByRole('link', { name: 'Get it from Nord' }).click();
    const [sent] = await ui.waitForSent('openURL');
    assert.deepEqual(sent.args, { url: 'https://www.nordkeyboards.com/software-tools' });
    assert.equal(new URL(ui.page.url()).pathname, '/index.html', 'the page itself never navigates away');
    await ui.close();
  });

  test('a broken "info" reply is explained, and "Try again" recovers', async () => {
    const ui = await browser.open({ rules: { info: [{ raw: 'Internal error', once: true }] } });
    await ui.shows('#status-error', 'Could not read the computer’s status. The application sent a reply that could not be read (info).');
    await ui.shows('#disk-free', 'Unknown');
    await ui.button('Try again').click();
    await ui.shows('#disk-free', '120 GB');
    assert.equal(await ui.$('#status-error').isVisible(), false);
    await ui.close();
  });

  test('without the application the page says it is not connected', async () => {
    const ui = await browser.open({ bridge: false });
    await ui.shows('#status-error', 'Velmorin Sync is not connected to this page.');
    await ui.shows('#keyboard-state', 'Could not check the keyboard. Velmorin Sync is not connected to this page.');
    await ui.close();
  });
});
