// English and Spanish, chosen like the application: Spanish when the first preferred
// language begins with "es" (case-sensitive).
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';
import { readFileSync } from 'node:fs';
import { STRINGS } from '../../ui/strings.js';

const browser = useBrowser();

describe('language', { timeout: 120_000 }, () => {
  test('a Spanish user sees the whole workflow in Spanish', async () => {
    const ui = await browser.open({ locale: 'es-ES', rules: { zip: [{ reply: { ok: false, path: '/z', bytes: 0 } }] } });
    assert.equal(await ui.page.evaluate(() => document.documentElement.lang), 'es');
    await ui.shows('#keyboard-state', 'Nord Stage 3 conectado');
    await ui.shows('#nsm-state', 'Instalado: Nord Sound Manager');
    await ui.shows('#dest-label', 'Escritorio › Velmorin');
    await ui.button('Buscar en las carpetas habituales').click();
    await ui.shows('#find-results', 'Tamaño');
    await ui.shows('#find-results', '3,4 MB');
    await ui.shows('#install-summary', 'Programas: 24 archivos (.ns3f)');
    await ui.button('Instalar').click();
    await ui.shows('#install-result', 'Instalación terminada: 24 programas y 1 lista; 3,5 MB en total.');
    await ui.button('Mostrar en la carpeta: Nord Stage 3').click();
    await ui.page.getByRole('tab', { name: 'Empaquetar' }).click();
    await ui.button('Elegir la carpeta que empaquetar…').click();
    await ui.shows('#pack-result', 'No se pudo crear el archivo ZIP de Nord Programs.');
    await ui.close();
  });

  test('the first preferred language decides, exactly as the application does', async () => {
    const cases = [[['es-419', 'en'], 'es'], [['es'], 'es'], [['ES-es'], 'en'], [['en-GB', 'es-ES'], 'en'], [['ca'], 'en'], [[], 'en']];
    for (const [languages, expected] of cases) {
      const ui = await browser.open({ languages });
      const lang = await ui.page.evaluate(() => document.documentElement.lang);
      const quit = await ui.text('#quit');
      assert.deepEqual([languages, lang, quit], [languages, expected, expected === 'es' ? 'Salir' : 'Quit']);
      await ui.close();
    }
  });

  test('every text exists in both languages with the same placeholders', () => {
    const placeholders = (text) => [...text.matchAll(/\{(\w+)\}/g)].map((m) => m[1]).sort();
    assert.deepEqual(Object.keys(STRINGS.es).sort(), Object.keys(STRINGS.en).sort());
    for (const [key, english] of Object.entries(STRINGS.en)) {
      const spanish = STRINGS.es[key];
      assert.equal(typeof spanish, typeof english, key);
      if (typeof english === 'function') {
        for (const count of [1, 2]) {
          const vars = { count, n: String(count), ext: 'ns3f' };
          assert.ok(english(vars).includes(String(count)) && spanish(vars).includes(String(count)), key);
        }
      } else if (typeof english === 'object') {
        // A table of words (a sheet's setting names): the same words, each said in both.
        assert.deepEqual(Object.keys(spanish).sort(), Object.keys(english).sort(), key);
        for (const [word, text] of Object.entries(english)) assert.ok(text.trim() !== '' && spanish[word].trim() !== '', `${key}.${word}`);
      } else {
        assert.ok(spanish.trim() !== '', key);
        assert.deepEqual(placeholders(spanish), placeholders(english), key);
      }
    }
  });

  // A key written twice in one language silently loses its first text.
  test('no text key is written twice in one language', () => {
    const source = readFileSync(new URL('../../ui/strings.js', import.meta.url), 'utf8');
    const [english, spanish] = source.split(/^  es: \{$/m);
    for (const block of [english, spanish]) {
      const keys = [...block.matchAll(/^    ([A-Za-z0-9_]+):/gm)].map((match) => match[1]);
      assert.deepEqual(keys.filter((key, at) => keys.indexOf(key) !== at), []);
    }
  });
});
