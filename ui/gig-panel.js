// Before the gig: two collections compared (each a folder or a backup the library
// found), one program of the earlier restored, and the pianos and samples a set needs.
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { baseName, dirName } from './format.js';
import { t } from './i18n.js';
import { pickFolder } from './actions.js';
import { failureView } from './failure.js';
import { comparisonCounts, comparisonView, readComparison } from './compare-rows.js';
import { needsView, readNeeds } from './needs-view.js';
import { gigSheet, needsSheet, printContent } from './print-sheet.js';
import { createProgressView } from './progress-view.js';
import { restoreFlow } from './restore-flow.js';
import { runTask } from './task.js';

const SIDES = ['a', 'b'];

// Where A's program is, as "restore" takes it: a backup's entry by its name, a
// folder's file by its path under the folder compared.
export function restoreSource(row, comparedA) {
  if (row.a.inside !== '') return { from: row.a.inside, entries: [row.a.path] };
  const folder = comparedA.replace(/\/+$/, '');
  if (row.a.path.startsWith(`${folder}/`)) return { from: folder, entries: [row.a.path.slice(folder.length + 1)] };
  return { from: dirName(row.a.path), entries: [baseName(row.a.path)] };
}

// The programs of a set, whatever their order: one text to compare sets by.
function rowsKey(rows) {
  return JSON.stringify(rows.map(({ path, inside }) => [path, inside]).sort());
}

export function setupGig(store, views) {
  const compareButton = byId('compare-button');
  const needsButton = byId('needs-folder');
  const compareView = createProgressView(byId('compare-progress'), { returnFocus: compareButton });
  const restoreView = createProgressView(byId('restore-progress'), { returnFocus: compareButton });
  const needsProgress = createProgressView(byId('needs-progress'), { returnFocus: needsButton });
  const compareResult = byId('compare-result');
  const compareRows = byId('compare-rows');
  const restoreResult = byId('restore-result');
  const needsResult = byId('needs-result');
  const chosen = { a: null, b: null };  // {path, backup}
  let backups = [];
  let comparedA = '';
  let restoring = false;
  // The last needs asked for the Library's shown rows: {key, rows, needs, lead}.
  let libraryNeeds = null;

  function showChoice(side) {
    const choice = chosen[side];
    byId(`compare-${side}-chosen`).textContent = choice
      ? t(choice.backup ? 'compareChosenBackup' : 'compareChosenFolder', { path: choice.path })
      : t('compareNothingChosen');
    const select = byId(`compare-${side}-backup`);
    // A backup chosen as a file may be one the library has not listed.
    const listed = choice && choice.backup ? backups.indexOf(choice.path) : -1;
    select.value = listed >= 0 ? String(listed) : '';
  }

  // A comparison is about the two collections it was given: once one changes, it is old news.
  function choose(side, choice) {
    chosen[side] = choice;
    showChoice(side);
    replaceContent(compareResult);
  }

  function fillBackups(list) {
    backups = list;
    for (const side of SIDES) {
      const select = byId(`compare-${side}-backup`);
      replaceContent(select,
        el('option', { text: backups.length ? t('compareNoBackup') : t('compareNoBackups'), attrs: { value: '' } }),
        ...backups.map((path, index) => el('option', { text: baseName(path), attrs: { value: String(index), title: path } })));
      select.disabled = backups.length === 0;
      // A backup no longer listed is still the one chosen: its path stays.
      showChoice(side);
    }
    byId('compare-backups-hint').hidden = backups.length > 0;
  }

  // `kind`: "progs" for a folder, "backup" for a backup file.
  async function chooseFolder(side, kind) {
    try {
      const path = await pickFolder(kind);
      if (path !== null) choose(side, { path, backup: kind === 'backup' });
    } catch (error) {
      replaceContent(compareResult, failureView(error));
    }
  }

  async function restoreRow(row, control, button) {
    if (restoring) return;
    restoring = true;
    replaceContent(restoreResult);
    try {
      const report = await restoreFlow({ ...restoreSource(row, comparedA), label: row.a.name || row.name }, {
        view: restoreView, control, returnFocus: button, another: () => button.click(),
      });
      if (report) {
        replaceContent(restoreResult, report);
        restoreResult.scrollIntoView({ block: 'nearest' });
      }
    } finally {
      restoring = false;
    }
  }

  async function compare(control) {
    replaceContent(compareResult);
    if (!chosen.a || !chosen.b) {
      replaceContent(compareResult, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('compareNeedsBoth') }));
      return;
    }
    if (chosen.a.path === chosen.b.path) {
      replaceContent(compareResult, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('compareSameTwice') }));
      return;
    }
    control.label(t('comparing'));
    try {
      const args = { a: chosen.a.path, b: chosen.b.path };
      const comparison = readComparison(await runTask(compareView, 'compareSets', args, { title: t('comparingLong'), cancelWins: true }));
      comparedA = args.a;
      replaceContent(restoreResult);
      const empty = comparison.rows.length === 0 && Object.values(comparison.counts).every((n) => n === 0);
      replaceContent(compareResult, el('p', { className: 'compare-counts', attrs: { role: 'status' }, text: empty ? t('compareNothing') : comparisonCounts(comparison) }));
      replaceContent(compareRows, empty ? null : comparisonView(comparison, restoreRow));
    } catch (error) {
      replaceContent(compareRows);
      replaceContent(compareResult, failureView(error, {
        lead: t('compareFailed'),
        another: { label: t('compareAnotherFolder'), run: () => byId('compare-a-folder').click() },
        retry: () => compareButton.click(),
      }));
    }
  }

  // `rows`: the Library's rows these needs are of, whose gig sheet prints first; null for a folder.
  async function findNeeds(args, lead, rows = null) {
    replaceContent(needsResult);
    libraryNeeds = null;
    try {
      const needs = readNeeds(await runTask(needsProgress, 'needs', args, { title: t('needsCheckingLong'), cancelWins: true }));
      if (rows) libraryNeeds = { key: rowsKey(rows), rows, needs, lead };
      const print = el('button', { className: 'quiet', attrs: { type: 'button' } }, el('span', { className: 'label', text: t('needsPrint') }));
      print.addEventListener('click', () => printContent(rows ? gigSheet(rows) : null, needsSheet(needsView(needs, lead))));
      replaceContent(needsResult, needsView(needs, lead), el('div', { className: 'buttons' }, print));
    } catch (error) {
      replaceContent(needsResult, failureView(error, {
        lead: t('needsFailed'),
        another: { label: t('needsAnotherFolder'), run: () => needsButton.click() },
      }));
    }
  }

  async function needsOfFolder(control) {
    try {
      const dir = await pickFolder('progs');
      if (dir === null) return;
      control.label(t('needsChecking'));
      await findNeeds({ dir }, t('needsFromFolder', { path: dir }));
    } catch (error) {
      replaceContent(needsResult, failureView(error));
    }
  }

  for (const side of SIDES) {
    bindAction(byId(`compare-${side}-folder`), { busyText: () => t('choosingFolder') }, () => chooseFolder(side, 'progs'));
    bindAction(byId(`compare-${side}-file`), { busyText: () => t('choosingFolder') }, () => chooseFolder(side, 'backup'));
    byId(`compare-${side}-backup`).addEventListener('change', (event) => {
      const path = backups[Number(event.target.value)];
      if (event.target.value !== '' && path) choose(side, { path, backup: true });
      else choose(side, null);
    });
  }
  bindAction(compareButton, { busyText: () => t('comparing') }, compare);
  bindAction(needsButton, { busyText: () => t('choosingFolder') }, needsOfFolder);
  fillBackups([]);
  store.subscribe((state, patch) => {
    if ('backups' in patch) fillBackups(state.backups);
  });

  return {
    // The programs the library shows ({path, inside} each), checked here.
    needs(programs) {
      views.show('gig');
      byId('needs').scrollIntoView({ block: 'start' });
      needsButton.focus();
      return findNeeds({ programs: programs.map(({ path, inside }) => ({ path, inside })) },
        t('needsFromLibrary', { count: programs.length }), [...programs]);
    },
    // What the rows of a gig sheet need, when it was asked for exactly these rows: a
    // needs list of other programs would mislead on paper.
    needsFor(rows) {
      return libraryNeeds && libraryNeeds.key === rowsKey(rows) ? needsView(libraryNeeds.needs, libraryNeeds.lead) : null;
    },
  };
}
