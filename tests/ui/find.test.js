// Step 1: searching the usual folders, a chosen folder or a folder of lists.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { libraryWithFolders } from './support/found.js';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();
const HOSTILE = '<img src=x onerror=alert(1)>.ns3f';

describe('finding programs', { timeout: 120_000 }, () => {
  test('the usual folders: the list and the program folder are shown, each with "Show in folder"', async () => {
    const ui = await browser.open();
    await ui.button('Search usual folders').click();
    const [scan] = await ui.waitForSent('scan');
    assert.deepEqual(scan.args, {}, 'no folder and no date were given');
    await ui.shows('#find-results', 'Nord Stage 3 Program List.html');
    const [list, progs] = await ui.$('#find-results article').allInnerTexts();
    assert.match(list, /Model\s+Nord Stage 3\s+Size\s+48 kB\s+Folder\s+\/home\/ana\/Documents/);
    assert.match(progs, /Nord Stage 3\s+Programs\s+24\s+Size\s+3\.4 MB\s+Folder\s+\/home\/ana\/Documents\/Nord\/Live set/);
    await ui.button('Show in folder: Nord Stage 3 Program List.html').click();
    await ui.button('Show in folder: Live set').click();
    const reveals = await ui.waitForSent('reveal', 2);
    assert.deepEqual(reveals.map((m) => m.args.path), ['/home/ana/Documents/Nord Stage 3 Program List.html', '/home/ana/Documents/Nord/Live set']);
    await ui.close();
  });

  test('"changed since" becomes "since": local midnight of that day in milliseconds', async () => {
    const ui = await browser.open({ timezoneId: 'Pacific/Auckland' });
    await ui.$('#since').fill('2024-03-15');
    await ui.button('Search usual folders').click();
    const [scan] = await ui.waitForSent('scan');
    assert.deepEqual(scan.args, { since: Date.UTC(2024, 2, 14, 11) }, 'midnight in Auckland (UTC+13)');
    await ui.close();
  });

  test('a date that is not a real day is refused before any search', async () => {
    const ui = await browser.open();
    // Browsers without a date picker show a plain text field; mimic one.
    await ui.$('#since').evaluate((input) => { input.type = 'text'; });
    await ui.$('#since').fill('2024-02-30');
    await ui.button('Search a folder…').click();
    await ui.shows('#since-error', 'Enter the date as YYYY-MM-DD, or leave the field empty.');
    assert.equal(await ui.$('#since').getAttribute('aria-invalid'), 'true');
    assert.deepEqual([...await ui.sent('pickFolder'), ...await ui.sent('scan')], []);
    await ui.$('#since').fill('');
    await ui.button('Search usual folders').click();
    await ui.waitForSent('scan');
    assert.equal(await ui.$('#since-error').isVisible(), false);
    await ui.close();
  });

  test('the date field shows the format it wants, refuses a half-typed day, and Clear empties it in one action', async () => {
    for (const [locale, placeholder, clear] of [['en-US', 'YYYY-MM-DD', 'Clear the date'], ['es-ES', 'AAAA-MM-DD', 'Borrar la fecha']]) {
      const ui = await browser.open({ locale });
      const since = ui.$('#since');
      assert.equal(await since.inputValue(), '', 'an empty field shows no date');
      assert.equal(await since.getAttribute('placeholder'), placeholder);
      assert.ok((await ui.text('#since-hint')).includes(placeholder), 'the hint names the format the field shows');
      assert.equal(await ui.button(clear).isVisible(), false);
      await since.pressSequentially('2024-03');
      await ui.$('#scan-usual').click();
      await ui.shows('#since-error', placeholder);
      assert.deepEqual(await ui.sent('scan'), []);
      await ui.button(clear).click();
      assert.deepEqual([await since.inputValue(), await since.getAttribute('aria-invalid'), await ui.$('#since-error').isVisible()], ['', null, false]);
      assert.equal(await ui.focused(), 'since');
      await ui.$('#scan-usual').click();
      const [scan] = await ui.waitForSent('scan');
      assert.deepEqual(scan.args, {});
      await ui.close();
    }
  });

  test('every folder found is listed newest first; the chosen one is installed whole, and the model follows its programs', async () => {
    const day = (d) => new Date(2024, 2, d, 12).getTime();
    const folders = [
      { dir: '/home/ana/Documents/Nord/Live set', ext: 'ns3f', model: 'Nord Stage 3', count: 24, newest: day(12) },
      { dir: '/home/ana/Music/Electro', ext: 'ne6p', model: 'Nord Electro 6', count: 3, newest: day(5) },
      { dir: '/home/ana/Music/Old stage', ext: 'ns3f', model: 'Nord Stage 3', count: 1, newest: day(1) },
      ...Array.from({ length: 200 }, (_, i) => ({ dir: `/old/${i}/set`, ext: 'ns3f', model: 'Nord Stage 3', count: 1, newest: day(1) })),
    ];
    const scan = {
      list: { path: '/home/ana/Documents/Nord Stage 3 Program List.html', name: 'Nord Stage 3 Program List.html', model: 'Nord Stage 3', size: 48213 },
      progs: { dir: '/home/ana/Documents/Nord/Live set', count: 24, ext: 'ns3f', model: 'Nord Stage 3', size: 3412000 },
    };
    // The folders come from the library's walk; an installed copy is never offered.
    const library = libraryWithFolders(folders);
    library.folders.unshift({ dir: '/home/ana/Desktop/Velmorin/Nord Stage 3/Programs (.ns3f)', count: 24, models: ['Nord Stage 3'], newest: day(13), own: true, programs: { ns3f: 24 } });
    // Given after opening: 200 folders would make the page's address too long.
    const ui = await browser.open();
    await ui.rule('scan', { reply: scan });
    await ui.rule('library', { reply: library });
    await ui.$('#scan-usual').click();
    const group = ui.page.getByRole('group', { name: 'Every folder with programs (200)' });
    await group.getByRole('radio').nth(199).waitFor();  // a slow machine renders after the click returns
    assert.equal(await group.getByRole('radio').count(), 200);
    assert.ok(await ui.page.getByRole('radio', { name: 'Nord Stage 3 · 24 programs · changed Mar 12, 2024' }).isChecked(), 'the search\'s own choice');
    await ui.shows('#find-results article', 'Newest change');

    await ui.$('#install-button').click();
    await ui.shows('#install-result', 'Installed');
    await ui.$('#model').fill('My Stage');
    await ui.page.getByRole('radio', { name: /^Nord Stage 3 · 1 program · changed Mar 1, 2024/ }).first().check();
    await ui.shows('#install-summary', 'Programs: 1 file (.ns3f)');
    assert.equal(await ui.$('#model').inputValue(), 'My Stage', 'same kind of programs: the typed model stays');
    await ui.page.getByRole('radio', { name: /Nord Electro 6 · 3 programs/ }).check();
    await ui.shows('#install-summary', 'Programs: 3 files (.ne6p)');
    assert.equal(await ui.$('#model').inputValue(), 'Nord Electro 6', 'other programs: the typed model does not stay');
    assert.ok(await ui.page.evaluate(() => document.activeElement.matches('input[type=radio]:checked')), 'focus stays on the choice');
    await ui.shows('#find-results article', '/home/ana/Music/Electro');

    await ui.$('#install-button').click();
    const plans = await ui.waitForSent('plan', 2);
    assert.deepEqual(plans[1].args, {
      dest: '/home/ana/Desktop/Velmorin', model: 'Nord Electro 6', list: scan.list.path, progs: '/home/ana/Music/Electro', ext: 'ne6p',
    });
    await ui.shows('#install-result', 'Installed');
    await ui.$('#scan-usual').click();
    await ui.waitForSent('scan', 2);
    await ui.page.waitForFunction(() => document.getElementById('install-result').childElementCount === 0);
    await ui.close();
  });

  test('every list is offered with its model, and a pack with its banks together, in name order', async () => {
    const day = (d) => new Date(2024, 2, d, 12).getTime();
    const lists = [
      { path: '/home/ana/Downloads/my programs.html', name: 'my programs.html', model: 'Nord Stage 2', modified: day(9) },
      { path: '/home/ana/Documents/Nord Stage 3 Program List.html', name: 'Nord Stage 3 Program List.html', model: 'Nord Stage 3', modified: day(2) },
    ];
    const scan = {
      list: { path: lists[0].path, name: lists[0].name, model: lists[0].name, size: 900 },
      lists,
      progs: { dir: '/home/ana/Music/Pack/Bank B', count: 2, ext: 'ns3f', model: 'Nord Stage 3', size: 1184 },
    };
    const bank = (name, d) => ({ dir: `/home/ana/Music/Pack/${name}`, count: 2, models: ['Nord Stage 3'], newest: day(d), own: false, programs: { ns3f: 2 } });
    const library = {
      ok: true,
      programs: [{ path: '/a.ns3f', ext: 'ns3f', model: 'Nord Stage 3' }],
      folders: [bank('Bank B', 8), bank('Bank K', 7), bank('Bank A', 3)],
    };
    const ui = await browser.open({ rules: { scan: [{ reply: scan }], library: [{ reply: library }] } });
    await ui.$('#scan-usual').click();
    const listGroup = ui.page.getByRole('group', { name: 'Every program list (2)' });
    await listGroup.waitFor();
    // The search's word for a list's model is its whole name when it names none: not shown as a model.
    assert.match(await ui.text('#find-results article[aria-label="Program list"]'), /my programs\.html\s+Model\s+Nord Stage 2/);
    await ui.page.getByRole('radio', { name: /^Nord Stage 3 Program List\.html · Nord Stage 3/ }).check();
    await ui.shows('#install-summary', 'List: Nord Stage 3 Program List.html');

    const choices = await ui.page.getByRole('group', { name: /Every folder with programs/ }).getByRole('radio').evaluateAll(
      (radios) => radios.map((radio) => radio.closest('label').querySelector('.choice-name').textContent));
    assert.deepEqual(choices, [
      'Pack · Nord Stage 3 · 3 banks · 6 programs · changed Mar 8, 2024',
      'Bank A · Nord Stage 3 · 2 programs · changed Mar 3, 2024',
      'Bank B · Nord Stage 3 · 2 programs · changed Mar 8, 2024',
      'Bank K · Nord Stage 3 · 2 programs · changed Mar 7, 2024',
    ]);
    await ui.page.getByRole('radio', { name: /^Pack · / }).check();
    await ui.shows('#find-results article[aria-label="Program files"]', 'Bank A, Bank B, Bank K');
    await ui.$('#install-button').click();
    const [plan] = await ui.waitForSent('plan');
    assert.deepEqual(plan.args, {
      dest: '/home/ana/Desktop/Velmorin', model: 'Nord Stage 3', list: lists[1].path, progs: '/home/ana/Music/Pack', ext: 'ns3f', subfolders: true,
    });
    await ui.close();
  });

  test('a chosen folder is scanned with "dir"; cancelling the chooser searches nothing', async () => {
    const ui = await browser.open({ rules: { pickFolder: [{ reply: { cancel: true }, once: true }] } });
    await ui.button('Search a folder…').click();
    await ui.waitForSent('pickFolder');
    await ui.shows('#scan-folder', 'Search a folder…');
    assert.deepEqual(await ui.sent('scan'), []);
    await ui.button('Search a folder…').click();
    const picks = await ui.waitForSent('pickFolder', 2);
    assert.deepEqual(picks.map((m) => m.args), [{ kind: 'progs' }, { kind: 'progs' }]);
    const [scan] = await ui.waitForSent('scan');
    assert.deepEqual(scan.args, { dir: '/home/ana/Music/Nord Programs' });
    await ui.shows('#find-results', 'Live set');
    await ui.close();
  });

  test('a folder of lists replaces only the list, and says so when it holds none', async () => {
    const listOnly = { list: { path: '/home/ana/Documents/Lists/Electro 6 Program list.htm', name: 'Electro 6 Program list.htm', model: 'Electro 6', size: 900 } };
    const ui = await browser.open({ rules: { scan: [{ when: { dir: '/home/ana/Documents/Lists' }, reply: listOnly, once: true }, { when: { dir: '/home/ana/Documents/Lists' }, reply: {} }] } });
    await ui.button('Search usual folders').click();
    await ui.shows('#find-results', 'Nord Stage 3 Program List.html');
    await ui.button('Folder with lists…').click();
    await ui.shows('#find-results', 'Electro 6 Program list.htm');
    assert.deepEqual((await ui.sent('pickFolder'))[0].args, { kind: 'list' });
    assert.deepEqual((await ui.sent('scan'))[1].args, { dir: '/home/ana/Documents/Lists' });
    await ui.shows('#find-results', '900 bytes');
    await ui.shows('#find-results', 'Live set');
    await ui.button('Folder with lists…').click();
    await ui.shows('#find-results', 'No program list was found in Lists. The list found before is kept.');
    await ui.shows('#find-results', 'Electro 6 Program list.htm');
    await ui.close();
  });

  test('an empty scan gets a plain message; a failed one says why', async () => {
    const ui = await browser.open({ rules: { scan: [{ reply: {}, once: true }, { reply: { error: 'cmd' } }] } });
    await ui.button('Search usual folders').click();
    await ui.shows('#find-results', 'No program lists or program files were found.');
    await ui.shows('#install-summary', 'List: none found');
    await ui.button('Search usual folders').click();
    await ui.shows('#find-results [role=alert]', 'The search failed. This version of Velmorin Sync does not know the command “scan”.');
    await ui.close();
  });

  test('while a search runs its button is busy, the other search buttons wait, the rest of the page works', async () => {
    const ui = await browser.open({ rules: { scan: [{ hold: true }] } });
    const usual = ui.$('#scan-usual');
    await usual.click();
    await ui.waitForSent('scan');
    assert.equal(await usual.getAttribute('aria-busy'), 'true');
    assert.equal(await usual.innerText(), 'Searching…');
    assert.equal(await ui.$('#find-progress').isVisible(), true);
    assert.equal(await ui.$('#scan-folder').getAttribute('aria-disabled'), 'true');
    await usual.click();
    await ui.$('#scan-folder').click({ force: true });
    assert.equal((await ui.sent('scan')).length, 1);
    assert.deepEqual(await ui.sent('pickFolder'), []);
    await ui.button('Check again').click();
    await ui.waitForSent('nord', 2);
    await ui.shows('#keyboard-state', 'Nord Stage 3 connected');
    await ui.release('scan');
    await ui.shows('#find-results', 'Live set');
    assert.equal(await ui.$('#find-progress').isVisible(), false);
    assert.equal(await ui.$('#scan-folder').getAttribute('aria-disabled'), null);
    assert.equal(await usual.innerText(), 'Search usual folders');
    await ui.close();
  });

  test('names and paths from replies are shown as text and never run', async () => {
    const hostile = {
      list: { path: `/tmp/${HOSTILE}`, name: HOSTILE, model: '<b>bold</b>', size: 10 },
      progs: { dir: '/tmp/<script>alert(2)</script>', count: 1, ext: 'ns3f', model: '<svg onload=alert(3)>', size: 5 },
    };
    const ui = await browser.open({ rules: { scan: [{ reply: hostile }], nord: [{ reply: { connected: true, name: '<i>Nord</i>' } }] } });
    await ui.button('Search usual folders').click();
    await ui.shows('#find-results', HOSTILE);
    await ui.shows('#find-results', '/tmp/<script>alert(2)</script>');
    await ui.shows('#keyboard-state', '<i>Nord</i> connected');
    await ui.shows('#install-summary', `List: ${HOSTILE}`);
    assert.equal(await ui.$('#model').inputValue(), '<svg onload=alert(3)>');
    const injected = await ui.page.evaluate(() => document.querySelectorAll('main img, main script, main svg, main b, main i').length);
    assert.equal(injected, 0);
    await ui.close(); // also fails on any dialog the names could have opened
  });
});
