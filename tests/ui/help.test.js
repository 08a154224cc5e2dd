// The help page: a page of the application in the user's language, reached and left
// by relative links (its support link is tried in accessibility.test.js).
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

const HELP = {
  en: {
    link: 'Help', title: 'Velmorin Sync Help', back: 'Back to Velmorin Sync',
    says: ['Programs (.ns3f)', 'Program lists', 'Nord Stage 3 Programs 2025-06-14.zip', 'choose “Restore”', 'that whole folder is installed'],
  },
  es: {
    link: 'Ayuda', title: 'Ayuda de Velmorin Sync', back: 'Volver a Velmorin Sync',
    says: ['Programas (.ns3f)', 'Listas de programas', 'Nord Stage 3 Programas 2025-06-14.zip', 'elige «Restaurar»', 'se instala esa carpeta entera'],
  },
};

describe('help', { timeout: 120_000 }, () => {
  for (const locale of ['en-US', 'es-ES']) {
    const words = HELP[locale.slice(0, 2)];
    test(`${locale}: Help opens the help page, which says where files go and how to get them back, and leads back`, async () => {
      const ui = await browser.open({ locale });
      const link = ui.page.getByRole('link', { name: words.link, exact: true });
      assert.equal(await link.getAttribute('href'), './help.html');
      await link.click();
      await ui.page.waitForURL(/\/help\.html$/);
      await ui.shows('h1', words.title);
      const text = await ui.text('main');
      for (const phrase of words.says) assert.ok(text.includes(phrase), `help should say ${JSON.stringify(phrase)}`);
      const back = ui.page.getByRole('link', { name: words.back });
      assert.equal(await back.getAttribute('href'), './index.html');
      await back.click();
      await ui.page.waitForURL(/\/index\.html$/);
      await ui.close();
    });
  }
});
