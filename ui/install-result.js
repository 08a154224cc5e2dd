// What an install did, from its reply: what was copied and how big it is, links left
// out, earlier versions moved to the Trash, and the model folder to open.
import { el } from './dom.js';
import { formatBytes } from './format.js';
import { t } from './i18n.js';
import { revealButton } from './actions.js';

const count = (value) => (typeof value === 'number' && Number.isFinite(value) && value > 0 ? Math.floor(value) : 0);

function copiedLine(reply) {
  const programs = count(reply.count);
  const lists = count(reply.lists);
  const parts = [programs > 0 ? t('programCount', { count: programs }) : null, lists > 0 ? t('listCount', { count: lists }) : null].filter(Boolean);
  if (parts.length === 0) return t('installedNothing');
  const what = parts.length === 2 ? t('joinAnd', { a: parts[0], b: parts[1] }) : parts[0];
  // Programs and archive apart when the application says and both were made;
  // otherwise the one total.
  if (count(reply.programBytes) > 0 && count(reply.archiveBytes) > 0) {
    return t('installDoneApart', { what, programs: formatBytes(reply.programBytes), archive: formatBytes(reply.archiveBytes) });
  }
  return t('installDone', { what, size: formatBytes(reply.bytes) ?? t('diskUnknown') });
}

export function installSuccess(reply) {
  const skipped = count(reply.skipped);
  const trashed = count(reply.trashed);
  const where = typeof reply.path === 'string' && reply.path !== '' ? reply.path : null;
  return el('div', { className: 'success', attrs: { role: 'status' } },
    el('p', { text: copiedLine(reply) }),
    skipped > 0 ? el('p', { text: t('installSkipped', { count: skipped }) }) : null,
    trashed > 0 ? el('p', { text: t('installTrashed', { count: trashed }) }) : null,
    where ? el('p', { className: 'path', text: where }) : null,
    where ? revealButton(where) : null);
}

// When the user declines the confirmation.
export function installNotStarted() {
  return el('div', { className: 'note', attrs: { role: 'status' } }, el('p', { text: t('installNotStarted') }));
}

