// The library panel: reading the programs, the table's filters, search and sort,
// damage in words, duplicates together, hostile names as text, ten thousand rows,
// the keyboard, the folders (install and show) and the set list's export.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();
const HOME = '/home/ana';

// The table's rows as the user reads them: one array of cell texts per row.
function rows(ui) {
  return ui.page.$$eval('#library-scroll tbody tr:not(.spacer)', (trs) => trs.map((tr) => [...tr.cells].map((td) => td.textContent)));
}
const names = async (ui) => (await rows(ui)).map((cells) => cells[0]);

async function readUsual(ui, label = 'Read usual folders') {
  await ui.button(label).click();
  await ui.$('#library-scroll tbody tr').first().waitFor();
}

function bigLibrary(count) {
  const programs = Array.from({ length: count }, (_, i) => ({
    path: `/home/ana/Music/Big/Program ${String(i).padStart(5, '0')}.ns3f`, inside: '', name: `Program ${String(i).padStart(5, '0')}`,
    ext: 'ns3f', model: 'Nord Stage 3', type: 'ns3f', header: 1, category: 'Pad', categoryCode: 8, bank: i % 16, location: i % 25,
    slot: 'A:11', version: 304, check: 'ok', problem: '', size: 592, mtime: 1764000000000 + i, dup: 0,
  }));
  return { ok: true, programs, folders: [{ dir: '/home/ana/Music/Big', count, models: ['Nord Stage 3'], newest: 1764000000000 }], damaged: 0, total: count, truncated: true };
}

describe('the library', { timeout: 180_000 }, () => {
  test('reading the usual folders: every program with its slot, folder or backup, and its check in words', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    const [library] = await ui.sent('library');
    assert.deepEqual(library.args, {}, 'the usual folders');
    await ui.shows('#library-count', '8 of 8 programs shown · 2 damaged');
    const table = await rows(ui);
    assert.deepEqual(table.map((cells) => cells[0]), ['Broken Lead', 'Grand Lady', 'Mystery', 'Old Organ', 'Strange', 'StringsRestore…', 'Warm PadSame as 1 other', 'Warm PadSame as 1 other']);
    assert.deepEqual(table[1], ['Grand Lady', 'Nord Stage 3', 'Grand piano', 'B:23', 'Live set', 'Nov 21, 2026', '✓Intact']);
    assert.deepEqual(table[5].slice(3, 5), ['A:12', 'Backup: Backup 2026.ns3b']);
    assert.equal(table[0][6], '⚠DamagedChecksum does not match: the file is damaged');
    assert.equal(table[2][6], '?Unknown formatIts format could not be checked');
    assert.equal(table[3][6], '–Not checkedAn older file without a checksum');
    assert.equal(table[4][6], '⚠DamagedNot a Nord file header');
    // The whole sentence, whatever the cell's width.
    // The names isolated (U+2068 … U+2069), so neither can reorder the sentence.
    await ui.shows('#library-damaged li', '\u2068Broken Lead\u2069, in \u2068Live set\u2069: Checksum does not match: the file is damaged');
    // Damage stands out by colour and by its words, not colour alone.
    const damaged = ui.$('#library-scroll tbody tr.check-damaged');
    assert.equal(await damaged.count(), 2);
    assert.notEqual(await damaged.locator('td').first().evaluate((td) => getComputedStyle(td).backgroundColor),
      await ui.$('#library-scroll tbody tr.check-ok td').first().evaluate((td) => getComputedStyle(td).backgroundColor));
    await ui.close();
  });

  test('in Spanish, from a chosen folder: the texts, the problems and the header', async () => {
    const ui = await browser.open({ locale: 'es-ES', view: 'library' });
    await ui.shows('#library-title', 'Biblioteca');
    await readUsual(ui, 'Leer una carpeta…');
    const [pick] = await ui.sent('pickFolder');
    assert.equal(pick.args.kind, 'progs');
    const [library] = await ui.sent('library');
    assert.deepEqual(library.args, { dir: `${HOME}/Music/Nord Programs` });
    await ui.shows('#library-count', 'Se muestran 8 de 8 programas · 2 dañados');
    const headings = await ui.$('#library-scroll th').allTextContents();
    assert.deepEqual(headings, ['Nombre▲', 'Modelo', 'Categoría', 'Posición', 'Carpeta o copia', 'Fecha', 'Estado']);
    const table = await rows(ui);
    assert.equal(table[0][6], '⚠DañadoLa suma de comprobación no coincide: el archivo está dañado');
    assert.equal(table[3][6], '–Sin comprobarArchivo antiguo sin suma de comprobación');
    await ui.shows('#library-damaged li', '\u2068Broken Lead\u2069, en \u2068Live set\u2069: La suma de comprobación no coincide: el archivo está dañado');
    assert.equal(table[4][6], '⚠DañadoNo tiene la cabecera de un archivo Nord');
    assert.equal(table[5][4], 'Copia: Backup 2026.ns3b');
    assert.equal(table[6][0], 'Warm PadIgual que 1 más');
    assert.deepEqual(await ui.$('#library-check option').allTextContents(), ['Cualquier estado', 'Intacto', 'Sin comprobar', 'Dañado', 'Formato desconocido']);
    await ui.close();
  });

  test('filters by model, category and check, searches by name, sorts by any column with aria-sort', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.$('#library-model').selectOption({ label: 'Nord Stage 2' });
    assert.deepEqual(await names(ui), ['Old Organ']);
    await ui.$('#library-model').selectOption({ label: 'All models' });
    await ui.$('#library-category').selectOption({ label: 'No category' });
    assert.deepEqual(await names(ui), ['Broken Lead', 'Mystery', 'Strange']);
    await ui.$('#library-check').selectOption({ label: 'Damaged' });
    assert.deepEqual(await names(ui), ['Broken Lead', 'Strange']);
    await ui.$('#library-category').selectOption({ label: 'All categories' });
    assert.deepEqual(await names(ui), ['Broken Lead', 'Strange']);
    await ui.$('#library-check').selectOption({ label: 'Any state' });
    await ui.$('#library-search').fill('  WARM ');
    assert.deepEqual(await names(ui), ['Warm PadSame as 1 other', 'Warm PadSame as 1 other']);
    await ui.shows('#library-count', '2 of 8 programs shown');
    await ui.$('#library-search').fill('nothing like it');
    assert.equal(await ui.$('#library-no-match').isVisible(), true);
    await ui.$('#library-search').fill('');

    const header = (name) => ui.page.locator('#library-scroll th', { hasText: name });
    assert.equal(await header('Name').getAttribute('aria-sort'), 'ascending');
    await header('Slot').getByRole('button').click();
    assert.equal(await header('Slot').getAttribute('aria-sort'), 'ascending');
    assert.equal(await header('Name').getAttribute('aria-sort'), null);
    assert.deepEqual((await rows(ui)).map((cells) => cells[3]), ['A:11', 'A:11', 'A:01:1', 'A:12', 'B:23', '', '', '']);
    await header('Slot').getByRole('button').click();
    assert.equal(await header('Slot').getAttribute('aria-sort'), 'descending');
    assert.deepEqual((await rows(ui)).map((cells) => cells[3]), ['B:23', 'A:12', 'A:11', 'A:11', 'A:01:1', '', '', ''], 'no slot: last either way');
    await header('Date').getByRole('button').click();
    assert.deepEqual((await rows(ui)).map((cells) => cells[5]), ['Nov 1, 2026', 'Nov 2, 2026', 'Nov 3, 2026', 'Nov 4, 2026', 'Nov 5, 2026', 'Nov 19, 2026', 'Nov 20, 2026', 'Nov 21, 2026']);
    await ui.close();
  });

  test('searching a sorted table gives the rows a sort of the matches would, by every column both ways', async () => {
    // Ties everywhere: names, models and folders equal but for case or leading zeros,
    // equal dates and slots, rows without a slot; each program has its own folder.
    const made = [
      ['Pad 10', 'Nord Stage 3', 'Pad', 'A:11', 0, 1, 'ok', '', 5], ['pad 2', 'nord stage 3', 'Bass', 'A:12', 0, 2, 'unchecked', '', 5],
      ['PAD 02', 'Nord Stage 2', 'Pad', '', 0, 0, 'damaged', 'crc', 3], ['Organ 1', 'Nord Stage 2', 'Organ', 'B:01', 1, 1, 'ok', '', 9],
      ['Grand Pad', 'Nord Electro 6', 'Grand', 'A:11', 0, 1, 'unknown', '', 1], ['pad 10', 'Nord Stage 3', '', '', 0, 0, 'damaged', 'magic', 5],
      ['Lead', 'Nord Lead A1', 'Lead', 'B:01', 1, 1, 'ok', '', 7], ['Pad 1', 'Nord Stage 3', 'Pad', 'A:03', 0, 3, 'ok', '', 2],
      ['Strings pad', 'Nord Stage 2', 'String', 'C:05', 2, 5, 'damaged', 'crc', 8], ['pad', 'Nord Stage 3', 'Pad', 'A:11', 0, 1, 'ok', '', 4],
    ];
    const folders = ['Set 2', 'set 02', 'Set 10', 'Live', 'live', 'Bank 1', 'bank 01', 'Zeta', 'alpha', 'Alpha'];
    const programs = made.map(([name, model, category, slot, bank, location, check, problem, day], i) => ({
      path: `${HOME}/Music/${folders[i]}/${name}.ns3f`, inside: '', name, ext: 'ns3f', model, type: 'ns3f', header: 1, category,
      categoryCode: 8, bank, location, slot, version: 304, check, problem, size: 592, mtime: 1764000000000 + day * 86_400_000, dup: 0,
    }));
    const ui = await browser.open({ view: 'library', rules: { library: [{ reply: { ok: true, programs, folders: [], damaged: 3, total: 10, truncated: false } }] } });
    await readUsual(ui);
    // Each row by its folder, with the category as the table words it (sorting uses those words).
    const shown = () => ui.page.$$eval('#library-scroll tbody tr:not(.spacer)', (trs) => trs.map((tr) => [tr.cells[4].title, tr.cells[2].textContent]));
    const categories = new Map((await shown()).map(([folder, category]) => [folder, category]));
    // A damaged file's header gives no slot.
    const entries = programs.map((program, key) => ({ ...program, ...(program.check === 'damaged' ? { slot: '', bank: 0, location: 0 } : {}), key, folder: `${HOME}/Music/${folders[key]}`, categoryText: categories.get(`${HOME}/Music/${folders[key]}`) }));
    const words = new Intl.Collator('en', { numeric: true, sensitivity: 'base' });
    const checks = ['ok', 'unchecked', 'damaged', 'unknown'];
    const orders = {
      Name: (a, b) => words.compare(a.name, b.name),
      Model: (a, b) => words.compare(a.model, b.model),
      Category: (a, b) => words.compare(a.categoryText, b.categoryText),
      Slot: (a, b) => a.bank - b.bank || a.location - b.location,
      'Folder or backup': (a, b) => words.compare(a.folder, b.folder),
      Date: (a, b) => a.mtime - b.mtime,
      Check: (a, b) => checks.indexOf(a.check) - checks.indexOf(b.check) || words.compare(a.problem, b.problem),
    };
    // What a fresh sort of the matching rows gives: the filter first, then the sort.
    const expected = (column, descending, query) => entries
      .filter((entry) => entry.name.toLowerCase().includes(query))
      .sort((a, b) => (column === 'Slot' ? (a.slot === '') - (b.slot === '') : 0)
        || (descending ? -1 : 1) * orders[column](a, b) || a.key - b.key)
      .map((entry) => entry.folder);
    const check = async (column, descending, query) => {
      await ui.$('#library-search').fill(query);
      assert.deepEqual((await shown()).map(([folder]) => folder), expected(column, descending, query), `${column} ${descending ? 'down' : 'up'}, "${query}"`);
    };
    for (const column of Object.keys(orders)) {
      await ui.page.locator('#library-scroll th', { hasText: column }).getByRole('button').click();
      if (column === 'Name') await ui.page.locator('#library-scroll th', { hasText: column }).getByRole('button').click();
      for (const descending of [false, true]) {
        await check(column, descending, '');
        await check(column, descending, 'pad');
        await check(column, descending, 'pad 1');
        await check(column, descending, '');
        if (!descending) await ui.page.locator('#library-scroll th', { hasText: column }).getByRole('button').click();
      }
    }
    await ui.close();
  });

  test('installed copies are left out of the table, duplicates and set list unless asked for; a name that cannot be shown is counted', async () => {
    const pad = (dir, own) => ({
      path: `${dir}/Warm Pad.ns3f`, inside: '', name: 'Warm Pad', ext: 'ns3f', model: 'Nord Stage 3', type: 'ns3f', header: 1,
      category: 'Pad', categoryCode: 8, bank: 0, location: 0, slot: 'A:11', version: 304, check: 'ok', problem: '', size: 592,
      mtime: 1764000000000, dup: 4, own,
    });
    const installed = `${HOME}/Desktop/Velmorin/Nord Stage 3/Programs (.ns3f)`;
    const reply = {
      ok: true, programs: [pad(`${HOME}/Music/Live`, false), pad(`${HOME}/Downloads`, false), pad(installed, true)],
      folders: [], damaged: 0, total: 3, truncated: false, unlisted: 2,
    };
    const ui = await browser.open({ view: 'library', rules: { library: [{ reply }] } });
    await readUsual(ui);
    await ui.shows('#library-count', '2 of 2 programs shown · 1 installed copy left out · 2 files with names that cannot be shown are not listed');
    assert.deepEqual(await names(ui), ['Warm PadSame as 1 other', 'Warm PadSame as 1 other']);
    await ui.page.getByLabel('Include installed copies').check();
    await ui.shows('#library-count', '3 of 3 programs shown');
    assert.deepEqual(await names(ui), ['Warm PadSame as 2 others', 'Warm PadSame as 2 others', 'Warm PadSame as 2 othersInstalled copy']);
    await ui.page.getByLabel('Include installed copies').uncheck();
    await ui.button('Export set list…').click();
    const [save] = await ui.waitForSent('saveSetList');
    assert.equal(save.args.rows.length, 2, 'the installed copy is not exported');
    await ui.close();
  });

  test('"Group duplicates" brings identical files together, each marked', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.page.locator('#library-scroll th', { hasText: 'Date' }).getByRole('button').click();
    const dates = async () => (await rows(ui)).map((cells) => `${cells[0]} ${cells[4]}`);
    assert.deepEqual((await dates())[1], 'Warm PadSame as 1 other Downloads');
    assert.equal((await dates())[6], 'Warm PadSame as 1 other Live set', 'apart while not grouped');
    await ui.page.getByLabel('Group duplicates').check();
    assert.deepEqual(await dates(), ['Strange Downloads', 'Warm PadSame as 1 other Downloads', 'Warm PadSame as 1 other Live set', 'Old Organ Downloads',
      'Mystery Downloads', 'StringsRestore… Backup: Backup 2026.ns3b', 'Broken Lead Live set', 'Grand Lady Live set']);
    assert.equal(await ui.$('#library-scroll tr.is-dup').count(), 2);
    await ui.close();
  });

  test('hostile names, folders and models are shown as text, never as markup', async () => {
    const hostile = ['<img src=x onerror="window.__pwned=1">', '<script>window.__pwned=2</script>', '\u202Egnp.exe\u202C & "quotes"', 'W'.repeat(600)];
    const reply = {
      ok: true,
      programs: hostile.map((name, i) => ({
        path: `/home/ana/<b>x</b>/${i}.ns3f`, inside: i === 1 ? '/home/ana/<i>b</i>.ns3b' : '', name, ext: 'ns3f', model: '<u>Model</u>',
        type: 'ns3f', header: 1, category: '<em>Pad</em>', categoryCode: 8, bank: 0, location: i, slot: `A:1${i + 1}`,
        version: 304, check: 'ok', problem: '', size: 592, mtime: 1764000000000, dup: 0,
      })),
      folders: [{ dir: '/home/ana/<b>x</b>', count: 4, models: ['<u>Model</u>'], newest: 1764000000000 }],
      damaged: 0, total: 4, truncated: false,
    };
    const ui = await browser.open({ view: 'library' });
    await ui.rule('library', { reply });
    await readUsual(ui);
    const cells = await ui.page.$$eval('#library-scroll tbody tr .name-text', (spans) => spans.map((span) => span.textContent));
    // Text-direction characters are shown, not obeyed: the name reads as it is stored.
    const shown = hostile.map((name) => name.replace('\u202E', '⟨U+202E⟩').replace('\u202C', '⟨U+202C⟩'));
    assert.deepEqual(cells.sort(), shown.sort());
    assert.equal(await ui.page.evaluate(() => window.__pwned), undefined);
    assert.equal(await ui.$('#library img, #library script, #library b, #library u, #library em, #library i').count(), 0);
    await ui.shows('#library-folders .path', '/home/ana/<b>x</b>');
    assert.ok((await ui.$('#library-model option').allTextContents()).includes('<u>Model</u>'));
    // A very long name is cut within its cell: the page never scrolls sideways.
    assert.equal(await ui.page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), true);
    await ui.close();
  });

  test('control and text-direction characters in names are shown as marks, and a name never reorders its line', async () => {
    const entry = (name, inside, problem) => ({
      path: `Program/${name}.ns3f`, inside, name, ext: 'ns3f', model: 'Nord Stage 3', type: 'ns3f', header: 1, category: 'Pad',
      categoryCode: 8, bank: 0, location: 0, slot: 'A:11', version: 304, check: 'damaged', problem, size: 592, mtime: 1764000000000, dup: 0,
    });
    const reply = {
      ok: true,
      programs: [entry('Bell\u0000\u0007\u202Eexe.', '/home/ana/\u202Ekcab.ns3b', 'zipCrc'), entry('שלום', '/home/ana/Live.ns3b', 'short'),
        { ...entry('Huge', '', 'zipLimit'), path: '/home/ana/Huge.ns3b', ext: 'ns3b', model: '', slot: '' }],
      folders: [], damaged: 3, total: 3, truncated: false,
    };
    const ui = await browser.open({ view: 'library' });
    await ui.rule('library', { reply });
    await readUsual(ui);
    assert.deepEqual((await rows(ui)).map((cells) => cells.slice(0, 1).concat(cells[4])).sort(), [
      ['Bell␀␇⟨U+202E⟩exe.', 'Backup: ⟨U+202E⟩kcab.ns3b'], ['Huge', 'ana'], ['שלום', 'Backup: Live.ns3b']]);
    assert.equal(await ui.$('#library-scroll .name-text').first().getAttribute('dir'), 'auto');
    const items = await ui.$('#library-damaged li').allTextContents();
    assert.deepEqual(items.sort(), [
      '\u2068Bell␀␇⟨U+202E⟩exe.\u2069, in \u2068Backup: ⟨U+202E⟩kcab.ns3b\u2069: It does not match the checksum the backup keeps for it: it is damaged',
      '\u2068Huge\u2069, in \u2068ana\u2069: The backup would take far more to unpack than it holds (entries that overlap, or too many): it was read no further',
      '\u2068שלום\u2069, in \u2068Backup: Live.ns3b\u2069: Too short to be a program file: it is empty or cut off',
    ].sort());
    await ui.close();
  });

  test('ten thousand programs: only the rows in view are in the page, and the last one can be scrolled to', async () => {
    const ui = await browser.open({ view: 'library' });
    // Made inside the page: ten thousand objects cross from the test slowly.
    await ui.page.evaluate(`window.__mock.rule('library', { reply: (${bigLibrary})(10000) })`);
    await readUsual(ui);
    await ui.shows('#library-count', '10,000 of 10,000 programs shown');
    await ui.shows('#library-result', 'There are more programs than can be listed: only the first 10,000 are shown.');
    assert.equal(await ui.$('#library-scroll table').getAttribute('aria-rowcount'), '10001');
    const drawn = await ui.$('#library-scroll tbody tr:not(.spacer)').count();
    assert.ok(drawn > 0 && drawn <= 60, `${drawn} rows drawn`);
    await ui.$('#library-scroll').evaluate((scroller) => { scroller.scrollTop = scroller.scrollHeight; });
    const last = ui.page.locator('#library-scroll tbody tr', { hasText: 'Program 09999' });
    await last.waitFor();
    assert.equal(await last.getAttribute('aria-rowindex'), '10001');
    assert.equal(await last.evaluate((tr) => tr.getBoundingClientRect().height), 42, 'the height the drawing counts on');
    assert.ok(await ui.$('#library-scroll tbody tr:not(.spacer)').count() <= 60);
    await ui.$('#library-search').fill('Program 0500');
    assert.deepEqual(await names(ui), Array.from({ length: 10 }, (_, i) => `Program 0500${i}`));
    await ui.close();
  });

  test('a long library in no order: its top painted first, then every row in order down to the last', async () => {
    const ui = await browser.open({ view: 'library' });
    // The reply in a shuffled order, so the table's order is all the page's own.
    await ui.page.evaluate(`(() => {
      const reply = (${bigLibrary})(1000);
      reply.truncated = false;
      reply.programs.sort((a, b) => ((a.location * 7919 + a.bank * 31 + a.mtime) % 997) - ((b.location * 7919 + b.bank * 31 + b.mtime) % 997));
      window.__mock.rule('library', { reply });
    })()`);
    await readUsual(ui);
    const top = await names(ui);
    assert.deepEqual(top, top.map((_, i) => `Program ${String(i).padStart(5, '0')}`));
    const scroller = ui.$('#library-scroll');
    for (const at of [0.3, 0.6, 1]) {
      await scroller.evaluate((element, part) => { element.scrollTop = element.scrollHeight * part; }, at);
      await ui.page.waitForFunction(() => document.querySelector('#library-scroll tbody tr:not(.spacer)').getAttribute('aria-rowindex') !== '2');
      const shown = await ui.page.$$eval('#library-scroll tbody tr:not(.spacer)', (trs) => trs.map((tr) => [Number(tr.getAttribute('aria-rowindex')), tr.cells[0].textContent]));
      for (const [index, name] of shown) assert.equal(name, `Program ${String(index - 2).padStart(5, '0')}`);
    }
    await ui.close();
  });

  test('reading shows its progress, and Cancel stops it with nothing changed', async () => {
    const ui = await browser.open({ view: 'library', rules: { library: [{ hold: true }] } });
    await ui.button('Read usual folders').click();
    await ui.waitForSent('library');
    await ui.progress('library', { phase: 'scan', done: 3, total: 10, bytes: 0, totalBytes: 0 });
    await ui.shows('#library-progress', '3 of 10 folders searched');
    await ui.button('Cancel reading the library').click();
    await ui.shows('#library-result', 'Cancelled. Nothing was changed.');
    const [read] = await ui.sent('library');
    assert.deepEqual((await ui.sent('cancel')).map((m) => m.args), [{ id: read.id }]);
    assert.equal(await ui.$('#library-progress').isVisible(), false);
    assert.equal(await ui.$('#library-view').isVisible(), false);
    assert.equal(await ui.focused(), 'library-usual');
    await ui.close();
  });

  test('every control is reached with Tab, shows its focus, and the headings sort with Enter and Space', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.$('#library-usual').focus();
    const reached = [];
    for (let i = 0; i < 34; i += 1) {
      await ui.page.keyboard.press('Tab');
      reached.push(await ui.page.evaluate(() => {
        const node = document.activeElement;
        const outline = getComputedStyle(node).outlineStyle;
        return `${node.id || node.textContent.trim()}${outline === 'none' ? ' (no focus ring)' : ''}`;
      }));
    }
    // Each name opens its sheet; a program inside a backup can be restored.
    assert.deepEqual(reached.slice(0, 33), ['library-folder', 'library-search', 'library-model', 'library-category', 'library-check',
      'library-piano', 'library-organ', 'library-synth', 'library-dups', 'library-copies', 'library-needs', 'library-export', 'library-print',
      'library-print-sheets', 'library-scroll', 'Name▲', 'Model', 'Category', 'Slot', 'Folder or backup', 'Date', 'Check',
      'Broken Lead', 'Grand Lady', 'Mystery', 'Old Organ', 'Strange', 'Strings', 'Restore…', 'Warm Pad', 'Warm Pad', 'Install', 'Show in folder']);
    await ui.page.locator('#library-scroll th', { hasText: 'Slot' }).getByRole('button').focus();
    await ui.page.keyboard.press('Enter');
    assert.equal(await ui.page.locator('#library-scroll th', { hasText: 'Slot' }).getAttribute('aria-sort'), 'ascending');
    await ui.page.keyboard.press('Space');
    assert.equal(await ui.page.locator('#library-scroll th', { hasText: 'Slot' }).getAttribute('aria-sort'), 'descending');
    for (let i = 0; i < 10; i += 1) await ui.page.keyboard.press('Shift+Tab');
    assert.equal(await ui.focused(), 'library-dups');
    await ui.page.keyboard.press('Space');
    assert.equal(await ui.$('#library-dups').isChecked(), true);
    await ui.close();
  });

  test('a folder row installs that folder (programs and model filled in) or shows it in the file viewer', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    const folders = ui.$('#library-folders li');
    assert.equal(await folders.count(), 3);
    assert.equal(await folders.nth(1).getByRole('button', { name: /^Install/ }).count(), 0, 'only a backup there: nothing to install');
    assert.match(await folders.nth(2).innerText(), /Nord Electro 6, Nord Stage 2, Nord Stage 3 · 4 programs · newest Nov 4, 2026/);

    await ui.button('Show in folder: Downloads').click();
    const [reveal] = await ui.waitForSent('reveal');
    assert.deepEqual(reveal.args, { path: `${HOME}/Downloads` });

    // A model typed for programs of the same kind gives way: the folder names its own.
    await ui.view('install');
    await ui.button('Search usual folders').click();
    await ui.shows('#install-summary', 'Programs: 24 files (.ns3f)');
    await ui.$('#model').fill('My Stage');
    await ui.view('library');
    await ui.button('Install the folder Live set').click();
    assert.equal(await ui.focused(), 'install-button');
    assert.equal(await ui.$('#model').inputValue(), 'Nord Stage 3');
    await ui.shows('#install-summary', 'Programs: 3 files (.ns3f)');
    await ui.$('#install-button').click();
    const [plan] = await ui.waitForSent('plan');
    assert.deepEqual(plan.args, {
      dest: `${HOME}/Desktop/Velmorin`, model: 'Nord Stage 3', list: `${HOME}/Documents/Nord Stage 3 Program List.html`,
      progs: `${HOME}/Music/Nord/Live set`, ext: 'ns3f',
    }, 'the list found before stays; the programs are the folder\'s');
    await ui.close();
  });

  test('export: the rows shown, in keyboard order and with their folders, go to the file named in the save dialog; a refusal is shown with its reason', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.$('#library-model').selectOption({ label: 'Nord Stage 3' });
    await ui.$('#library-export').click();
    const [pick] = await ui.waitForSent('pickSaveFile');
    assert.equal(pick.args.kind, 'setList');
    const [save] = await ui.waitForSent('saveSetList');
    const stamp = new Date().toISOString().slice(0, 10);
    const LIVE = `${HOME}/Music/Nord/Live set`;
    assert.deepEqual(save.args, {
      path: `${HOME}/Documents/Set list ${stamp}.csv`,
      replace: false,
      rows: [
        { slot: 'A:11', name: 'Warm Pad', category: 'Pad', model: 'Nord Stage 3', folder: LIVE, summary: 'A: Classic synth' },
        { slot: 'A:11', name: 'Warm Pad', category: 'Pad', model: 'Nord Stage 3', folder: `${HOME}/Downloads`, summary: 'A: Classic synth' },
        { slot: 'A:12', name: 'Strings', category: 'Strings', model: 'Nord Stage 3', folder: `${HOME}/Documents/Backup 2026.ns3b`, summary: 'A: Upright (Ballad Upright) + Sample synth (Velvet Strings)' },
        { slot: 'B:23', name: 'Grand Lady', category: 'Grand piano', model: 'Nord Stage 3', folder: LIVE, summary: 'A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)' },
        { slot: '', name: 'Broken Lead', category: '', model: 'Nord Stage 3', folder: LIVE, summary: 'A: Electric (?)' },
        { slot: '', name: 'Strange', category: '', model: 'Nord Stage 3', folder: `${HOME}/Downloads`, summary: '' },
      ],
    });
    await ui.shows('#library-export-result', 'Set list saved with 6 programs.');
    await ui.shows('#library-export-result .path', `${HOME}/Documents/Set list `);
    // Another filter: the report named rows no longer shown.
    await ui.$('#library-search').fill('Grand');
    assert.equal(await ui.text('#library-export-result'), '');

    // The dialog asked to replace an existing file and the user said yes.
    await ui.rule('pickSaveFile', { reply: { path: `${HOME}/Gig.csv`, replace: true }, once: true });
    await ui.rule('saveSetList', { reply: { ok: false, error: 'Could not write to "/home/ana/Gig.csv": Permission denied', code: 'permission' } });
    await ui.$('#library-export').click();
    await ui.shows('#library-export-result [role=alert]', 'The set list could not be saved. Could not write to "/home/ana/Gig.csv": Permission denied');
    const saves = await ui.sent('saveSetList');
    assert.deepEqual({ ...saves[1].args, rows: saves[1].args.rows.map((row) => row.name) }, { path: `${HOME}/Gig.csv`, replace: true, rows: ['Grand Lady'] });
    await ui.button('Choose another file…').click();
    await ui.waitForSent('pickSaveFile', 3);

    await ui.rule('pickSaveFile', { reply: { cancel: true } });
    await ui.$('#library-export').click();
    await ui.waitForSent('pickSaveFile', 4);
    await ui.$('#library-search').fill('nothing like it');
    await ui.$('#library-export').click();
    await ui.shows('#library-export-result', 'No programs are shown, so there is nothing to export.');
    assert.equal((await ui.sent('pickSaveFile')).length, 4);
    assert.equal((await ui.sent('saveSetList')).length, 3);
    await ui.close();
  });
});
