// Step 1: search the usual folders or a chosen one for a program list and folders of
// program files, optionally choosing the folder with programs changed since a date.
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { baseName } from './format.js';
import { t } from './i18n.js';
import { pickFolder } from './actions.js';
import { failureView } from './failure.js';
import { folderChoice } from './folder-choice.js';
import { installChoices, sameChoice } from './install-folders.js';
import { listChoice } from './list-choice.js';
import { listCard, progsCard } from './found-cards.js';
import { createProgressView } from './progress-view.js';
import { INVALID, setupSinceField } from './since-field.js';
import { runTask } from './task.js';

const MAX_FOLDERS = 200;
const MAX_LISTS = 200;

// A list's model is the one its name or content suggests; the search's own word for
// it is the whole file name when the name holds no " Program", which names no model.
function asList(value) {
  if (!value || typeof value !== 'object' || typeof value.path !== 'string' || value.path === '') return null;
  const name = typeof value.name === 'string' && value.name !== '' ? value.name : baseName(value.path);
  const model = typeof value.model === 'string' && value.model !== name ? value.model : '';
  return {
    path: value.path,
    name,
    model,
    size: value.size,
    modified: Number.isFinite(value.modified) && value.modified > 0 ? value.modified : null,
  };
}

function asLists(value) {
  return Array.isArray(value) ? value.slice(0, MAX_LISTS).map(asList).filter(Boolean) : [];
}

// The search's choice, with what the list of lists knows of it (its suggested model).
function withSuggestion(list, lists) {
  const listed = list && lists.find((item) => item.path === list.path);
  return listed ? { ...list, ...listed } : list;
}

function asProgs(value) {
  if (!value || typeof value !== 'object' || typeof value.dir !== 'string' || value.dir === '') return null;
  if (typeof value.ext !== 'string' || value.ext === '') return null;
  return {
    dir: value.dir,
    ext: value.ext,
    count: Number.isFinite(value.count) && value.count >= 0 ? value.count : 0,
    model: typeof value.model === 'string' ? value.model : '',
    size: value.size,
    newest: Number.isFinite(value.newest) && value.newest > 0 ? value.newest : null,
  };
}

function asFolders(value) {
  return Array.isArray(value) ? value.slice(0, MAX_FOLDERS).map(asProgs).filter(Boolean) : [];
}

// The automatic choice, completed with what the folder list knows of it (its newest change).
function withNewest(progs, folders) {
  if (!progs || progs.newest) return progs;
  const listed = folders.find((folder) => sameChoice(folder, progs));
  return listed ? { ...progs, newest: listed.newest } : progs;
}

function noteParagraph(note) {
  return el('p', { className: `note note-${note.kind}`, text: note.text });
}

export function setupFind(store) {
  const results = byId('find-results');
  const buttons = ['scan-usual', 'scan-folder', 'scan-lists'].map(byId);
  const view = createProgressView(byId('find-progress'), { returnFocus: buttons[0] });
  const readSince = setupSinceField();
  let progsSlot = null;
  let listSlot = null;

  function where(dir, sinceValue) {
    const args = {};
    if (dir !== undefined) args.dir = dir;
    if (sinceValue !== null) args.since = sinceValue;
    return args;
  }

  function scan(dir, sinceValue) {
    store.set({ searches: store.get().searches + 1 });
    // A scan finds nothing, or something; only an error without findings failed.
    return runTask(view, 'scan', where(dir, sinceValue), {
      title: t('searchingLong'),
      succeeded: (reply) => Boolean(reply.list || reply.progs) || typeof reply.error !== 'string',
    });
  }

  // The folders to offer come from the library's walk, which looks deeper than the
  // scan and in the Music folder too; without it, from the scan's own.
  async function installFolders(dir, sinceValue, scanned) {
    try {
      const library = await runTask(view, 'library', where(dir, sinceValue), { title: t('searchingLong') });
      return installChoices(library);
    } catch (error) {
      if (error.code === 'cancelled') throw error;
      return asFolders(scanned.folders);
    }
  }

  function failed(error) {
    store.set({
      findNote: {
        kind: 'error',
        view: failureView(error, {
          lead: t('findFailed'),
          another: { label: t('searchAnotherFolder'), run: () => buttons[1].click() },
        }),
      },
    });
  }

  // A search of the usual folders or of one chosen folder: what it finds replaces
  // every earlier finding.
  async function find(control, chooseFolder) {
    const sinceValue = readSince();
    if (sinceValue === INVALID) return;
    try {
      let dir;
      if (chooseFolder) {
        dir = await pickFolder('progs');
        if (dir === null) return;
      }
      control.label(t('searching'));
      const reply = await scan(dir, sinceValue);
      const lists = asLists(reply.lists);
      const list = withSuggestion(asList(reply.list), lists);
      const found = await installFolders(dir, sinceValue, reply);
      const progs = withNewest(asProgs(reply.progs), found);
      // The search's own choice is always among those offered.
      const folders = progs && !found.some((folder) => sameChoice(folder, progs)) ? [progs, ...found] : found;
      store.set({ list, lists, progs, folders, findNote: list || progs ? null : { kind: 'info', text: t('nothingFound') } });
    } catch (error) {
      failed(error);
    }
  }

  // A folder of lists only supplies the list; the programs found before stay.
  async function findList(control) {
    const sinceValue = readSince();
    if (sinceValue === INVALID) return;
    try {
      const dir = await pickFolder('list');
      if (dir === null) return;
      control.label(t('searching'));
      const reply = await scan(dir, sinceValue);
      const lists = asLists(reply.lists);
      const list = withSuggestion(asList(reply.list), lists);
      if (list) store.set({ list, lists, findNote: null });
      else store.set({ findNote: { kind: 'info', text: t('noListInFolder', { folder: baseName(dir) }) } });
    } catch (error) {
      failed(error);
    }
  }

  const options = { busyText: () => t('choosingFolder'), group: buttons };
  bindAction(buttons[0], { ...options, busyText: () => t('searching') }, (control) => find(control, false));
  bindAction(buttons[1], options, (control) => find(control, true));
  bindAction(buttons[2], options, findList);

  function render(state) {
    progsSlot = el('div', { className: 'found-slot' }, state.progs ? progsCard(state.progs) : null);
    listSlot = el('div', { className: 'found-slot' }, state.list ? listCard(state.list) : null);
    const note = state.findNote && (state.findNote.view || noteParagraph(state.findNote));
    const parts = [
      note,
      state.list ? listSlot : null,
      state.lists.length > 1 ? listChoice(state.lists, state.list, (list) => store.set({ list })) : null,
      state.progs ? progsSlot : null,
      state.folders.length > 1 ? folderChoice(state.folders, state.progs, (folder) => store.set({ progs: folder })) : null,
    ].filter(Boolean);
    replaceContent(results, ...(parts.length ? parts : [el('p', { className: 'empty', text: t('findEmpty') })]));
    if (state.findNote || state.list || state.progs) results.scrollIntoView({ block: 'nearest' });
  }

  store.subscribe((state, patch) => {
    // Choosing another folder or list redraws only its card: the choice keeps its focus.
    const keys = ['list', 'lists', 'progs', 'folders', 'findNote'].filter((key) => key in patch);
    if (keys.length === 1 && keys[0] === 'progs' && progsSlot && state.progs) {
      replaceContent(progsSlot, progsCard(state.progs));
      return;
    }
    if (keys.length === 1 && keys[0] === 'list' && listSlot && state.list) {
      replaceContent(listSlot, listCard(state.list));
      return;
    }
    if (keys.length > 0) render(state);
  });
}
