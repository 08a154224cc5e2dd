// What a program sounds like, in the library: its sheet drawn as the keyboard's
// panels, a comparison with another program, the filters and search by sound, and
// the gig sheet put up for printing; in English and Spanish.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();
const LIVE = '/home/ana/Music/Nord/Live set';

async function readUsual(ui, label = 'Read usual folders') {
  await ui.button(label).click();
  await ui.$('#library-scroll tbody tr').first().waitFor();
}

const names = (ui) => ui.page.$$eval('#library-scroll tbody tr:not(.spacer) .name-text', (spans) => spans.map((span) => span.textContent));
// Each section of each panel as "Panel A organ on".
const sections = (ui) => ui.page.$$eval('#sheet .sheet-panel', (panels) => panels.flatMap((panel) => [...panel.querySelectorAll('.sheet-section')]
  .map((section) => `${panel.getAttribute('aria-label')} ${[...section.classList].find((c) => c.startsWith('section-')).slice(8)} ${section.classList.contains('is-on') ? 'on' : 'off'}`)));

describe('the sound of a program', { timeout: 180_000 }, () => {
  test('a name opens its sheet: both panels, what plays lit, its values in words; Escape closes it and focus returns', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    const opener = ui.page.getByRole('button', { name: 'Open the sheet of Grand Lady' });
    await opener.focus();
    await ui.page.keyboard.press('Enter');
    await ui.shows('#sheet .sheet-summary', 'A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)');
    const [sound] = await ui.sent('sound');
    assert.deepEqual(sound.args, { path: `${LIVE}/Grand Lady.ns3f`, inside: '' });
    assert.equal(await ui.text('#sheet-title'), 'Grand Lady');
    await ui.shows('#sheet .sheet-facts', 'Nord Stage 3 · slot B:23 · Grand piano · version 3.04');
    assert.deepEqual(await sections(ui), [
      'Panel A organ on', 'Panel A piano on', 'Panel A synth off', 'Panel A extern off', 'Panel A effects on',
      'Panel B organ off', 'Panel B piano off', 'Panel B synth on', 'Panel B extern off', 'Panel B effects on']);
    // The picture: the organ's drawbars as far out as their digits, the sound's name large.
    assert.deepEqual(await ui.$('#sheet .sheet-panel').first().locator('.drawbar').evaluateAll((bars) => bars.map((bar) => bar.dataset.level).join('')), '888000000');
    await ui.shows('#sheet .section-piano.is-on .sheet-head', 'Grand · Royal Grand 3D · Grand 3');
    // Then every setting in words, switches as On and Off.
    const piano = ui.$('#sheet .sheet-panel').first().locator('.section-piano');
    await piano.locator('summary').click();
    const values = await piano.locator('.sheet-values > div').evaluateAll((rows) => rows.map((row) => row.innerText.replace(/\s+/g, ' ').trim()));
    assert.ok(values.includes('Volume -2.5 dB'), values.join(' | '));
    assert.ok(values.includes('String resonance On'), values.join(' | '));
    assert.ok(values.includes('Dynamics 3'), values.join(' | '));
    await ui.shows('#sheet .sheet-program', 'Split · Low · Note');
    assert.equal(await ui.$('#sheet').evaluate((dialog) => dialog.open), true);
    await ui.page.keyboard.press('Escape');
    assert.equal(await ui.$('#sheet').evaluate((dialog) => dialog.open), false);
    assert.equal(await ui.page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Open the sheet of Grand Lady');

    // A file without a sheet says why, in the application's words.
    await ui.page.getByRole('button', { name: 'Open the sheet of Mystery' }).click();
    await ui.shows('#sheet .note', 'The layout of Nord Electro 6 programs is not known, so its sound cannot be shown.');
    assert.equal(await ui.$('#sheet .sheet').count(), 0);
    await ui.button('Close').click();
    // A reply that fails is said in words, not as an empty sheet.
    await ui.rule('sound', { reply: { ok: false, error: 'Could not read "Strings.ns3f": Permission denied', code: 'permission' }, once: true });
    await ui.page.getByRole('button', { name: 'Open the sheet of Strings' }).click();
    await ui.shows('#sheet [role=alert]', 'The program could not be read: Could not read "Strings.ns3f": Permission denied');
    assert.equal(await ui.$('#sheet-compare').isHidden(), true);
    await ui.page.keyboard.press('Escape');
    await ui.close();
  });

  test('"Compare with…" picks another program of the library and shows only what differs', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.page.getByRole('button', { name: 'Open the sheet of Grand Lady' }).click();
    await ui.button('Compare with…').click();
    assert.equal(await ui.focused(), 'sheet-pick-search');
    await ui.page.keyboard.type('str');
    const choices = ui.$('#sheet .pick-list .pick');
    assert.deepEqual(await choices.locator('.name-text').allTextContents(), ['Strange', 'Strings']);
    await choices.nth(1).click();
    const [compare] = await ui.waitForSent('compare');
    assert.deepEqual(compare.args, { a: { path: `${LIVE}/Grand Lady.ns3f`, inside: '' }, b: { path: 'Program/Bank A/Strings.ns3f', inside: '/home/ana/Documents/Backup 2026.ns3b' } });
    await ui.shows('#sheet .compare-lead', 'settings differ.');
    assert.equal(await ui.text('#sheet-title'), 'Grand Lady and Strings');
    const table = await ui.$('#sheet .compare-table tr').evaluateAll((rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
    assert.deepEqual(table[0], ['Setting', 'Grand Lady', 'Strings']);
    const byLabel = new Map(table.slice(1).map(([label, a, b]) => [label, `${a} → ${b}`]));
    assert.equal(byLabel.get('Slot'), 'B:23 → A:12');
    assert.equal(byLabel.get('Category'), 'Grand piano → Strings');
    assert.equal(byLabel.get('A · Piano · Type'), 'Grand → Upright');
    assert.equal(byLabel.get('A · Organ'), 'On → Off');
    assert.equal(byLabel.get('Transpose'), 'Off → -2 semi');
    // Only what differs: settings equal on both never show.
    assert.equal(byLabel.has('A · Piano · Volume'), false);
    assert.equal(table.length - 1, (await ui.$('#sheet .compare-table tbody tr').count()));
    await ui.button('Back to the sheet').click();
    assert.equal(await ui.text('#sheet-title'), 'Grand Lady');
    await ui.shows('#sheet .sheet-summary', 'A: Grand');
    assert.equal(await ui.focused(), 'sheet-compare');

    // Two programs the application cannot read setting by setting: only same or not.
    await ui.rule('compare', { reply: { ok: true, decoded: false, sameSound: true, differences: [], header: [{ key: 'name', a: 'Grand Lady', b: 'Mystery' }] } });
    await ui.button('Compare with…').click();
    await ui.$('#sheet-pick-search').fill('myst');
    await ui.$('#sheet .pick-list .pick').first().click();
    await ui.shows('#sheet .compare-lead', 'They sound the same: every setting is equal.');
    await ui.shows('#sheet .note', 'only whether their sound is the same can be said');
    await ui.page.keyboard.press('Escape');
    await ui.close();
  });

  test('in Spanish: filters by piano, organ and synth, search by sound names, the sheet and the comparison', async () => {
    const ui = await browser.open({ locale: 'es-ES', view: 'library' });
    await readUsual(ui, 'Leer las carpetas habituales');
    assert.deepEqual(await ui.$('#library-piano option').allTextContents(), ['Cualquiera', 'Encendido (cualquier tipo)', 'Apagado', 'Electric', 'Grand', 'Upright']);
    await ui.$('#library-piano').selectOption({ label: 'Grand' });
    assert.deepEqual(await names(ui), ['Grand Lady']);
    await ui.$('#library-piano').selectOption({ label: 'Apagado' });
    assert.deepEqual(await names(ui), ['Old Organ', 'Warm Pad', 'Warm Pad'], 'programs with a sound and no piano playing');
    await ui.$('#library-organ').selectOption({ label: 'Encendido (cualquier tipo)' });
    assert.deepEqual(await names(ui), ['Old Organ']);
    await ui.$('#library-piano').selectOption({ label: 'Cualquiera' });
    await ui.$('#library-organ').selectOption({ label: 'Cualquiera' });
    await ui.$('#library-synth').selectOption({ label: 'Sample' });
    assert.deepEqual(await names(ui), ['Grand Lady', 'Strings']);
    await ui.$('#library-synth').selectOption({ label: 'Cualquiera' });
    // The search box looks at piano and sample names too, whatever the case.
    await ui.$('#library-search').fill('velvet');
    assert.deepEqual(await names(ui), ['Strings']);
    await ui.$('#library-search').fill('ROYAL grand');
    assert.deepEqual(await names(ui), ['Grand Lady']);
    await ui.shows('#library-count', 'Se muestran 1 de 8 programas');

    await ui.page.getByRole('button', { name: 'Abrir la ficha de Grand Lady' }).click();
    await ui.shows('#sheet .sheet-facts', 'posición B:23 · Piano de cola · versión 3.04');
    assert.deepEqual(await ui.$('#sheet .sheet-panel h3 > span:nth-child(2)').allTextContents(), ['Panel A', 'Panel B']);
    await ui.shows('#sheet .section-organ h4', 'Órgano');
    await ui.shows('#sheet .sheet-program h3', 'Todo el programa');
    await ui.button('Comparar con…').click();
    await ui.$('#sheet-pick-search').fill('strings');
    await ui.$('#sheet .pick-list .pick').first().click();
    await ui.shows('#sheet .compare-lead', 'ajustes son distintos.');
    const labels = await ui.$('#sheet .compare-table tbody th').allTextContents();
    assert.ok(labels.includes('A · Piano · Tipo'), labels.join(' | '));
    assert.ok(labels.includes('Posición'), labels.join(' | '));
    await ui.shows('#sheet .compare-table', 'Encendido');
    await ui.page.keyboard.press('Escape');
    await ui.close();
  });

  test('the gig sheet of the rows shown goes to the print dialog, a sheet per program when asked; the set list carries what plays', async () => {
    const ui = await browser.open({ view: 'library' });
    await readUsual(ui);
    await ui.$('#library-synth').selectOption({ label: 'On (any type)' });
    await ui.button('Print gig sheet…').click();
    await ui.waitForSent('print');
    const gig = await ui.$('#print-area .print-gig tbody tr').evaluateAll((rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
    assert.deepEqual(gig, [
      ['A:11', 'Warm Pad', 'A: Classic synth'],
      ['A:11', 'Warm Pad', 'A: Classic synth'],
      ['A:12', 'Strings', 'A: Upright (Ballad Upright) + Sample synth (Velvet Strings)'],
      ['B:23', 'Grand Lady', 'A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)'],
    ]);
    assert.equal(await ui.$('#print-area .print-program').count(), 0);
    // Paper alone shows it: on screen it stays out of the way.
    assert.equal(await ui.$('#print-area').isVisible(), false);
    await ui.page.emulateMedia({ media: 'print' });
    assert.equal(await ui.$('#print-area').isVisible(), true);
    assert.equal(await ui.$('#library').isVisible(), false);
    await ui.page.emulateMedia({ media: 'screen' });

    await ui.page.getByLabel('With a sheet per program (first 100)').check();
    await ui.button('Print gig sheet…').click();
    await ui.waitForSent('print', 2);
    assert.deepEqual((await ui.sent('sound')).map((message) => message.args.path.split('/').pop()), ['Warm Pad.ns3f', 'Warm Pad.ns3f', 'Strings.ns3f', 'Grand Lady.ns3f']);
    assert.deepEqual(await ui.$('#print-area .print-program h1').allTextContents(), ['Warm Pad', 'Warm Pad', 'Strings', 'Grand Lady']);
    // Folded settings print whole, each program on a page of its own.
    assert.equal(await ui.$('#print-area details:not([open])').count(), 0);
    await ui.page.emulateMedia({ media: 'print' });
    assert.deepEqual(await ui.$('#print-area .print-program').evaluateAll((nodes) => nodes.map((node) => getComputedStyle(node).breakBefore)), ['page', 'page', 'page', 'page']);
    await ui.page.emulateMedia({ media: 'screen' });

    // A print that failed is told; the page goes on.
    await ui.rule('print', { reply: { ok: false, error: 'Printing failed (no printer).', code: 'failed' } });
    await ui.page.getByLabel('With a sheet per program (first 100)').uncheck();
    await ui.button('Print gig sheet…').click();
    await ui.shows('#notice-text', 'Could not print: Printing failed (no printer).');
    await ui.close();
  });
});
