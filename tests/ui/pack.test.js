// Packing a folder, the export folder and quit.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();
const PICKED = '/home/ana/Music/Nord Programs';
const ARCHIVE = '/home/ana/Desktop/Velmorin.zip';

describe('packing a folder', { timeout: 120_000 }, () => {
  test('a picked folder is zipped; the archive\'s path and size are shown with "Show in folder"', async () => {
    const ui = await browser.open({ view: 'pack', rules: { zip: [{ hold: true }] } });
    const pack = ui.$('#pack-button');
    await pack.click();
    const [zip] = await ui.waitForSent('zip');
    assert.deepEqual(zip.args, { path: PICKED });
    assert.equal(await pack.innerText(), 'Packing…');
    assert.equal(await ui.$('#pack-progress').isVisible(), true);
    await ui.release('zip');
    await ui.shows('#pack-result', 'Archive ready, 2.1 MB.');
    await ui.shows('#pack-result', ARCHIVE);
    assert.equal(await ui.$('#pack-progress').isVisible(), false);
    await ui.button('Show in folder: Velmorin.zip').click();
    const [reveal] = await ui.waitForSent('reveal');
    assert.deepEqual(reveal.args, { path: ARCHIVE });
    await ui.close();
  });

  test('failures are clear, with the application\'s reason when it gives one', async () => {
    const ui = await browser.open({ view: 'pack',
      rules: { zip: [{ reply: { ok: false, path: ARCHIVE, bytes: 0 }, once: true }, { reply: { ok: false, path: ARCHIVE, bytes: 0, error: 'No space left on device' } }] },
    });
    await ui.button('Choose the folder to pack…').click();
    await ui.shows('#pack-result [role=alert]', 'The archive of Nord Programs could not be made.');
    assert.doesNotMatch(await ui.text('#pack-result'), /Show in folder|ready/);
    await ui.button('Choose the folder to pack…').click();
    await ui.shows('#pack-result', 'No space left on device');
    await ui.close();
  });

  test('cancelling the chooser packs nothing', async () => {
    const ui = await browser.open({ view: 'pack', rules: { pickFolder: [{ reply: { cancel: true } }] } });
    await ui.button('Choose the folder to pack…').click();
    await ui.waitForSent('pickFolder');
    await ui.shows('#pack-button', 'Choose the folder to pack…');
    assert.deepEqual(await ui.sent('zip'), []);
    assert.equal(await ui.text('#pack-result'), '');
    await ui.close();
  });
});

describe('export folder and quit', { timeout: 120_000 }, () => {
  test('"prepare" creates the export folder, which can then be shown', async () => {
    const ui = await browser.open({ view: 'pack' });
    await ui.shows('#export-path', '/home/ana/Desktop/Para Velmorin');
    await ui.button('Create export folder').click();
    await ui.waitForSent('prepare');
    await ui.shows('#export-result', 'The export folder is ready.');
    await ui.button('Show in folder: Para Velmorin').click();
    const [reveal] = await ui.waitForSent('reveal');
    assert.deepEqual(reveal.args, { path: '/home/ana/Desktop/Para Velmorin' });
    await ui.close();
  });

  test('a chosen folder the application cannot use is explained wherever a folder is chosen', async () => {
    const error = 'The chosen folder’s path has characters that are not valid UTF-8 text, so Velmorin Sync cannot use it.';
    const ui = await browser.open({ rules: { pickFolder: [{ reply: { error } }] } });
    await ui.button('Change destination').click();
    await ui.shows('#install-result [role=alert]', error);
    await ui.button('Search a folder…').click();
    await ui.shows('#find-results [role=alert]', `The search failed. ${error}`);
    await ui.view('pack');
    await ui.button('Choose the folder to pack…').click();
    await ui.shows('#pack-result [role=alert]', error);
    assert.equal(await ui.$('#dest-path').textContent(), '/home/ana/Desktop/Velmorin');
    assert.deepEqual([await ui.sent('scan'), await ui.sent('zip')], [[], []]);
    await ui.close();
  });

  test('quit sends "quit" and a refusal is reported', async () => {
    const ui = await browser.open({ view: 'pack', rules: { quit: [{ reply: { error: 'cmd' } }] } });
    await ui.button('Quit').click();
    await ui.waitForSent('quit');
    await ui.shows('#notice', 'That did not work. This version of Velmorin Sync does not know the command “quit”.');
    await ui.close();
  });

  test('while the application finishes its work before closing, the page says so and starts no install or pack', async () => {
    const cases = [['en-US', 'Finishing the install or archive that is running.'], ['es-ES', 'Terminando la instalación o el archivo ZIP en curso.']];
    for (const [locale, text] of cases) {
      const ui = await browser.open({ locale });
      await ui.$('#scan-usual').click();
      await ui.waitForSent('scan');
      await ui.page.evaluate(() => {
        window.__vlEvent(null);
        window.__vlEvent({ type: 'not yet known' });
        window.__vlEvent({ type: 'finishing' });
      });
      await ui.shows('#notice.is-info', text);
      await ui.$('#install-button').click({ force: true });
      await ui.view('pack');
      await ui.$('#pack-button').click({ force: true });
      assert.deepEqual([await ui.sent('install'), await ui.sent('pickFolder')], [[], []]);
      await ui.close();
    }
  });
});
