// The optional "changed since" day. A plain text field in the format its placeholder
// and hint show (date pickers differ between engines, and some show none); a Clear
// button empties it in one action.
import { byId, show } from './dom.js';
import { sinceMillis } from './format.js';
import { t } from './i18n.js';

export const INVALID = Symbol('invalid date');

export function setupSinceField() {
  const since = byId('since');
  const error = byId('since-error');
  const clear = byId('since-clear');

  function showError(bad) {
    error.textContent = bad ? t('sinceInvalid') : '';
    show(error, bad);
    if (bad) since.setAttribute('aria-invalid', 'true');
    else since.removeAttribute('aria-invalid');
  }

  since.addEventListener('input', () => show(clear, since.value !== ''));
  clear.addEventListener('click', () => {
    since.value = '';
    show(clear, false);
    showError(false);
    since.focus();
  });

  // null (no limit), the day's local midnight in milliseconds, or INVALID (the
  // field then says why and has the focus).
  return function readSince() {
    const value = sinceMillis(since.value);
    const bad = Number.isNaN(value);
    showError(bad);
    if (bad) {
      since.focus();
      return INVALID;
    }
    return value;
  };
}
