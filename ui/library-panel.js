// The library: every program around the usual folders (or in a chosen one) in a table
// that filters, searches and sorts; the folders they are in, to install or show; and
// the rows shown, exported as a set list.
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { formatNumber, t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';
import { failureView } from './failure.js';
import { SECTIONS, SECTION_OFF, SECTION_ON, byText, choices, firstVisibleRows, readLibrary, sectionChoices, shownPrograms, visibleRows } from './library-data.js';
import { damagedList } from './library-damaged.js';
import { libraryFolders } from './library-folders.js';
import { createLibraryTable } from './library-table.js';
import { createProgressView } from './progress-view.js';
import { restoreFlow } from './restore-flow.js';
import { inKeyboardOrder, saveSetList } from './set-list.js';
import { categoryText } from './categories.js';
import { runTask } from './task.js';
import { loadSound, setupSheetDialog } from './sheet-dialog.js';
import { printSheets } from './print-sheet.js';
import { mark, markAfterPaint } from './timings.js';

const MAX_PRINTED_SHEETS = 100;
// Rows put in order before a reply's first frame: more than any window shows at once.
const FIRST_ROWS = 200;

const CHECK_CHOICES = [['ok', 'checkFilterOk'], ['unchecked', 'checkFilterUnchecked'], ['damaged', 'checkFilterDamaged'], ['unknown', 'checkFilterUnknown']];

// A filter's choices: "any" (value ""), then each value by its index, so any text works.
function fillSelect(select, anyText, values, label) {
  replaceContent(select, el('option', { text: anyText, attrs: { value: '' } }),
    ...values.map((value, index) => el('option', { text: label(value), attrs: { value: String(index) } })));
}

// `gig`: the view before the gig, which checks what the shown programs need.
export function setupLibrary(store, views, gig) {
  const buttons = ['library-usual', 'library-folder'].map(byId);
  const view = createProgressView(byId('library-progress'), { returnFocus: buttons[0] });
  const result = byId('library-result');
  const shown = byId('library-view');
  const search = byId('library-search');
  const selects = {
    model: byId('library-model'), category: byId('library-category'), check: byId('library-check'),
    piano: byId('library-piano'), organ: byId('library-organ'), synth: byId('library-synth'),
  };
  const groupDups = byId('library-dups');
  const includeCopies = byId('library-copies');
  const exportButton = byId('library-export');
  const exportResult = byId('library-export-result');
  const sort = { column: 'name', descending: false };
  let library = { programs: [], folders: [], damaged: 0, truncated: false, unlisted: 0 };
  let listed = [];  // the programs shown: installed copies only when asked for
  let values = { model: [], category: [], check: CHECK_CHOICES.map(([check]) => check), piano: [], organ: [], synth: [] };
  let rows = [];

  const sheet = setupSheetDialog({ candidates: () => listed });

  const restoreResult = byId('library-restore-result');
  let restoring = false;
  async function restore(program, control, button) {
    if (restoring) return;
    restoring = true;
    replaceContent(restoreResult);
    try {
      const report = await restoreFlow({ from: program.inside, entries: [program.path], label: program.name }, {
        view, control, returnFocus: button, another: () => button.click(),
      });
      if (report) replaceContent(restoreResult, report);
    } finally {
      restoring = false;
    }
  }

  const table = createLibraryTable(byId('library-scroll'), (column) => {
    sort.descending = sort.column === column ? !sort.descending : false;
    sort.column = column;
    refresh();
  }, { onOpen: (program, opener) => sheet.open(program, opener), onRestore: restore });

  const picked = (field) => (selects[field].value === '' ? null : values[field][Number(selects[field].value)] ?? null);

  // `rows` holds the first rows in order only while `partial` (a reply's first frame).
  let partial = false;

  // `first`: order only the rows the top of the table needs; the rest follow after the frame.
  function refresh({ toTop = true, first = false } = {}) {
    const filters = {
      query: search.value, model: picked('model'), category: picked('category'), check: picked('check'),
      piano: picked('piano'), organ: picked('organ'), synth: picked('synth'),
    };
    if (first) {
      const shownFirst = firstVisibleRows(listed, filters, sort, groupDups.checked, FIRST_ROWS);
      rows = shownFirst.rows;
      partial = !shownFirst.complete;
    } else {
      rows = visibleRows(listed, filters, sort, groupDups.checked);
      partial = false;
    }
    const total = listed.length;
    const copies = library.programs.length - listed.length;
    byId('library-count').textContent = [
      t('libraryShown', { count: total, shown: formatNumber(rows.length) }),
      library.damaged > 0 ? t('libraryDamaged', { count: library.damaged }) : null,
      copies > 0 ? t('libraryCopiesLeftOut', { count: copies }) : null,
      library.unlisted > 0 ? t('libraryUnlisted', { count: library.unlisted }) : null,
    ].filter(Boolean).join(' · ');
    byId('library-no-match').hidden = rows.length > 0;
    if (toTop) table.scrollToTop();
    table.show(rows, sort);
  }

  function showLibrary(reply) {
    library = readLibrary(reply);
    mark('library read');
    listed = shownPrograms(library.programs, includeCopies.checked);
    values = {
      model: choices(library.programs, 'model'),
      category: choices(library.programs, 'category').sort((a, b) => byText(categoryText(a), categoryText(b))),
      check: values.check,
      ...Object.fromEntries(SECTIONS.map((section) => [section, [SECTION_ON, SECTION_OFF, ...sectionChoices(library.programs, section)]])),
    };
    for (const section of SECTIONS) {
      const label = (type) => (type === SECTION_ON ? t('soundFilterOn') : type === SECTION_OFF ? t('soundFilterOff') : type);
      fillSelect(selects[section], t('soundFilterAny'), values[section], label);
    }
    fillSelect(selects.model, t('libraryAllModels'), values.model, (model) => model || t('libraryNoModel'));
    fillSelect(selects.category, t('libraryAllCategories'), values.category, (category) => categoryText(category) || t('libraryNoCategory'));
    fillSelect(selects.check, t('libraryAllChecks'), values.check, (check) => t(CHECK_CHOICES.find(([c]) => c === check)[1]));
    search.value = '';
    replaceContent(exportResult);
    replaceContent(restoreResult);
    store.set({ backups: [...new Set(library.programs.map((program) => program.inside).filter(Boolean))].sort() });
    const notes = [
      library.programs.length === 0 ? t('libraryNothing') : null,
      library.truncated ? t('libraryTruncated', { count: library.programs.length }) : null,
    ].filter(Boolean);
    replaceContent(result, ...notes.map((note) => el('p', { className: 'note note-info', text: note })));
    shown.hidden = library.programs.length === 0;
    replaceContent(byId('library-damaged'));
    replaceContent(byId('library-folders'));
    refresh({ first: true });
    mark('library sorted');
    markAfterPaint('library rows painted');
    // The rest of the order and the lists under the table wait for the rows' first
    // frame: with ten thousand programs, they would keep the rows off the screen.
    const shownLibrary = library;
    requestAnimationFrame(() => setTimeout(() => {
      if (library !== shownLibrary) return;
      wholeOrder();
      replaceContent(byId('library-damaged'), damagedList(library.programs));
      replaceContent(byId('library-folders'), library.folders.length ? libraryFolders(library.folders, library.programs, install) : null);
    }, 0));
  }

  // The rows in their whole order, for anything that goes beyond the table's top.
  function wholeOrder() {
    if (partial) refresh({ toTop: false });
  }

  // The install panel takes the folder as if the search had chosen it.
  function install(progs) {
    store.set({ progs });
    if (progs.model !== '') byId('model').value = progs.model;
    views.show('install');
    byId('install').scrollIntoView({ block: 'start' });
    byId('install-button').focus();
  }

  async function read(control, chooseFolder) {
    try {
      const args = {};
      if (chooseFolder) {
        args.dir = await pickFolder('progs');
        if (args.dir === null) return;
      }
      control.label(t('libraryReading'));
      replaceContent(result);
      showLibrary(await runTask(view, 'library', args, { title: t('libraryReadingLong') }));
    } catch (error) {
      replaceContent(result, failureView(error, {
        lead: t('libraryFailed'),
        another: { label: t('libraryAnotherFolder'), run: () => buttons[1].click() },
      }));
    }
  }

  // The gig sheet of the rows shown; with a sheet per program when asked (the first
  // ones only: a print of thousands of pages helps nobody).
  async function printShown() {
    wholeOrder();
    replaceContent(exportResult);
    if (rows.length === 0) {
      replaceContent(exportResult, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('setListNothing') }));
      return;
    }
    const sheets = [];
    if (byId('library-print-sheets').checked) {
      for (const program of inKeyboardOrder(rows).slice(0, MAX_PRINTED_SHEETS)) {
        try {
          sheets.push({ program, sound: await loadSound(program) });
        } catch (error) {
          sheets.push({ program, sound: { decoded: false, note: error.message, summary: '', check: '', model: program.model, slot: program.slot, category: program.category, version: '' } });
        }
      }
    }
    await printSheets(sheets, { rows, needs: gig.needsFor(rows) });
  }

  async function exportSetList(control) {
    wholeOrder();
    replaceContent(exportResult);
    if (rows.length === 0) {
      replaceContent(exportResult, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('setListNothing') }));
      return;
    }
    try {
      const reply = await saveSetList(rows, { onSaving: () => control.label(t('libraryExporting')) });
      if (reply === null) return;
      replaceContent(exportResult, el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: t('setListDone', { count: Number.isInteger(reply.rows) ? reply.rows : rows.length }) }),
        el('p', { className: 'path', text: reply.path }),
        revealButton(reply.path)));
    } catch (error) {
      replaceContent(exportResult, failureView(error, {
        lead: t('setListFailed'),
        another: { label: t('setListAnotherFolder'), run: () => exportButton.click() },
      }));
    }
  }

  const options = { busyText: () => t('choosingFolder'), group: buttons };
  bindAction(buttons[0], { ...options, busyText: () => t('libraryReading') }, (control) => read(control, false));
  bindAction(buttons[1], options, (control) => read(control, true));
  bindAction(exportButton, { busyText: () => t('choosingFolder') }, exportSetList);
  bindAction(byId('library-print'), { busyText: () => t('printPreparing') }, () => printShown());
  bindAction(byId('library-needs'), {}, async () => {
    wholeOrder();
    replaceContent(exportResult);
    if (rows.length === 0) {
      replaceContent(exportResult, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('libraryNeedsNothing') }));
      return;
    }
    await gig.needs(rows);
  });
  // A report of an export names rows that another filter no longer shows.
  const filtered = () => {
    replaceContent(exportResult);
    refresh();
  };
  search.addEventListener('input', () => {
    mark('library search');
    filtered();
    markAfterPaint('library search painted');
  });
  for (const select of Object.values(selects)) select.addEventListener('change', filtered);
  groupDups.addEventListener('change', filtered);
  includeCopies.addEventListener('change', () => {
    listed = shownPrograms(library.programs, includeCopies.checked);
    filtered();
  });
}
