// Printing: the gig sheet (slot, name and sound of the rows shown) and program
// sheets go into a part of the page that only paper shows (see @media print), and
// the application opens the window's print dialog, whose "Print to File" gives a PDF.
import { ask } from './ask.js';
import { byId, el, replaceContent } from './dom.js';
import { t } from './i18n.js';
import { showNotice } from './notice.js';
import { setListRows } from './set-list.js';
import { soundContent } from './sheet-dialog.js';

export function gigSheet(rows) {
  const ordered = setListRows(rows);
  return el('section', { className: 'print-gig' },
    el('h1', { text: t('printGigTitle') }),
    el('table', {},
      el('thead', {}, el('tr', {}, ...['printSlot', 'printName', 'printSound'].map((key) => el('th', { text: t(key), attrs: { scope: 'col' } })))),
      el('tbody', {}, ...ordered.map((row) => el('tr', {},
        el('td', { text: row.slot }), el('td', { text: row.name, attrs: { dir: 'auto' } }), el('td', { text: row.summary, attrs: { dir: 'auto' } }))))));
}

// What the set needs (a node of needsView), under its own heading, for paper.
export function needsSheet(report) {
  return el('section', { className: 'print-needs' }, el('h1', { text: t('printNeedsTitle') }), report);
}

// `sheets`: [{program, sound}] each printed on its own page after the gig sheet
// and, when given, what the set needs (`needs`, a node of needsView).
export async function printSheets(sheets, { rows = null, needs = null } = {}) {
  return printContent(
    rows ? gigSheet(rows) : null,
    needs ? needsSheet(needs) : null,
    ...sheets.map(({ program, sound }) => el('section', { className: 'print-program' },
      el('h1', { text: program.name, attrs: { dir: 'auto' } }), ...soundContent(sound, program))));
}

// Puts `nodes` where only paper shows them and opens the print dialog.
export async function printContent(...nodes) {
  const area = byId('print-area');
  replaceContent(area, ...nodes);
  // Everything folded on screen is open on paper.
  for (const details of area.querySelectorAll('details')) details.open = true;
  try {
    return await ask('print', {}, { succeeded: (reply) => reply.ok === true || reply.cancel === true });
  } catch (error) {
    showNotice(t('printFailed', { error: error.message }));
    return null;
  }
}
