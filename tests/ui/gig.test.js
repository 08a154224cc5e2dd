// Before the gig: two collections compared and one program of the earlier restored
// through plan, confirmation and restore; what the Library's shown programs need,
// with a missing sample; a restore from a backup row declined with Escape; cancel.
import assert from 'node:assert/strict';
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { describe, test } from 'node:test';
import { NARROW, useBrowser } from './support/harness.js';
import { HOSTILE } from './support/plans.js';

const browser = useBrowser();
const BACKUP = '/home/ana/Documents/Backup 2026.ns3b';
const PICKED = '/home/ana/Music/Nord Programs';
const RESTORED = '/home/ana/Music/Restored';

const WORDS = {
  en: {
    readLibrary: 'Read usual folders', compare: 'Compare', folderB: 'Choose a folder for B',
    counts: 'Added 1 · Removed 1 · Changed 1 · Moved 1 · Same 1',
    keys: '3 settings differ: Piano Model, Organ Level, Synth Filter Cutoff', moved: 'from A:12 in A', renamed: 'Strings → Strings Live',
    restoreGrand: 'Restore this one: Grand Lady', title: 'Restore into Restored?',
    replaced: 'Replaced (the file there now goes to the Trash', trash: '1 item goes to the Trash.', yes: 'Restore',
    done: ['1 program restored into Restored.', '1 file was replaced; the earlier one was moved to the Trash.', 'Read back after writing: it is intact.'],
    needs: 'What does this set need?',
    needsLines: ['For the 2 programs shown in the Library.', '3 pianos and samples needed, 206 MB in all. 2 are not on this computer: 25 MB to bring.'],
    printGig: 'Print gig sheet…', onPaper: ['Gig sheet', 'Pianos and samples this set needs'],
    print: 'Print', missing: 'Missing', unknown: 'Not in the sounds table (id 0badcafe)', backupPlace: 'In backup Factory.ns3b', note: 'The bundle “Live.ns3fb” has no readable meta.xml.',
  },
  es: {
    readLibrary: 'Leer las carpetas habituales', compare: 'Comparar', folderB: 'Elegir una carpeta para B',
    counts: 'Añadidos 1 · Quitados 1 · Cambiados 1 · Movidos 1 · Iguales 1',
    keys: 'Cambian 3 ajustes: Piano Model, Organ Level, Synth Filter Cutoff', moved: 'desde A:12 en A', renamed: 'Strings → Strings Live',
    restoreGrand: 'Restaurar este: Grand Lady', title: '¿Restaurar en Restored?',
    replaced: 'Se sustituye (el archivo que hay ahora va a la Papelera', trash: 'Va 1 elemento a la Papelera.', yes: 'Restaurar',
    done: ['1 programa restaurado en Restored.', 'Se sustituyó 1 archivo; el anterior se movió a la Papelera.', 'Se leyó de nuevo tras escribirlo: está intacto.'],
    needs: '¿Qué necesita este repertorio?',
    needsLines: ['Para los 2 programas que se muestran en la Biblioteca.', 'Se necesitan 3 pianos y muestras, 206 MB en total. 2 no están en este equipo: hay que traer 25 MB.'],
    printGig: 'Imprimir hoja de concierto…', onPaper: ['Hoja de concierto', 'Pianos y muestras que necesita este repertorio'],
    print: 'Imprimir', missing: 'Falta', unknown: 'No está en la tabla de sonidos (id 0badcafe)', backupPlace: 'En la copia Factory.ns3b', note: 'The bundle “Live.ns3fb” has no readable meta.xml.',
  },
};

const PLAN_REPLACING = {
  ok: true, programs: { add: [], replace: ['Grand Lady.ns3f'], same: [] }, trash: 1, bytesNeeded: 592, bytesFree: 120482713600, warnings: [],
};

const NEEDS = {
  ok: true,
  sounds: [
    { id: '00003301', kind: 'sample', name: 'Strings Ensemble', version: '3.0', size: 24_500_000, programs: 1, found: [] },
    { id: '00001201', kind: 'piano', name: 'Royal Grand 3D', version: '5.3', size: 181_000_000, programs: 2,
      found: [{ path: '/home/ana/Music/Nord/Factory.ns3b', inside: '/home/ana/Music/Nord/Factory.ns3b' }] },
    { id: '0badcafe', kind: 'sample', name: '', version: '', size: 0, programs: 1, found: [] },
    { kind: 'not a sound' },
  ],
  missing: 2, bytesNeeded: 24_500_000, notes: ['The bundle “Live.ns3fb” has no readable meta.xml.'],
};

async function readLibrary(ui, words) {
  await ui.view('library');
  await ui.button(words.readLibrary).click();
  await ui.$('#library-scroll tbody tr').first().waitFor();
}

const SHOTS = path.join(path.dirname(fileURLToPath(import.meta.url)), 'screenshots');

// Serious accessibility faults, and anything that sticks out sideways or is cut off.
async function problems(ui) {
  await ui.page.addScriptTag({ url: '/__test__/axe.min.js' });
  const axe = await ui.page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations);
  const layout = await ui.page.evaluate(() => [
    document.documentElement.scrollWidth > window.innerWidth ? 'the page is wider than the window' : null,
    ...[...document.querySelectorAll('#view-gig :is(h2, p, li, label, button, select, summary, legend)')]
      .filter((node) => node.getClientRects().length > 0 && node.scrollWidth > node.clientWidth + 1)
      .map((node) => `cut: ${node.tagName} ${node.textContent.slice(0, 40)}`),
  ].filter(Boolean));
  return [...axe.filter((v) => ['serious', 'critical'].includes(v.impact)).map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`), ...layout];
}

// What was put up for paper: its headings, the gig sheet's names, and each needed sound with where it is.
const printed = (ui) => ui.page.$eval('#print-area', (area) => ({
  headings: [...area.querySelectorAll('h1')].map((h) => h.textContent),
  gig: [...area.querySelectorAll('.print-gig tbody tr')].map((tr) => tr.cells[1].textContent),
  needs: [...area.querySelectorAll('.print-needs tbody tr')].map((tr) => [tr.cells[1].textContent, tr.cells[3].textContent, tr.cells[5].textContent]),
}));

const cells = (ui, selector) => ui.page.$$eval(selector, (trs) => trs.map((tr) => [...tr.cells].map((td) => td.textContent)));

describe('before the gig', { timeout: 180_000 }, () => {
  for (const locale of ['en-US', 'es-ES']) {
    const words = WORDS[locale.slice(0, 2)];

    test(`${locale}: a backup compared with a folder, then one program of the backup restored over an older copy`, async () => {
      const ui = await browser.open({ locale, rules: { plan: [{ when: { restore: true }, reply: PLAN_REPLACING }],
        restore: [{ reply: { ok: true, written: 1, replaced: 1, trashed: 1, refused: [], verified: true } }] } });
      await readLibrary(ui, words);
      await ui.page.keyboard.press('Alt+4');
      await ui.$('#view-gig').waitFor();
      await ui.$('#compare-a-backup').selectOption({ label: 'Backup 2026.ns3b' });
      await ui.button(words.folderB).click();
      await ui.shows('#compare-b-chosen', PICKED);
      await ui.button(words.compare).click();
      const [compare] = await ui.waitForSent('compareSets');
      assert.deepEqual(compare.args, { a: BACKUP, b: PICKED });
      await ui.shows('#compare-result [role=status]', words.counts);

      const rows = await cells(ui, '#compare-rows tbody tr');
      assert.deepEqual(rows.map((row) => row.slice(0, 2)),
        [['A:11', 'Warm Pad'], ['B:23', 'Grand Lady'], ['A:13', 'New Lead'], ['A:14', 'Old Organ'], ['A:15', words.renamed]]);
      assert.equal(rows[0][3], words.keys);
      assert.equal(rows[1][3], words.moved);
      // Only A's programs can be restored: the added one is B's alone.
      assert.deepEqual(rows.map((row) => row[4] !== ''), [true, true, false, true, true]);
      assert.equal(await ui.$('#compare-rows details[data-state=same]').getAttribute('open'), null, 'what is the same stays folded');

      const restore = ui.button(words.restoreGrand);
      await restore.click();
      const dialog = ui.page.getByRole('alertdialog', { name: words.title });
      await dialog.waitFor();
      const [pick] = (await ui.sent('pickFolder')).slice(-1);
      assert.equal(pick.args.kind, 'restore');
      const [plan] = await ui.sent('plan');
      assert.deepEqual(plan.args, { restore: true, from: BACKUP, entries: ['Program/Grand Lady.ns3f'], dest: RESTORED });
      const text = await dialog.innerText();
      for (const line of [words.replaced, 'Grand Lady.ns3f', words.trash, RESTORED]) assert.ok(text.includes(line), `${line} in ${text}`);
      assert.equal(await ui.focused(), 'confirm-no', 'the safe answer has the focus');
      assert.deepEqual(await ui.sent('restore'), [], 'nothing is restored before the answer');

      await ui.button(words.yes).click();
      const [restored] = await ui.waitForSent('restore');
      assert.deepEqual(restored.args, { from: BACKUP, entries: ['Program/Grand Lady.ns3f'], dest: RESTORED });
      for (const line of words.done) await ui.shows('#restore-result [role=status]', line);
      assert.equal(await ui.page.evaluate(() => document.activeElement.getAttribute('aria-label')), words.restoreGrand);
      await ui.close();
    });

    test(`${locale}: what the Library's shown programs need, a missing sample marked in words, printed after their gig sheet`, async () => {
      const ui = await browser.open({ locale, rules: { needs: [{ reply: NEEDS }] } });
      await readLibrary(ui, words);
      await ui.$('#library-search').fill('Warm');
      await ui.button(words.needs).click();
      const [needs] = await ui.waitForSent('needs');
      assert.deepEqual(needs.args, { programs: [
        { path: '/home/ana/Music/Nord/Live set/Warm Pad.ns3f', inside: '' }, { path: '/home/ana/Downloads/Warm Pad.ns3f', inside: '' }] });
      assert.equal(await ui.$('#view-gig').isVisible(), true);
      for (const line of words.needsLines) await ui.shows('#needs-result', line);
      const rows = await cells(ui, '#needs-result tbody tr');
      assert.deepEqual(rows.map((row) => [row[1], row[5]]), [
        ['Royal Grand 3D', `✓${words.backupPlace}`], ['Strings Ensemble', `⚠${words.missing}`], [words.unknown, `⚠${words.missing}`]]);
      assert.equal(await ui.$('#needs-result tr.is-missing').count(), 2);
      await ui.shows('#needs-result .needs-notes li', words.note);

      // On paper, from the needs or from the Library's gig sheet alike: the gig sheet of
      // the rows asked about, then what they need with sizes, the missing marked.
      const onPaper = {
        headings: words.onPaper,
        gig: ['Warm Pad', 'Warm Pad'],
        needs: [['Royal Grand 3D', '181 MB', `✓${words.backupPlace}`], ['Strings Ensemble', '25 MB', `⚠${words.missing}`],
          [words.unknown, '', `⚠${words.missing}`]],
      };
      await ui.button(words.print).click();
      await ui.waitForSent('print');
      assert.deepEqual(await printed(ui), onPaper);
      await ui.view('library');
      await ui.button(words.printGig).click();
      await ui.waitForSent('print', 2);
      assert.deepEqual(await printed(ui), onPaper);
      // Other rows shown: their gig sheet alone, not the needs of the earlier ones.
      await ui.$('#library-search').fill('Strings');
      await ui.button(words.printGig).click();
      await ui.waitForSent('print', 3);
      assert.deepEqual(await printed(ui), { headings: words.onPaper.slice(0, 1), gig: ['Strings', 'Grand Lady'], needs: [] });
      await ui.close();
    });
  }

  test('a backup row of the Library is restored only when confirmed: Escape declines, and a refused name is reported', async () => {
    const ui = await browser.open({ rules: {
      restore: [{ reply: { ok: true, written: 1, replaced: 0, trashed: 0, refused: [`../${HOSTILE}`], verified: true } }] } });
    await readLibrary(ui, WORDS.en);
    await ui.$('#library-search').fill('Strings');
    const restore = ui.button('Restore “Strings” from the backup Backup 2026.ns3b');
    await restore.click();
    await ui.page.getByRole('alertdialog').waitFor();
    const [plan] = await ui.sent('plan');
    assert.deepEqual(plan.args, { restore: true, from: BACKUP, entries: ['Program/Bank A/Strings.ns3f'], dest: RESTORED });
    await ui.page.keyboard.press('Escape');
    await ui.shows('#library-restore-result', 'Nothing was restored. Nothing was changed.');
    assert.deepEqual(await ui.sent('restore'), []);
    assert.equal(await ui.page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Restore “Strings” from the backup Backup 2026.ns3b');

    // A folder that cannot be written is refused as it is chosen; another one is offered.
    await ui.rule('pickFolder', { once: true, reply: { ok: false, error: 'You may not write in /media/cdrom.', code: 'permission' } });
    await restore.click();
    await ui.shows('#library-restore-result [role=alert]', 'The program could not be restored. You may not write in /media/cdrom.');
    await ui.button('Choose another folder…').click();
    await ui.page.getByRole('alertdialog').waitFor();
    await ui.button('Restore').click();
    await ui.shows('#library-restore-result [role=alert]', `Not restored, the name is not safe to write: ../${HOSTILE}`);
    assert.equal(await ui.$('#library-restore-result img').count(), 0);
    await ui.close();
  });

  for (const locale of ['en-US', 'es-ES']) {
    test(`${locale}: the view at 640 px with a comparison and a set's needs: accessible, nothing cut off; printing keeps what the set needs`, async () => {
      await mkdir(SHOTS, { recursive: true });
      const lang = locale.slice(0, 2);
      const ui = await browser.open({ locale, viewport: NARROW, rules: { needs: [{ reply: NEEDS }] } });
      await readLibrary(ui, WORDS[lang]);
      await ui.button(WORDS[lang].needs).click();
      await ui.$('#needs-result table').waitFor();
      await ui.$('#compare-a-backup').selectOption({ label: 'Backup 2026.ns3b' });
      await ui.$('#compare-b-folder').click();
      await ui.$('#compare-button').click();
      await ui.$('#compare-rows table').first().waitFor();
      assert.deepEqual(await problems(ui), []);
      await ui.page.mouse.move(0, 0);
      await ui.page.screenshot({ path: path.join(SHOTS, `view-gig-${lang}.png`), fullPage: true });
      // Printing puts the needs, and nothing else of the page, on paper.
      await ui.button(WORDS[lang].print).click();
      await ui.waitForSent('print');
      await ui.page.emulateMedia({ media: 'print' });
      assert.deepEqual(await ui.page.evaluate(() => ['#compare', '#print-area .needs-table', '#tab-gig', '#library']
        .map((selector) => document.querySelector(selector).getClientRects().length > 0)), [false, true, false, false]);
      await ui.page.emulateMedia({ media: 'screen' });
      await ui.close();
    });
  }

  test('what a chosen folder needs, and a failure told with its reason', async () => {
    const ui = await browser.open({ view: 'gig', rules: { needs: [{ once: true, reply: { ok: false, error: 'The folder is gone.', code: 'notFound' } }] } });
    await ui.button('Check a folder…').click();
    await ui.shows('#needs-result [role=alert]', 'The needs of these programs could not be found. The folder is gone.');
    await ui.button('Check a folder…').click();
    const sent = await ui.waitForSent('needs', 2);
    assert.deepEqual(sent.map((message) => message.args), [{ dir: PICKED }, { dir: PICKED }]);
    await ui.shows('#needs-result', `For the programs in ${PICKED}.`);
    await ui.shows('#needs-result [role=status]', '2 pianos and samples needed, 206 MB in all. 1 is not on this computer: 25 MB to bring.');
    await ui.close();
  });

  test('a comparison can be cancelled, and asks for both collections first', async () => {
    const ui = await browser.open({ view: 'gig', rules: { compareSets: [{ hold: true }] } });
    await ui.button('Compare').click();
    await ui.shows('#compare-result', 'Choose both collections first');
    await ui.button('Choose a folder for A').click();
    await ui.shows('#compare-a-chosen', PICKED);
    await ui.button('Choose a folder for B').click();
    await ui.shows('#compare-b-chosen', PICKED);
    await ui.button('Compare').click();
    await ui.shows('#compare-result', 'A and B are the same collection');
    await ui.button('Choose a backup for B').click();
    await ui.shows('#compare-b-chosen', 'Backup: /home/ana/Downloads/Stage backup 2026-10.ns3b');
    assert.deepEqual((await ui.sent('pickFolder')).map((message) => message.args.kind), ['progs', 'progs', 'backup']);
    await ui.button('Compare').click();
    const [compare] = await ui.waitForSent('compareSets');
    assert.deepEqual(compare.args, { a: PICKED, b: '/home/ana/Downloads/Stage backup 2026-10.ns3b' });
    await ui.progress('compareSets', { phase: 'compare', done: 120, total: 400 });
    await ui.shows('#compare-progress', '120 of 400 programs compared');
    await ui.button('Cancel the comparison').click();
    await ui.shows('#compare-result', 'Cancelled. Nothing was changed.');
    assert.equal(await ui.$('#compare-progress').isVisible(), false);

    // A reply with rows that are none and a hostile name: the rest is drawn, as text.
    await ui.rule('compareSets', { reply: { ok: true, counts: 'many', rows: [null, 7, { state: 'lost', a: { path: '/x' } }, { state: 'added' },
      { state: 'added', slot: 'A:01', name: HOSTILE, model: 'Nord Stage 3', a: null, b: { path: '/l/x.ns3f', name: HOSTILE } }] } });
    await ui.button('Compare').click();
    await ui.shows('#compare-result [role=status]', 'Added 1 · Removed 0 · Changed 0 · Moved 0 · Same 0');
    assert.deepEqual(await ui.$('#compare-rows tbody tr td:nth-child(2)').allTextContents(), [HOSTILE]);
    assert.equal(await ui.$('#compare-rows img').count(), 0);
    await ui.close();
  });
});
