// The library's table. Only the rows in view (and a few around them) are in the page,
// between two spacers as tall as the rows left out, so ten thousand programs scroll
// as smoothly as ten. Every row is one line of the same height; long names are cut
// with an ellipsis and shown whole in their tooltip.
import { bindAction } from './busy.js';
import { el, replaceContent } from './dom.js';
import { formatDay, t } from './i18n.js';
import { baseName } from './format.js';
import { COLUMNS, checkParts, checkText, whereText } from './library-data.js';
import { visibleText } from './visible-text.js';
import { categoryText } from './categories.js';

const ROW_HEIGHT = 42; // px, as .library-table tbody tr in styles.css
const AROUND = 8; // rows drawn beyond each edge of the view

const ICONS = { ok: '✓', damaged: '⚠', unchecked: '–', unknown: '?' };
const HEADINGS = { name: 'colName', model: 'colModel', category: 'colCategory', slot: 'colSlot', folder: 'colFolder', date: 'colDate', check: 'colCheck' };

function cell(value, { className = '', title = value } = {}) {
  return el('td', { className, text: value, attrs: title ? { title } : {} });
}

// A program inside a backup can be restored: `onRestore(program, control, button)`.
function restoreButton(program, onRestore) {
  const button = el('button', { className: 'restore-mark', attrs: { type: 'button',
    'aria-label': t('restoreMarkNamed', { name: program.name, backup: baseName(program.inside) }) } },
  el('span', { className: 'label', text: t('restoreMark') }));
  bindAction(button, { busyText: () => t('choosingFolder') }, (control) => onRestore(program, control, button));
  return button;
}

function rowFor(program, index, onOpen, onRestore) {
  const check = checkText(program);
  const parts = checkParts(program);
  const name = el('td', { className: 'col-name', attrs: { title: program.sound?.summary ? `${program.name}\n${program.sound.summary}` : program.name } });
  // Its own direction, isolated: a right-to-left name never moves the mark beside it.
  const nameText = el('span', { className: 'name-text', text: program.name, attrs: { dir: 'auto' } });
  if (onOpen) {
    // The name opens the program's sheet, by mouse or keyboard.
    const open = el('button', { className: 'open-sheet', attrs: { type: 'button', 'aria-label': t('sheetOpen', { name: program.name }) } }, nameText);
    open.addEventListener('click', () => onOpen(program, open));
    name.append(open);
  } else {
    name.append(nameText);
  }
  if (program.same > 0) {
    name.append(el('span', { className: 'dup-mark', text: t('dupMark', { count: program.same }), attrs: { title: t('dupTitle', { count: program.same }) } }));
  }
  if (program.own) name.append(el('span', { className: 'own-mark', text: t('ownMark'), attrs: { title: t('ownTitle') } }));
  // A damaged copy in a backup is no way back to the program.
  if (program.inside !== '' && program.check !== 'damaged' && onRestore) name.append(restoreButton(program, onRestore));
  return el('tr', {
    className: [`check-${program.check}`, program.same > 0 ? 'is-dup' : '', program.own ? 'is-own' : ''].filter(Boolean).join(' '),
    attrs: { 'aria-rowindex': String(index + 2) },
  },
  name,
  cell(program.model),
  cell(categoryText(program.category)),
  cell(program.slot, { className: 'col-slot' }),
  cell(whereText(program), { title: visibleText(program.inside || program.where) }),
  cell(program.mtime ? formatDay(program.mtime) : '', { className: 'col-date' }),
  el('td', { className: 'col-check', attrs: { title: check } },
    el('span', { className: 'check-state' },
      el('span', { className: 'check-icon', text: ICONS[program.check], attrs: { 'aria-hidden': 'true' } }),
      el('span', { text: parts.state })),
    parts.reason ? el('span', { className: 'check-reason', text: parts.reason }) : null));
}

function spacer() {
  return el('tr', { className: 'spacer', attrs: { 'aria-hidden': 'true' } }, el('td', { attrs: { colspan: String(COLUMNS.length) } }));
}

// `onSort(column)` when a heading is pressed, `onOpen(program, button)` when a name is,
// `onRestore(program, control, button)` for rows inside backups.
// Gives {show(rows, sort), scrollToTop()}.
export function createLibraryTable(scroller, onSort, { onOpen = null, onRestore = null } = {}) {
  const table = el('table', { className: 'library-table', attrs: { 'aria-label': t('libraryTableLabel') } });
  const headings = COLUMNS.map((column) => {
    const button = el('button', { className: 'sort', attrs: { type: 'button' } },
      el('span', { text: t(HEADINGS[column]) }), el('span', { className: 'sort-arrow', attrs: { 'aria-hidden': 'true' } }));
    button.addEventListener('click', () => onSort(column));
    return el('th', { className: `col-${column}`, attrs: { scope: 'col' } }, button);
  });
  const body = el('tbody');
  const top = spacer();
  const bottom = spacer();
  table.append(el('thead', {}, el('tr', { attrs: { 'aria-rowindex': '1' } }, ...headings)), body);
  replaceContent(scroller, table);
  let rows = [];
  let drawn = null;

  function draw() {
    const first = Math.max(0, Math.floor(scroller.scrollTop / ROW_HEIGHT) - AROUND);
    const count = Math.ceil(scroller.clientHeight / ROW_HEIGHT) + 2 * AROUND;
    const last = Math.min(rows.length, first + count);
    if (drawn && drawn.first === first && drawn.last === last && drawn.rows === rows) return;
    drawn = { first, last, rows };
    top.firstChild.style.height = `${first * ROW_HEIGHT}px`;
    bottom.firstChild.style.height = `${(rows.length - last) * ROW_HEIGHT}px`;
    replaceContent(body, first > 0 ? top : null, ...rows.slice(first, last).map((row, at) => rowFor(row, first + at, onOpen, onRestore)),
      last < rows.length ? bottom : null);
  }

  let pending = false;
  scroller.addEventListener('scroll', () => {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => {
      pending = false;
      draw();
    });
  });
  new ResizeObserver(() => draw()).observe(scroller);

  return {
    show(nextRows, sort) {
      rows = nextRows;
      table.setAttribute('aria-rowcount', String(rows.length + 1));
      COLUMNS.forEach((column, index) => {
        const sorted = column === sort.column;
        const direction = sort.descending ? 'descending' : 'ascending';
        if (sorted) headings[index].setAttribute('aria-sort', direction);
        else headings[index].removeAttribute('aria-sort');
        headings[index].querySelector('.sort-arrow').textContent = sorted ? (sort.descending ? '▼' : '▲') : '';
      });
      drawn = null;
      draw();
    },
    scrollToTop() {
      scroller.scrollTop = 0;
    },
  };
}
