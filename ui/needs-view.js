// What a set of programs needs, from the "needs" reply: every piano and sample with
// its size and how many programs use it, where each is found on this computer, the
// missing ones marked in words (not colour alone), the bytes to bring, and notes.
import { el } from './dom.js';
import { baseName, formatBytes } from './format.js';
import { formatNumber, t } from './i18n.js';
import { visibleText } from './visible-text.js';

const MAX_SOUNDS = 5000;
const text = (value) => (typeof value === 'string' ? value : '');
const whole = (value) => (Number.isInteger(value) && value >= 0 ? value : 0);

function asPlace(value) {
  if (!value || typeof value !== 'object' || typeof value.path !== 'string' || value.path === '') return null;
  return { path: value.path, inside: text(value.inside) };
}

function asSound(value) {
  if (!value || typeof value !== 'object' || !['piano', 'sample'].includes(value.kind)) return null;
  return {
    id: visibleText(text(value.id)),
    kind: value.kind,
    name: visibleText(text(value.name)),
    version: visibleText(text(value.version)),
    size: whole(value.size),
    programs: whole(value.programs),
    found: Array.isArray(value.found) ? value.found.map(asPlace).filter(Boolean) : [],
  };
}

export function readNeeds(reply) {
  const sounds = Array.isArray(reply.sounds) ? reply.sounds.slice(0, MAX_SOUNDS).map(asSound).filter(Boolean) : [];
  const missing = sounds.filter((sound) => sound.found.length === 0);
  return {
    sounds,
    // The application's figures when it gives them; the rows' own otherwise.
    missing: Number.isInteger(reply.missing) && reply.missing >= 0 ? reply.missing : missing.length,
    bytesNeeded: Number.isInteger(reply.bytesNeeded) && reply.bytesNeeded >= 0 ? reply.bytesNeeded
      : missing.reduce((sum, sound) => sum + sound.size, 0),
    notes: Array.isArray(reply.notes) ? reply.notes.filter((note) => typeof note === 'string' && note !== '').map(visibleText) : [],
  };
}

// Pianos first, then samples; by name within each, those the table does not name last.
const words = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });
const byKindAndName = (a, b) => (a.kind === b.kind ? 0 : a.kind === 'piano' ? -1 : 1)
  || (a.name === '') - (b.name === '') || words.compare(a.name, b.name) || words.compare(a.id, b.id);

function placeText(place) {
  return place.inside !== '' ? t('needsFoundInBackup', { name: baseName(place.inside) }) : t('needsFoundIn', { name: baseName(place.path) });
}

function whereCell(sound) {
  if (sound.found.length === 0) {
    return el('td', { className: 'needs-where' },
      el('span', { className: 'missing-mark' },
        el('span', { className: 'check-icon', text: '⚠', attrs: { 'aria-hidden': 'true' } }),
        el('span', { text: t('needsMissingMark') })));
  }
  const [first] = sound.found;
  const more = sound.found.length - 1;
  return el('td', { className: 'needs-where', attrs: { title: visibleText(first.inside || first.path) } },
    el('span', { className: 'check-icon', text: '✓', attrs: { 'aria-hidden': 'true' } }),
    el('span', { text: visibleText(placeText(first)) }),
    more > 0 ? el('span', { className: 'hint', text: ` ${t('needsFoundMore', { count: more })}` }) : null);
}

function soundRow(sound) {
  return el('tr', { className: sound.found.length === 0 ? 'is-missing' : 'is-found' },
    el('td', { text: t(sound.kind === 'piano' ? 'kindPiano' : 'kindSample') }),
    el('td', { attrs: { dir: 'auto' }, text: sound.name || t('needsUnknownSound', { id: sound.id }) }),
    el('td', { text: sound.version }),
    el('td', { className: 'needs-size', text: sound.size > 0 ? formatBytes(sound.size) : '' }),
    el('td', { className: 'needs-count', text: formatNumber(sound.programs) }),
    whereCell(sound));
}

// `lead`: which programs these are ("For the 12 programs shown in the Library.").
export function needsView(needs, lead) {
  const total = needs.sounds.reduce((sum, sound) => sum + sound.size, 0);
  const summary = needs.sounds.length === 0 ? t('needsNone') : [
    t('needsSummary', { count: needs.sounds.length, size: formatBytes(total) }),
    needs.missing > 0 ? t('needsMissing', { count: needs.missing, size: formatBytes(needs.bytesNeeded) }) : t('needsAllHere'),
  ].join(' ');
  const headings = ['needsColKind', 'needsColName', 'needsColVersion', 'needsColSize', 'needsColPrograms', 'needsColWhere'];
  return el('div', { className: 'needs-report' },
    el('p', { className: 'hint', text: lead }),
    el('p', { className: needs.missing > 0 ? 'needs-summary has-missing' : 'needs-summary', attrs: { role: 'status' }, text: summary }),
    needs.sounds.length ? el('div', { className: 'compare-scroll' }, el('table', { className: 'needs-table', attrs: { 'aria-label': t('needsTableLabel') } },
      el('thead', {}, el('tr', {}, ...headings.map((key) => el('th', { attrs: { scope: 'col' }, text: t(key) })))),
      el('tbody', {}, ...[...needs.sounds].sort(byKindAndName).map(soundRow)))) : null,
    needs.notes.length ? el('section', { className: 'needs-notes', attrs: { 'aria-label': t('needsNotes') } },
      el('h3', { text: t('needsNotes') }),
      el('ul', {}, ...needs.notes.map((note) => el('li', { text: note })))) : null);
}
