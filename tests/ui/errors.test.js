// Failures by their code: the application's sentence, then the next step that helps,
// in the page's language.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';
import { PLAN_WARNING_ONLY } from './support/plans.js';

const browser = useBrowser();
const fail = (code, error) => ({ reply: { ok: false, error, code }, once: true });

async function installOnce(ui) {
  const before = (await ui.sent('install')).length;
  await ui.$('#install-button').click();
  await ui.waitForSent('install', before + 1);
}

describe('errors by code', { timeout: 120_000 }, () => {
  test('install: permission offers another destination (then remembered); busy offers a retry; a vanished folder says why', async () => {
    const ui = await browser.open({
      // Answered in this order, one each.
      rules: { install: [fail('permission', 'You may not write in “Velmorin”.'), fail('busy', 'Another install is running.'), fail('notFound', 'The folder “Live set” is gone.')] },
    });
    await ui.$('#scan-usual').click();
    await ui.shows('#install-summary', '(.ns3f)');
    await installOnce(ui);
    await ui.shows('#install-result [role=alert]', 'The install failed. You may not write in “Velmorin”.');
    await ui.shows('#install-result', 'Choose a folder you are allowed to change.');
    assert.equal(await ui.button('Try again').count(), 0, 'the same folder would fail again');
    await ui.button('Choose another destination…').click();
    await ui.shows('#dest-path', '/media/ana/NORD USB/Backups');
    const [saved] = await ui.waitForSent('saveSettings');
    assert.deepEqual(saved.args, { dest: '/media/ana/NORD USB/Backups' });

    await installOnce(ui);
    await ui.shows('#install-result', 'Other work is still running. Try again when it has finished.');
    await ui.button('Try again').click();
    await ui.waitForSent('install', 3);
    await ui.shows('#install-result', 'It may have been moved, renamed or unplugged.');
    await ui.close();
  });

  test('a full disk says, in the page\'s language, how much the install needs, from its plan', async () => {
    const ui = await browser.open({ locale: 'es-ES', rules: { plan: [{ reply: PLAN_WARNING_ONLY }], install: [fail('noSpace', 'No queda espacio.')] } });
    await ui.$('#scan-usual').click();
    await ui.shows('#install-summary', '(.ns3f)');
    await ui.$('#install-button').click();
    await ui.button('Instalar de todos modos').click();
    await ui.shows('#install-result [role=alert] p', 'La instalación falló. No queda espacio.');
    await ui.shows('#install-result [role=alert] p', 'Necesita 5 GB y hay 1 GB libres. Libera espacio en ese disco o elige otro destino.');
    await ui.close();
  });

  test('search and pack: a folder that is not one, or not allowed, offers choosing another', async () => {
    const ui = await browser.open({
      rules: { scan: [fail('notFolder', 'That is a file.')], zip: [fail('permission', 'Velmorin.zip may not be written.')] },
    });
    await ui.button('Search a folder…').click();
    await ui.shows('#find-results [role=alert]', 'The search failed. That is a file.');
    await ui.shows('#find-results', 'Choose a folder instead.');
    await ui.button('Search another folder…').click();
    await ui.shows('#find-results', 'Live set');
    assert.equal((await ui.sent('pickFolder')).length, 2);

    await ui.view('pack');
    await ui.button('Choose the folder to pack…').click();
    await ui.shows('#pack-result [role=alert]', 'The archive of Nord Programs could not be made. Velmorin.zip may not be written.');
    await ui.button('Choose another folder to pack…').click();
    await ui.shows('#pack-result', 'Archive ready');
    await ui.close();
  });
});
