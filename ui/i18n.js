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

const days = new Intl.DateTimeFormat(lang, { dateStyle: 'medium' });

// A day from milliseconds since 1970, as people of the page's language write it.
export function formatDay(millis) {
  return days.format(new Date(millis));
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

// Fills every element marked with data-i18n (text), data-i18n-label (aria-label) or
// data-i18n-placeholder; the window title is the text of `titleKey`.
export function translatePage(root = document, titleKey = 'title') {
  document.documentElement.lang = lang;
  document.title = t(titleKey);
  for (const node of root.querySelectorAll('[data-i18n]')) node.textContent = t(node.dataset.i18n);
  for (const node of root.querySelectorAll('[data-i18n-label]')) node.setAttribute('aria-label', t(node.dataset.i18nLabel));
  for (const node of root.querySelectorAll('[data-i18n-placeholder]')) node.placeholder = t(node.dataset.i18nPlaceholder);
}
