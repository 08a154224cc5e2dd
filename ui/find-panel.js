// Step 1: search the usual folders or a chosen one for a program list and a folder of
// program files, optionally only files changed since a date.
import { bindAction } from './busy.js';
import { byId, el, replaceContent, show } from './dom.js';
import { ask } from './ask.js';
import { baseName, dirName, formatBytes, sinceMillis } from './format.js';
import { formatNumber, t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';

const INVALID = Symbol('invalid date');

function asList(value) {
  if (!value || typeof value !== 'object' || typeof value.path !== 'string' || value.path === '') return null;
  return {
    path: value.path,
    name: typeof value.name === 'string' && value.name !== '' ? value.name : baseName(value.path),
    model: typeof value.model === 'string' ? value.model : '',
    size: value.size,
  };
}

function asProgs(value) {
  if (!value || typeof value !== 'object' || typeof value.dir !== 'string' || value.dir === '') return null;
  if (typeof value.ext !== 'string' || value.ext === '') return null;
  return {
    dir: value.dir,
    ext: value.ext,
    count: Number.isFinite(value.count) ? value.count : 0,
    model: typeof value.model === 'string' ? value.model : '',
    size: value.size,
  };
}

function fact(term, value, className) {
  return el('div', {}, el('dt', { text: term }), el('dd', { text: value, className }));
}

function sizeText(bytes) {
  return formatBytes(bytes) ?? t('diskUnknown');
}

function listCard(list) {
  return el('article', { className: 'found', attrs: { 'aria-label': t('listTitle') } },
    el('h3', { text: t('listTitle') }),
    el('p', { className: 'found-name', text: list.name }),
    el('dl', { className: 'facts' },
      list.model !== '' ? fact(t('model'), list.model) : null,
      fact(t('size'), sizeText(list.size)),
      fact(t('folder'), dirName(list.path), 'path')),
    revealButton(list.path));
}

function progsCard(progs) {
  return el('article', { className: 'found', attrs: { 'aria-label': t('progsTitle') } },
    el('h3', { text: t('progsTitle') }),
    el('p', { className: 'found-name', text: progs.model !== '' ? progs.model : `.${progs.ext}` }),
    el('dl', { className: 'facts' },
      fact(t('programs'), formatNumber(progs.count)),
      fact(t('size'), sizeText(progs.size)),
      fact(t('folder'), progs.dir, 'path')),
    revealButton(progs.dir));
}

function noteParagraph(note) {
  const attrs = note.kind === 'error' ? { role: 'alert' } : {};
  return el('p', { className: `note note-${note.kind}`, text: note.text, attrs });
}

export function setupFind(store) {
  const since = byId('since');
  const sinceError = byId('since-error');
  const results = byId('find-results');
  const progress = byId('find-progress');
  const buttons = ['scan-usual', 'scan-folder', 'scan-lists'].map(byId);

  function readSince() {
    // A date picker left half filled reports an empty value; that must not mean "no limit".
    const value = since.validity.badInput ? NaN : sinceMillis(since.value);
    const bad = Number.isNaN(value);
    sinceError.textContent = bad ? t('sinceInvalid') : '';
    show(sinceError, bad);
    if (bad) {
      since.setAttribute('aria-invalid', 'true');
      since.focus();
      return INVALID;
    }
    since.removeAttribute('aria-invalid');
    return value;
  }

  async function scan(control, dir, sinceValue) {
    const args = {};
    if (dir !== undefined) args.dir = dir;
    if (sinceValue !== null) args.since = sinceValue;
    control.label(t('searching'));
    control.progress(true);
    // A scan finds nothing, or something; only an error without findings failed.
    return ask('scan', args, { succeeded: (reply) => Boolean(reply.list || reply.progs) || typeof reply.error !== 'string' });
  }

  // A search of the usual folders or of one chosen folder: what it finds replaces
  // both earlier findings.
  async function find(control, chooseFolder) {
    const sinceValue = readSince();
    if (sinceValue === INVALID) return;
    try {
      let dir;
      if (chooseFolder) {
        dir = await pickFolder('progs');
        if (dir === null) return;
      }
      const reply = await scan(control, dir, sinceValue);
      const list = asList(reply.list);
      const progs = asProgs(reply.progs);
      store.set({ list, progs, findNote: list || progs ? null : { kind: 'info', text: t('nothingFound') } });
    } catch (error) {
      store.set({ findNote: { kind: 'error', text: t('findFailed', { error: error.message }) } });
    }
  }

  // A folder of lists only supplies the list; the programs found before stay.
  async function findList(control) {
    const sinceValue = readSince();
    if (sinceValue === INVALID) return;
    try {
      const dir = await pickFolder('list');
      if (dir === null) return;
      const list = asList((await scan(control, dir, sinceValue)).list);
      if (list) store.set({ list, findNote: null });
      else store.set({ findNote: { kind: 'info', text: t('noListInFolder', { folder: baseName(dir) }) } });
    } catch (error) {
      store.set({ findNote: { kind: 'error', text: t('findFailed', { error: error.message }) } });
    }
  }

  const options = { busyText: () => t('choosingFolder'), progress, group: buttons };
  bindAction(buttons[0], { ...options, busyText: () => t('searching') }, (control) => find(control, false));
  bindAction(buttons[1], options, (control) => find(control, true));
  bindAction(buttons[2], options, findList);

  store.subscribe((state, patch) => {
    if (!('list' in patch || 'progs' in patch || 'findNote' in patch)) return;
    const parts = [
      state.findNote ? noteParagraph(state.findNote) : null,
      state.list ? listCard(state.list) : null,
      state.progs ? progsCard(state.progs) : null,
    ].filter(Boolean);
    replaceContent(results, ...(parts.length ? parts : [el('p', { className: 'empty', text: t('findEmpty') })]));
  });
}
