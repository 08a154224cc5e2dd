// Daily use: a report stays only while its inputs do (the destination, the model,
// what was found, the filters); the free space is the destination's; the model's
// hint is about the programs chosen now; the words are the user's (categories in
// Spanish, no brackets in brackets, paths broken between folder names); an archive
// that replaced an earlier one says so, and "Show in folder" that opens nothing too.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser, NARROW } from './support/harness.js';
import { PLAN_REPLACING } from './support/plans.js';

const browser = useBrowser();
const HOME = '/home/ana';
const USB = '/media/ana/NORD USB/Backups';

const day = (d) => new Date(2026, 11, d, 12).getTime();
const TWO_TYPES = {
  list: null,
  progs: { dir: `${HOME}/Nord/Live set`, count: 24, ext: 'ns3f', model: 'Nord Stage 3', size: 3412000 },
  folders: [
    { dir: `${HOME}/Nord/Live set`, ext: 'ns3f', model: 'Nord Stage 3', count: 24, newest: day(6) },
    { dir: `${HOME}/Nord/Electro`, ext: 'ne6p', model: 'Nord Electro 6', count: 3, newest: day(1) },
  ],
};

describe('daily use', { timeout: 120_000 }, () => {
  test('reports, the model hint and the free space follow their inputs', async () => {
    const ui = await browser.open({
      rules: {
        scan: [{ reply: TWO_TYPES }],
        freeSpace: [{ reply: { ok: true, path: '/media/ana/NORD USB', diskFree: 2_100_000 }, when: { path: USB } }],
        install: [{ reply: { ok: false, error: 'Could not write to "Desktop/Velmorin".', code: 'permission' }, once: true }],
      },
    });
    // The home folder's figure gives way to the destination's.
    const [measured] = await ui.waitForSent('freeSpace');
    assert.deepEqual(measured.args, { path: `${HOME}/Desktop/Velmorin` });
    await ui.shows('#disk-where', 'At the destination, Desktop › Velmorin');

    await ui.$('#scan-usual').click();
    await ui.shows('#model-hint', 'Filled in for the chosen programs (.ns3f)');
    await ui.$('#install-button').click();
    await ui.shows('#install-result [role=alert]', 'Could not write to "Desktop/Velmorin".');
    // Another destination: the refusal was about the earlier one.
    await ui.$('#change-dest').click();
    await ui.shows('#dest-path', USB);
    assert.equal(await ui.text('#install-result'), '');
    await ui.shows('#disk-free', '2.1 MB');
    await ui.shows('#disk-where', 'At the destination, NORD USB › Backups');

    await ui.$('#install-button').click();
    await ui.shows('#install-result', 'Installed 24 programs');
    await ui.$('#model').fill('Stage at home');
    assert.equal(await ui.text('#install-result'), '', 'a report about another model is gone');
    assert.equal(await ui.text('#model-hint'), 'Names the folder made inside the destination.', 'the typed model is not the programs\'');

    await ui.page.getByLabel(/Nord Electro 6/).check();
    assert.equal(await ui.$('#model').inputValue(), 'Nord Electro 6');
    assert.equal(await ui.text('#model-hint'), 'Filled in for the chosen programs (.ne6p). Names the folder made inside the destination.');
    await ui.close();
  });

  test('a destination that cannot be written is refused when it is chosen', async () => {
    const refusal = 'You may not write to "/media/ana/CD".';
    const ui = await browser.open({ rules: { pickFolder: [{ reply: { error: refusal, code: 'permission' }, when: { kind: 'dest' } }] } });
    await ui.shows('#dest-path', 'Velmorin');
    await ui.$('#change-dest').click();
    await ui.shows('#install-result [role=alert]', refusal);
    await ui.shows('#install-result', 'Choose a folder you are allowed to change.');
    await ui.shows('#dest-path', `${HOME}/Desktop/Velmorin`);
    assert.deepEqual(await ui.sent('saveSettings'), []);
    await ui.button('Choose another destination…').click();
    await ui.waitForSent('pickFolder', 2);
    await ui.close();
  });

  test('Spanish words: categories translated in the table and filter, unknown codes in words, no brackets in brackets', async () => {
    const library = await (async () => {
      const ui = await browser.open();
      const reply = await ui.page.evaluate(() => new Promise((resolve) => {
        window.__vlReply = (id, text) => { if (id === 999) resolve(JSON.parse(text)); };
        window.webkit.messageHandlers.vl.postMessage({ cmd: 'library', id: 999, args: {} });
      }));
      await ui.page.goto('about:blank');
      return reply;
    })();
    // An unreadable header's numbers, and a damaged file in a folder whose name has brackets.
    library.programs.push({ ...library.programs[0], path: `${HOME}/Raro/Raro.ns3f`, name: 'Raro', category: '37', slot: '99', dup: 0 });
    library.programs.push({ ...library.programs[2], path: `${HOME}/Programas (.ns3f)/Broken Rhodes.ns3f`, name: 'Broken Rhodes', category: '41', slot: '12' });
    const ui = await browser.open({ locale: 'es-ES', view: 'library', rules: { library: [{ reply: library }] } });
    await ui.$('#library-usual').click();
    await ui.$('#library-scroll tbody tr').first().waitFor();
    const categories = await ui.$('#library-category option').allTextContents();
    assert.deepEqual(categories, ['Todas las categorías', 'Sin categoría', 'Categoría desconocida', 'Cuerdas', 'Órgano', 'Pad', 'Piano de cola']);
    await ui.$('#library-category').selectOption({ label: 'Piano de cola' });
    const cells = await ui.page.$$eval('#library-scroll tbody tr:not(.spacer)', (trs) => trs.map((tr) => [...tr.cells].map((td) => td.textContent)));
    assert.deepEqual(cells.map((row) => [row[0], row[2]]), [['Grand Lady', 'Piano de cola']]);
    await ui.$('#library-category').selectOption({ label: 'Categoría desconocida' });
    await ui.shows('#library-count', 'Se muestran 1 de 10');
    await ui.shows('#library-scroll', 'Raro');
    // The damaged file: no category or slot read from its header, its folder named once.
    await ui.shows('#library-damaged', '\u2068Broken Rhodes\u2069, en \u2068Programas (.ns3f)\u2069: La suma de comprobación no coincide');
    assert.doesNotMatch(await ui.text('#library-damaged'), /\(\(|\)\)/);
    await ui.close();
  });

  test('a long path breaks between folder names, and the confirmation has no sideways scrollbar', async () => {
    const LONG = '/home/ana/Documents/Keyboards/Nord_Stage_3_sound_backups_from_the_studio/2024-summer-tour/Velmorin';
    const ui = await browser.open({
      viewport: NARROW,
      rules: { info: [{ reply: { os: 'linux', nsm: { found: true, name: 'Nord Sound Manager' }, diskFree: 1, exportDir: '/x', dest: LONG, destLabel: 'tour › Velmorin' } }], plan: [{ reply: PLAN_REPLACING }] },
    });
    await ui.shows('#dest-path', '2024-summer-tour');
    const broken = await ui.$('#dest-path').evaluate((node) => {
      const texts = [];
      for (const walker = document.createTreeWalker(node, NodeFilter.SHOW_TEXT); walker.nextNode();) texts.push(walker.currentNode);
      return texts.map((text) => { const range = document.createRange(); range.selectNodeContents(text); return [text.textContent, range.getClientRects().length]; });
    });
    assert.ok(broken.length > 5);
    for (const [text, lines] of broken) assert.equal(lines, 1, `"${text}" is broken inside: ${JSON.stringify(broken)}`);
    assert.equal(await ui.$('#dest-path').innerText().then((text) => text.includes('\n') || text === LONG), true);

    await ui.$('#scan-usual').click();
    await ui.shows('#install-summary', '(.ns3f)');
    await ui.$('#install-button').click();
    await ui.page.getByRole('alertdialog').waitFor();
    const bars = await ui.$('#confirm').evaluate((dialog) => {
      // Whatever might stick out (WebKitGTK lays some content out wider than Chromium does).
      const wide = document.createElement('div');
      wide.style.width = '2000px';
      wide.style.height = '1px';
      dialog.querySelector('#confirm-details').append(wide);
      // Headless Chromium's scrollbars take no room: what counts is whether the user could scroll sideways.
      const scrolls = ['auto', 'scroll'].includes(getComputedStyle(dialog).overflowX);
      return scrolls && dialog.scrollWidth > dialog.clientWidth ? dialog.scrollWidth - dialog.clientWidth : 0;
    });
    assert.equal(bars, 0, 'no sideways scrollbar at the dialog\'s foot');
    await ui.page.keyboard.press('Escape');
    await ui.close();
  });

  test('a pack that replaced the earlier archive says so; "Show in folder" that opens nothing says so', async () => {
    const ui = await browser.open({
      view: 'pack',
      rules: {
        zip: [{ reply: { ok: true, path: `${HOME}/Desktop/Velmorin.zip`, bytes: 2104518, trashed: 1, replaced: true } }],
        reveal: [{ reply: { ok: false, error: 'No file manager could open it.', code: 'failed' } }],
      },
    });
    await ui.$('#pack-button').click();
    await ui.shows('#pack-result', 'The earlier Velmorin.zip was moved to the Trash, where you can restore it from the file manager.');
    await ui.button('Show in folder: Velmorin.zip').click();
    await ui.shows('#notice', 'Nothing could be opened to show “Velmorin.zip”. No file manager could open it.');

    await ui.rule('zip', { reply: { ok: true, path: `${HOME}/Desktop/Velmorin.zip`, bytes: 2104518, trashed: 0, replaced: true } });
    await ui.$('#pack-button').click();
    await ui.shows('#pack-result', 'The earlier Velmorin.zip was replaced: this drive has no Trash to keep it in.');
    await ui.rule('zip', { reply: { ok: true, path: `${HOME}/Desktop/Velmorin.zip`, bytes: 2104518, trashed: 0, replaced: false } });
    await ui.$('#pack-button').click();
    await ui.waitForSent('zip', 3);
    await ui.shows('#pack-result', 'Archive ready');
    assert.doesNotMatch(await ui.text('#pack-result'), /earlier/);
    await ui.close();
  });
});
