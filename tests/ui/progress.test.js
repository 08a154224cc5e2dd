// Long work shows how far it has got and can be cancelled: the progress reports of
// the application, late or crossed ones, and a cancel that races the reply.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

async function bar(ui, panel) {
  const track = ui.$(`#${panel}-progress [role=progressbar]`);
  return {
    now: await track.getAttribute('aria-valuenow'),
    max: await track.getAttribute('aria-valuemax'),
    count: await ui.text(`#${panel}-progress .progress-count`),
  };
}

async function startHeldInstall(options) {
  const ui = await browser.open(options);
  await ui.$('#scan-usual').click();
  await ui.shows('#install-summary', '(.ns3f)');
  await ui.$('#install-button').click();
  const [install] = await ui.waitForSent('install');
  return { ui, install };
}

describe('progress and cancel', { timeout: 120_000 }, () => {
  const COUNTS = {
    en: { copied: '12,345 of 40,000 programs copied · 30%', checked: '7 programs checked', bytes: '1.2 MB of 4 MB archived · 30%', done: 'Installed 24 programs' },
    es: { copied: '12.345 de 40.000 programas copiados · 30\u00a0%', checked: '7 programas comprobados', bytes: '1,2 MB de 4 MB comprimidos · 30\u00a0%', done: 'Instalación terminada' },
  };
  for (const locale of ['en-US', 'es-ES']) {
    const words = COUNTS[locale.slice(0, 2)];
    test(`${locale}: an install's bar fills as reported; stale, foreign, late and malformed reports change nothing`, async () => {
      const { ui, install } = await startHeldInstall({ locale, rules: { install: [{ hold: true }] } });
      assert.deepEqual(await bar(ui, 'install'), { now: null, max: null, count: '' }, 'no value before the first report');
      await ui.progress('install', { phase: 'copy', done: 12345, total: 40000, bytes: 0, totalBytes: 0 });
      assert.deepEqual(await bar(ui, 'install'), { now: '12345', max: '40000', count: words.copied });

      await ui.progress('install', { phase: 'copy', done: 100, total: 40000, bytes: 0, totalBytes: 0 });
      await ui.progress('plan', { phase: 'scan', done: 1, total: 2, bytes: 0, totalBytes: 0 });
      await ui.page.evaluate((id) => {
        window.__vlProgress(id + 1000, { phase: 'copy', done: 1, total: 1, bytes: 0, totalBytes: 0 });
        window.__vlProgress(id, null);
        window.__vlProgress(id, { phase: 7 });
      }, install.id);
      assert.deepEqual(await bar(ui, 'install'), { now: '12345', max: '40000', count: words.copied });

      await ui.progress('install', { phase: 'verify', done: 7, total: 0, bytes: 0, totalBytes: 0 });
      assert.deepEqual(await bar(ui, 'install'), { now: null, max: null, count: words.checked }, 'unknown total: no value');
      await ui.progress('install', { phase: 'archive', done: 3, total: 9, bytes: 1_200_000, totalBytes: 4_000_000 });
      assert.deepEqual(await bar(ui, 'install'), { now: '1200000', max: '4000000', count: words.bytes });

      await ui.release('install');
      await ui.shows('#install-result', words.done);
      await ui.progress('install', { phase: 'copy', done: 40000, total: 40000, bytes: 0, totalBytes: 0 });
      assert.equal(await ui.$('#install-progress').isVisible(), false);
      await ui.close();
    });
  }

  test('Cancel posts "cancel" with the install\'s id and says nothing was changed; a cancel crossing a finished install shows the real result', async () => {
    const { ui, install } = await startHeldInstall({ rules: { install: [{ hold: true }] } });
    // Help is a view of the page: the install runs on behind it.
    await ui.view('help');
    await ui.view('install');
    await ui.button('Cancel the install').click();
    const [cancel] = await ui.waitForSent('cancel');
    assert.deepEqual(cancel.args, { id: install.id });
    await ui.shows('#install-result [role=status]', 'Cancelled. Nothing was changed.');
    assert.equal(await ui.focused(), 'install-button', 'focus is not lost with the Cancel button');

    await ui.rule('cancel', { hold: true, reply: { ok: true, found: false } });
    await ui.$('#install-button').click();
    await ui.waitForSent('install', 2);
    const cancelButton = ui.button('Cancel the install');
    await cancelButton.click();
    await ui.waitForSent('cancel', 2);
    assert.equal(await cancelButton.innerText(), 'Cancelling…');
    await cancelButton.click({ force: true });
    assert.equal((await ui.sent('cancel')).length, 2, 'one cancel is enough');
    await ui.release('install');
    await ui.release('cancel');
    await ui.shows('#install-result', 'Installed 24 programs and 1 list');
    assert.doesNotMatch(await ui.text('#install-result'), /Cancelled/);
    await ui.close();
  });

  test('a plan cancelled, even one that answers anyway, leads to no install', async () => {
    const ui = await browser.open({ rules: { plan: [{ hold: true }], cancel: [{ hold: true, reply: { ok: true, found: false }, once: true }] } });
    await ui.$('#scan-usual').click();
    await ui.shows('#install-summary', '(.ns3f)');
    for (const round of [1, 2]) {
      await ui.$('#install-button').click();
      await ui.waitForSent('plan', round);
      assert.equal(await ui.text('#install-progress-text'), 'Checking what the install would change…');
      await ui.button('Cancel the install').click();
      await ui.waitForSent('cancel', round);
      // First round: the plan had finished and answers ok; second: it is really stopped.
      if (round === 1) {
        await ui.release('plan');
        await ui.release('cancel');
      }
      await ui.shows('#install-result', 'Cancelled. Nothing was changed.');
    }
    assert.deepEqual(await ui.sent('install'), []);
    await ui.close();
  });

  // The bar and the text tell one story: the text carries the bar's own figure. A copy
  // whose bytes are known is measured by them, and says how much and how long is left.
  test('the bar and its text agree; a large copy shows its bytes and the time left', async () => {
    const { ui } = await startHeldInstall({ rules: { install: [{ hold: true }] } });
    await ui.page.clock.install();
    const width = () => ui.$('#install-progress .progress-bar').evaluate((node) => {
      const track = node.parentElement.getBoundingClientRect().width;
      return Math.round((node.getBoundingClientRect().width / track) * 100);
    });
    for (const [done, total] of [[1, 3], [2, 3], [2452, 2500], [2500, 2500]]) {
      await ui.progress('install', { phase: 'copy', done, total, bytes: 0, totalBytes: 0 });
      const shown = Number(/(\d+)%$/.exec((await bar(ui, 'install')).count)[1]);
      assert.equal(shown, Math.floor((done / total) * 100));
      assert.ok(Math.abs((await width()) - shown) <= 1, `bar ${await width()} % for text ${shown} %`);
    }

    // 2 of 6 pianos: most of the bytes are in the big ones still to come.
    const GB = 1_000_000_000;
    await ui.progress('install', { phase: 'verify', done: 0, total: 6, bytes: 0, totalBytes: 2.5 * GB });
    await ui.page.clock.runFor(1000);
    await ui.progress('install', { phase: 'verify', done: 2, total: 6, bytes: 0.1 * GB, totalBytes: 2.5 * GB });
    assert.deepEqual(await bar(ui, 'install'), { now: String(0.1 * GB), max: String(2.5 * GB), count: '2 of 6 programs checked · 100 MB of 2.5 GB · 4%' });
    await ui.page.clock.runFor(4000);
    await ui.progress('install', { phase: 'verify', done: 2, total: 6, bytes: 0.5 * GB, totalBytes: 2.5 * GB });
    assert.equal((await bar(ui, 'install')).count, '2 of 6 programs checked · 500 MB of 2.5 GB · 20% · less than a minute left');
    assert.ok(Math.abs((await width()) - 20) <= 1);
    await ui.page.clock.runFor(100_000);
    await ui.progress('install', { phase: 'verify', done: 3, total: 6, bytes: 0.6 * GB, totalBytes: 2.5 * GB });
    assert.equal((await bar(ui, 'install')).count, '3 of 6 programs checked · 600 MB of 2.5 GB · 24% · about 6 minutes left');
    await ui.release('install');
    await ui.shows('#install-result', 'Installed');
    await ui.close();
  });

  test('a search and a pack show their own progress and cancel; earlier findings stay', async () => {
    const ui = await browser.open({ rules: { scan: [{ hold: true, when: { dir: '/home/ana/Music/Nord Programs' } }], zip: [{ hold: true }] } });
    await ui.$('#scan-usual').click();
    await ui.shows('#find-results', 'Live set');
    await ui.$('#scan-folder').click();
    await ui.waitForSent('scan', 2);
    await ui.progress('scan', { phase: 'scan', done: 1, total: 0, bytes: 0, totalBytes: 0 });
    assert.equal((await bar(ui, 'find')).count, '1 folder searched');
    await ui.button('Cancel the search').click();
    await ui.shows('#find-results [role=status]', 'Cancelled. Nothing was changed.');
    await ui.shows('#find-results', 'Live set');

    await ui.view('pack');
    await ui.$('#pack-button').click();
    await ui.waitForSent('zip');
    await ui.progress('zip', { phase: 'archive', done: 0, total: 0, bytes: 999, totalBytes: 0 });
    assert.deepEqual(await bar(ui, 'pack'), { now: null, max: null, count: '999 bytes archived' });
    await ui.button('Cancel packing').click();
    await ui.shows('#pack-result [role=status]', 'Cancelled. Nothing was changed.');
    await ui.close();
  });
});
