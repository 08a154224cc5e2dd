// The destination outlasts the window: restored from "settings" at start, stored with
// "saveSettings" when the user picks one.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();
const STORED = '/media/ana/NORD USB/Stage backups';

describe('settings that last', { timeout: 120_000 }, () => {
  test('a stored destination wins over the default, even when "info" answers later, and is the one installed into', async () => {
    const ui = await browser.open({ rules: { settings: [{ reply: { ok: true, settings: { dest: STORED, theme: 'kept' } } }], info: [{ hold: true }] } });
    await ui.shows('#dest-path', STORED);
    await ui.release('info');
    await ui.page.waitForFunction(() => document.getElementById('export-path').textContent === '/home/ana/Desktop/Para Velmorin');
    assert.equal(await ui.text('#dest-path'), STORED);
    await ui.shows('#dest-label', 'NORD USB › Stage backups');
    await ui.$('#scan-usual').click();
    await ui.shows('#install-summary', '(.ns3f)');
    await ui.$('#install-button').click();
    const [plan] = await ui.waitForSent('plan');
    assert.equal(plan.args.dest, STORED);
    assert.deepEqual(await ui.sent('saveSettings'), [], 'nothing changed, nothing saved');
    await ui.close();
  });

  test('a destination picked before the stored one arrives is kept and saved', async () => {
    const ui = await browser.open({ rules: { settings: [{ hold: true, reply: { ok: true, settings: { dest: STORED } } }] } });
    await ui.button('Change destination').click();
    await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
    await ui.release('settings');
    const [saved] = await ui.waitForSent('saveSettings');
    assert.deepEqual(saved.args, { dest: '/media/ana/NORD USB/Backups' });
    await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
    await ui.close();
  });

  test('a damaged settings file is told; unknown or failing settings leave the defaults; a failed save is told', async () => {
    const notice = 'Your settings could not be read; the defaults are used.';
    let ui = await browser.open({ rules: { settings: [{ reply: { ok: true, settings: {}, notice } }] } });
    await ui.shows('#notice', notice);
    await ui.shows('#dest-path', '/home/ana/Desktop/Velmorin');
    await ui.close();

    for (const reply of [{ error: 'cmd' }, { ok: false, error: 'Unreadable.', code: 'failed' }]) {
      ui = await browser.open({ rules: { settings: [{ reply }], saveSettings: [{ reply: { ok: false, error: 'Disk is read-only.', code: 'permission' } }] } });
      await ui.shows('#dest-path', '/home/ana/Desktop/Velmorin');
      assert.equal(await ui.$('#notice').isVisible(), false);
      await ui.button('Change destination').click();
      await ui.shows('#notice', 'could not be remembered for next time. Disk is read-only.');
      await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
      await ui.close();
    }
  });
});
