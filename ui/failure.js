// A failed command shown with the next step that helps, chosen by the reply's code.
// The application's own sentence comes first; the page adds what to do about it.
import { el } from './dom.js';
import { formatBytes } from './format.js';
import { t } from './i18n.js';

// Codes after which another folder is the way forward.
const ANOTHER_FOLDER = new Set(['permission', 'notFolder', 'nested', 'link']);

// `elsewhere`: whether choosing another destination is a way out of a full disk.
function spaceStep({ needed, free }, elsewhere) {
  const next = elsewhere ? t('stepNoSpace') : t('stepNoSpaceHere');
  // 0 free means the application could not measure it, as in "info".
  if (!(needed > 0)) return next;
  if (!(free > 0)) return `${t('stepSpaceNeeded', { needed: formatBytes(needed) })} ${next}`;
  return `${t('stepSpaceNeededFree', { needed: formatBytes(needed), free: formatBytes(free) })} ${next}`;
}

function stepFor(code, space, elsewhere) {
  switch (code) {
    case 'noSpace': return spaceStep(space, elsewhere);
    case 'permission': return t('stepPermission');
    case 'notFolder': return t('stepNotFolder');
    case 'nested': return t('stepNested');
    case 'link': return t('stepLink');
    case 'busy': return t('stepBusy');
    case 'notFound': return t('stepNotFound');
    case 'nameTooLong': return t('stepNameTooLong');
    default: return null;
  }
}

function actionButton(text, run) {
  const button = el('button', { attrs: { type: 'button' } }, el('span', { className: 'label', text }));
  button.addEventListener('click', run);
  return button;
}

// `error`: a CommandError. `lead`: the panel's sentence ("The install failed.").
// `another`: {label, run, helpsSpace} offered when another folder would help (after a
// full disk too, with helpsSpace); `retry()` for the rest.
// `space`: {needed, free} in bytes, when known, for a full disk.
export function failureView(error, { lead = null, another = null, retry = null, space = {} } = {}) {
  if (error.code === 'cancelled') {
    return el('div', { className: 'note', attrs: { role: 'status' } }, el('p', { text: t('cancelledNothingChanged') }));
  }
  const elsewhere = Boolean(another && another.helpsSpace);
  const step = stepFor(error.code, space, elsewhere);
  const message = error.message || (lead ? '' : t('errorNoReason'));
  const buttons = [
    another && (ANOTHER_FOLDER.has(error.code) || (error.code === 'noSpace' && elsewhere)) ? actionButton(another.label, another.run) : null,
    // The same folder would fail the same way again.
    retry && !ANOTHER_FOLDER.has(error.code) ? actionButton(t('retry'), retry) : null,
  ].filter(Boolean);
  return el('div', { className: 'alert', attrs: { role: 'alert' } },
    el('p', { text: [lead, message].filter(Boolean).join(' ') }),
    step ? el('p', { text: step }) : null,
    buttons.length ? el('div', { className: 'buttons' }, ...buttons) : null);
}
