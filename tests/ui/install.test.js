// Step 2: the install request, its result, its failures and the destination.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

async function openWithFindings(options) {
  const ui = await browser.open(options);
  await ui.shows('#dest-path', '/home/ana/Desktop/Velmorin');
  await ui.button('Search usual folders').click();
  await ui.shows('#install-summary', 'Programs: 24 files (.ns3f)');
  return ui;
}

describe('installing', { timeout: 120_000 }, () => {
  test('sends what was found with the edited model, and reports counts and size', async () => {
    const ui = await openWithFindings();
    assert.equal(await ui.$('#model').inputValue(), 'Nord Stage 3');
    await ui.$('#model').fill('  Stage 3/Live ');
    await ui.button('Install').click();
    const [install] = await ui.waitForSent('install');
    assert.deepEqual((await ui.sent('plan'))[0].args, install.args, 'the plan asked about the same install');
    assert.equal(await ui.page.getByRole('alertdialog').count(), 0, 'a first install is not asked about');
    assert.deepEqual(install.args, {
      dest: '/home/ana/Desktop/Velmorin', model: 'Stage 3/Live',
      list: '/home/ana/Documents/Nord Stage 3 Program List.html', progs: '/home/ana/Documents/Nord/Live set', ext: 'ns3f',
    });
    await ui.shows('#install-result', 'Installed 24 programs and 1 list, 3.5 MB in all.');
    await ui.shows('#install-result', '/home/ana/Desktop/Velmorin/Stage 3-Live');
    await ui.button('Show in folder: Stage 3-Live').click();
    const [reveal] = await ui.waitForSent('reveal');
    assert.deepEqual(reveal.args, { path: '/home/ana/Desktop/Velmorin/Stage 3-Live' });
    await ui.close();
  });

  test('a list alone: no program keys are sent and the counts read in the singular', async () => {
    const listOnly = { list: { path: '/d/Piano Program List.html', name: 'Piano Program List.html', model: 'Piano', size: 1 } };
    const ui = await browser.open({ rules: { scan: [{ reply: listOnly }], install: [{ reply: { ok: true, count: 1, lists: 1, bytes: 999, path: '/d/Piano', root: '/d' } }] } });
    await ui.button('Search usual folders').click();
    await ui.shows('#install-summary', 'Programs: none found');
    await ui.button('Install').click();
    const [install] = await ui.waitForSent('install');
    assert.deepEqual(Object.keys(install.args).sort(), ['dest', 'list', 'model']);
    assert.equal(install.args.model, 'Piano');
    await ui.shows('#install-result', 'Installed 1 program and 1 list, 999 bytes in all.');
    await ui.close();
  });

  test('the report reads naturally: no "0 lists", sizes apart when known, nothing copied said plainly', async () => {
    const path = '/home/ana/Desktop/Velmorin/Nord Stage 3';
    const ui = await openWithFindings({ rules: { install: [
      { reply: { ok: true, count: 24, lists: 0, bytes: 3460213, programBytes: 3400000, archiveBytes: 60213, trashed: 0, skipped: 0, path }, once: true },
      { reply: { ok: true, count: 0, lists: 1, bytes: 900, programBytes: 0, archiveBytes: 0, path }, once: true },
      { reply: { ok: true, count: 0, lists: 0, bytes: 0, path } },
    ] } });
    for (const expected of ['Installed 24 programs: programs 3.4 MB, archive 60 kB.', 'Installed 1 list, 900 bytes in all.', 'Nothing needed copying.']) {
      await ui.button('Install').click();
      await ui.shows('#install-result [role=status] p', expected);
    }
    assert.doesNotMatch(await ui.text('#install-result'), /Trash|left out/);
    await ui.close();
  });

  test('a typed model stays while the programs keep their type; programs of another type bring their own', async () => {
    const electro = { progs: { dir: '/e', count: 3, ext: 'ne6p', model: 'Nord Electro 6', size: 30 } };
    const ui = await openWithFindings({ rules: { scan: [{ when: { dir: '/home/ana/Music/Nord Programs' }, reply: electro }] } });
    await ui.$('#model').fill('My Stage');
    await ui.button('Search usual folders').click();
    await ui.waitForSent('scan', 2);
    await ui.shows('#install-summary', 'Programs: 24 files (.ns3f)');
    assert.equal(await ui.$('#model').inputValue(), 'My Stage');
    await ui.button('Search a folder…').click();
    await ui.shows('#install-summary', 'Programs: 3 files (.ne6p)');
    assert.equal(await ui.$('#model').inputValue(), 'Nord Electro 6');
    await ui.shows('#model-hint', 'Filled in for the chosen programs (.ne6p).');
    await ui.close();
  });

  test('"Change…" picks a destination of kind "dest" that the install then uses', async () => {
    const ui = await openWithFindings({ rules: { pickFolder: [{ reply: { cancel: true }, once: true }] } });
    await ui.button('Change destination').click();
    await ui.waitForSent('pickFolder');
    await ui.shows('#dest-label', 'Desktop › Velmorin');
    await ui.button('Change destination').click();
    const picks = await ui.waitForSent('pickFolder', 2);
    assert.deepEqual(picks[1].args, { kind: 'dest' });
    await ui.shows('#dest-label', 'NORD USB › Backups');
    await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
    await ui.button('Install').click();
    const [install] = await ui.waitForSent('install');
    assert.equal(install.args.dest, '/media/ana/NORD USB/Backups');
    await ui.close();
  });

  test('a failure shows the application\'s text and "Try again" installs again', async () => {
    const ui = await openWithFindings({ rules: { install: [{ reply: { ok: false, error: 'You don’t have permission to save “Nord Stage 3” in “Velmorin”.' }, once: true }] } });
    await ui.button('Install').click();
    await ui.shows('#install-result [role=alert]', 'The install failed. You don’t have permission to save “Nord Stage 3” in “Velmorin”.');
    await ui.button('Try again').click();
    await ui.waitForSent('install', 2);
    await ui.shows('#install-result', 'Installed 24 programs and 1 list');
    await ui.close();
  });

  test('unreadable replies and a missing destination are explained', async () => {
    const ui = await openWithFindings({ rules: { install: [{ raw: '<html>oops', once: true }, { reply: { ok: false, error: 'dest' } }] } });
    await ui.button('Install').click();
    await ui.shows('#install-result', 'The install failed. The application sent a reply that could not be read (install).');
    await ui.button('Try again').click();
    await ui.shows('#install-result', 'The install failed. No destination folder was given.');
    await ui.close();
  });

  test('nothing to install, no model or no destination: a clear answer and no request', async () => {
    const ui = await browser.open({ rules: { info: [{ reply: { error: 'cmd' } }] } });
    await ui.shows('#status-error', 'does not know the command “info”');
    await ui.button('Install').click();
    await ui.shows('#install-result', 'Choose a destination first.');
    await ui.button('Change destination').click();
    await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
    await ui.button('Install').click();
    await ui.shows('#install-result', 'Find a program list or program files first.');
    await ui.button('Search usual folders').click();
    await ui.shows('#install-summary', 'Programs: 24 files');
    await ui.$('#model').fill('   ');
    await ui.button('Install').click();
    await ui.shows('#install-result', 'Enter the keyboard model.');
    assert.ok(await ui.$('#model').evaluate((input) => input === document.activeElement));
    assert.deepEqual(await ui.sent('install'), []);
    await ui.close();
  });

  test('while installing the button is busy with a progress bar, and searching still works', async () => {
    const ui = await openWithFindings({ rules: { install: [{ hold: true }] } });
    const install = ui.$('#install-button');
    await install.click();
    await ui.waitForSent('install');
    assert.equal(await install.getAttribute('aria-busy'), 'true');
    assert.equal(await install.innerText(), 'Installing…');
    assert.equal(await ui.$('#install-progress').isVisible(), true);
    await install.click();
    await ui.button('Search usual folders').click();
    await ui.waitForSent('scan', 2);
    assert.equal((await ui.sent('install')).length, 1);
    await ui.release('install');
    await ui.shows('#install-result', 'Installed 24 programs');
    assert.equal(await ui.$('#install-progress').isVisible(), false);
    assert.equal(await install.innerText(), 'Install');
    await ui.close();
  });
});
