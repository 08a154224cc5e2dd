// Chooses the interface language by the application's own rule (the first preferred
// language beginning with "es", compared case-sensitively, means Spanish) and looks up texts.
import { STRINGS } from './strings.js';

export function pickLanguage(languages) {
  const first = languages && languages.length > 0 ? String(languages[0]) : 'en';
  return first.startsWith('es') ? 'es' : 'en';
}

export const lang = pickLanguage(navigator.languages);

const numbers = new Intl.NumberFormat(lang);

export function formatNumber(value) {
  return numbers.format(value);
}

export function t(key, vars = {}) {
  const entry = STRINGS[lang][key] ?? STRINGS.en[key];
  if (entry === undefined) return key;
  if (typeof entry === 'function') {
    return entry({ ...vars, n: formatNumber(vars.count ?? 0) });
  }
  // One pass: a value that itself holds "{…}" (a file name, say) is never expanded.
  return entry.replace(/\{(\w+)\}/g, (match, name) => (name in vars ? String(vars[name]) : match));
}

// Fills every element marked with data-i18n (text) or data-i18n-label (aria-label).
export function translatePage(root = document) {
  document.documentElement.lang = lang;
  document.title = t('title');
  for (const node of root.querySelectorAll('[data-i18n]')) node.textContent = t(node.dataset.i18n);
  for (const node of root.querySelectorAll('[data-i18n-label]')) node.setAttribute('aria-label', t(node.dataset.i18nLabel));
}
