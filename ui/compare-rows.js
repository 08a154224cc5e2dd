// A comparison of two collections, from the "compareSets" reply: the counts, then
// the rows by state, each with its slot, names, model and what differs. Reply
// values are read defensively: a row that is not one is left out, never drawn as
// "undefined".
import { bindAction } from './busy.js';
import { el } from './dom.js';
import { formatNumber, t } from './i18n.js';
import { visibleText } from './visible-text.js';

export const STATES = ['changed', 'moved', 'added', 'removed', 'same'];
const STATE_TEXT = { added: 'stateAdded', removed: 'stateRemoved', changed: 'stateChanged', moved: 'stateMoved', same: 'stateSame' };
// Beyond this many rows of one state the rest are counted, not drawn: ten thousand
// "same" rows say nothing one by one.
const MAX_SHOWN = 500;
const MAX_KEYS = 12;

const text = (value) => (typeof value === 'string' ? value : '');
const whole = (value) => (Number.isInteger(value) && value >= 0 ? value : 0);

function asSide(value) {
  if (!value || typeof value !== 'object' || typeof value.path !== 'string' || value.path === '') return null;
  return { path: value.path, inside: text(value.inside), slot: text(value.slot), name: visibleText(text(value.name)) };
}

function asRow(value) {
  if (!value || typeof value !== 'object' || !STATES.includes(value.state)) return null;
  const a = asSide(value.a);
  const b = asSide(value.b);
  if (!a && !b) return null;
  return {
    state: value.state,
    slot: text(value.slot),
    name: visibleText(text(value.name)) || (b || a).name,
    model: text(value.model),
    a,
    b,
    differences: whole(value.differences),
    keys: Array.isArray(value.keys) ? value.keys.filter((key) => typeof key === 'string' && key !== '').slice(0, MAX_KEYS).map(visibleText) : [],
  };
}

export function readComparison(reply) {
  const rows = Array.isArray(reply.rows) ? reply.rows.map(asRow).filter(Boolean) : [];
  const given = reply.counts && typeof reply.counts === 'object' ? reply.counts : {};
  // The counts the application gives; the rows' own when it gives none.
  const counts = Object.fromEntries(STATES.map((state) => [state,
    Number.isInteger(given[state]) && given[state] >= 0 ? given[state] : rows.filter((row) => row.state === state).length]));
  return { rows, counts };
}

function whatDiffers(row) {
  if (row.state === 'moved') return t('compareMovedFrom', { slot: (row.a && row.a.slot) || t('compareNoSlot') });
  if (row.state === 'changed') {
    if (row.keys.length === 0) return t('compareSoundDiffers');
    const more = Math.max(row.differences, row.keys.length) - row.keys.length;
    const keys = row.keys.join(', ') + (more > 0 ? ` ${t('andMore', { count: more })}` : '');
    return t('compareKeys', { count: Math.max(row.differences, row.keys.length), keys });
  }
  if (row.state === 'same' && row.a && row.b && row.a.name !== row.b.name) return t('compareNewName');
  return '';
}

// Both names when they differ: a renamed program is still recognised.
function nameCell(row) {
  const renamed = row.a && row.b && row.a.name !== '' && row.b.name !== '' && row.a.name !== row.b.name;
  const shown = renamed ? t('compareRenamed', { a: row.a.name, b: row.b.name }) : row.name;
  return el('td', { className: 'compare-name', attrs: { dir: 'auto' }, text: shown });
}

// `onRestore(row, control, button)` for rows whose program A holds.
function rowFor(row, onRestore) {
  let action = null;
  if (row.a) {
    action = el('button', { className: 'quiet', attrs: { type: 'button', 'aria-label': t('restoreThisNamed', { name: row.a.name || row.name }) } },
      el('span', { className: 'label', text: t('restoreThis') }));
    bindAction(action, { busyText: () => t('choosingFolder') }, (control) => onRestore(row, control, action));
  }
  return el('tr', { attrs: { 'data-state': row.state } },
    el('td', { className: 'compare-slot', text: row.slot || t('compareNoSlot') }),
    nameCell(row),
    el('td', { text: row.model }),
    el('td', { className: 'compare-what', text: whatDiffers(row) }),
    el('td', { className: 'compare-action' }, action));
}

function stateSection(state, rows, total, onRestore) {
  const shown = rows.slice(0, MAX_SHOWN);
  const more = Math.max(total, rows.length) - shown.length;
  const heading = `${t(STATE_TEXT[state])} (${formatNumber(total)})`;
  const table = el('table', { className: 'compare-table', attrs: { 'aria-label': heading } },
    el('thead', {}, el('tr', {}, ...['compareColSlot', 'compareColName', 'compareColModel', 'compareColWhat', 'compareColAction']
      .map((key) => el('th', { attrs: { scope: 'col' }, text: t(key) })))),
    el('tbody', {}, ...shown.map((row) => rowFor(row, onRestore))));
  const details = el('details', { className: `compare-state state-${state}`, attrs: { 'data-state': state } },
    el('summary', { text: heading }),
    shown.length ? el('div', { className: 'compare-scroll' }, table) : null,
    more > 0 ? el('p', { className: 'hint', text: t('compareRowsMore', { count: more }) }) : null);
  // What is the same stays folded: the differences are the news.
  details.open = state !== 'same';
  return details;
}

export function comparisonCounts(comparison) {
  return t('compareCounts', Object.fromEntries(STATES.map((state) => [state, formatNumber(comparison.counts[state])])));
}

export function comparisonView(comparison, onRestore) {
  return el('div', { className: 'compare-list' }, ...STATES
    .filter((state) => comparison.counts[state] > 0 || comparison.rows.some((row) => row.state === state))
    .map((state) => stateSection(state, comparison.rows.filter((row) => row.state === state), comparison.counts[state], onRestore)));
}
