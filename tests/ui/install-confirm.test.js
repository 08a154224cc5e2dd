// Installing asks "plan" first; whatever would be replaced, removed, sent to the Trash
// or warned about is confirmed in a dialog before "install" is posted.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';
import { HOSTILE, INSTALLED, LONG_NAME, MODEL_FOLDER, PLAN_REPLACING, PLAN_WARNING_ONLY } from './support/plans.js';

const browser = useBrowser();

const WORDS = {
  en: {
    search: 'Search usual folders', install: 'Install', title: 'Replace what is installed?', yes: 'Replace and install', no: 'Don’t install',
    lines: ['12,345 programs will be replaced', '23 programs will be removed', '…and 3 more', '2 new programs will be added',
      '40 programs are the same', 'The program list “<b>Stage</b> Program List.html” replaces the installed one.',
      'The new archive “Nord Stage 3 Programs 2026-12-07.zip” replaces:', '3 items go to the Trash'],
    done: ['Installed 24 programs and 1 list: programs 3.4 MB, archive 60 kB.', '1 link was left out',
      '3 earlier items were moved to the Trash'],
    declined: 'The install was not started. Nothing was changed.',
  },
  es: {
    search: 'Buscar en las carpetas habituales', install: 'Instalar', title: '¿Sustituir lo instalado?', yes: 'Sustituir e instalar', no: 'No instalar',
    lines: ['Se sustituirán 12.345 programas', 'Se quitarán 23 programas', '…y 3 más', 'Se añadirán 2 programas nuevos',
      '40 programas son iguales', 'La lista de programas «<b>Stage</b> Program List.html» sustituye a la instalada.',
      'El nuevo archivo ZIP «Nord Stage 3 Programs 2026-12-07.zip» sustituye a:', 'Van 3 elementos a la Papelera'],
    done: ['Instalación terminada: 24 programas y 1 lista; programas 3,4 MB, archivo ZIP 60 kB.', 'Se omitió 1 enlace',
      'Se movieron 3 elementos anteriores a la Papelera'],
    declined: 'La instalación no empezó. No se cambió nada.',
  },
};

async function openAndFind(locale, rules) {
  const ui = await browser.open({ locale, rules });
  const words = WORDS[locale.slice(0, 2)];
  await ui.shows('#dest-path', '/home/ana/Desktop/Velmorin');
  await ui.button(words.search).click();
  await ui.shows('#install-summary', '(.ns3f)');
  return { ui, words };
}

describe('confirming an install', { timeout: 120_000 }, () => {
  for (const locale of ['en-US', 'es-ES']) {
    test(`${locale}: a replacing install is confirmed, then installed with the plan's arguments and reported`, async () => {
      const { ui, words } = await openAndFind(locale, { plan: [{ reply: PLAN_REPLACING }], install: [{ reply: INSTALLED }] });
      await ui.button(words.install).click();
      const dialog = ui.page.getByRole('alertdialog', { name: words.title });
      await dialog.waitFor();
      const text = await dialog.innerText();
      for (const line of words.lines) assert.ok(text.includes(line), `the dialog should say ${JSON.stringify(line)}; it says ${text}`);
      // Names are text, however hostile or long (the layout test checks they wrap).
      assert.ok([MODEL_FOLDER, HOSTILE, LONG_NAME, 'Old Piano 18.ns3f'].every((name) => text.includes(name)));
      assert.equal(await dialog.locator('img, script, b').count(), 0);
      assert.equal(await ui.focused(), 'confirm-no', 'the safe answer has the focus');
      assert.deepEqual(await ui.sent('install'), [], 'nothing is installed before the answer');

      await ui.button(words.yes).click();
      const [plan] = await ui.sent('plan');
      const [install] = await ui.waitForSent('install');
      assert.deepEqual(install.args, plan.args);
      for (const line of words.done) await ui.shows('#install-result [role=status]', line);
      assert.equal(await dialog.isVisible(), false);
      assert.equal(await ui.focused(), 'install-button');
      await ui.close();
    });

    test(`${locale}: Escape and "don't install" post no install, keep focus in the dialog and give it back`, async () => {
      const { ui, words } = await openAndFind(locale, { plan: [{ reply: PLAN_REPLACING }] });
      const dialog = ui.page.getByRole('alertdialog');
      await ui.button(words.install).click();
      await dialog.waitFor();
      for (const key of ['Tab', 'Tab', 'Shift+Tab', 'Shift+Tab']) {
        await ui.page.keyboard.press(key);
        assert.ok(['confirm-no', 'confirm-yes'].includes(await ui.focused()), `focus left the dialog after ${key}`);
      }
      await ui.page.keyboard.press('Escape');
      await ui.shows('#install-result', words.declined);
      assert.equal(await dialog.isVisible(), false);
      assert.equal(await ui.focused(), 'install-button');

      await ui.button(words.install).click();
      await ui.waitForSent('plan', 2);
      await ui.button(words.no).click();
      await ui.shows('#install-result', words.declined);
      assert.equal(await ui.focused(), 'install-button');
      assert.deepEqual(await ui.sent('install'), []);
      await ui.close();
    });
  }

  test('warnings alone are asked about, each explained; a model typed for other programs is named', async () => {
    const { ui } = await openAndFind('en-US', { plan: [{ reply: PLAN_WARNING_ONLY }] });
    await ui.$('#model').fill('Nord Electro 6');
    await ui.button('Install').click();
    const dialog = ui.page.getByRole('alertdialog', { name: 'Check before installing' });
    await dialog.waitFor();
    const warnings = await dialog.locator('[data-warning]').allInnerTexts();
    assert.equal(warnings.length, 6);
    assert.match(warnings[0], /The model “Nord Electro 6” does not usually use \.ns3f files\./);
    assert.match(warnings[1], /the install needs 5 GB and 1 GB is free/);
    assert.match(warnings[2], /The folder “Nord Stage 3” also holds files Velmorin Sync did not make/);
    assert.equal(warnings[3], 'The program list “Nord Stage 2 Program List.html” is for the Nord Stage 2, but the programs are for the Nord Stage 3. '
      + 'Choose “Don’t install” and pick the list that belongs with them.');
    assert.equal(warnings[4], `23 programs are damaged and would be installed as they are: Bank A/Broken Rhodes.ns3f, ${HOSTILE} …and 21 more.`);
    assert.match(warnings[5], /aNewerWarning/);
    await ui.button('Install anyway').click();
    const [install] = await ui.waitForSent('install');
    assert.equal(install.args.model, 'Nord Electro 6');
    await ui.close();
  });
});
