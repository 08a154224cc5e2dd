// The program's sheet in a dialog: what plays, read by the application from the file
// (or from its entry in a backup), and "Compare with…" another program of the
// library, showing only what differs. Escape closes it and focus goes back to the
// row it was opened from.
import { ask } from './ask.js';
import { byId, el, replaceContent } from './dom.js';
import { t } from './i18n.js';
import { categoryText, readCategory } from './categories.js';
import { keyLabel, sheetView, valueText } from './sound-sheet.js';
import { printSheets } from './print-sheet.js';

// Enough candidates to find a program by a few letters of its name; more is noise.
const MAX_CANDIDATES = 40;

const text = (value) => (typeof value === 'string' ? value : '');
const sourceOf = (program) => ({ path: program.path, inside: program.inside });

// The "sound" reply as the page trusts it: texts only where texts belong.
export function readSound(reply) {
  return {
    name: text(reply.name), model: text(reply.model), ext: text(reply.ext), slot: text(reply.slot),
    category: readCategory(text(reply.category)), version: text(reply.version), check: text(reply.check),
    decoded: reply.decoded === true && reply.sheet !== null && typeof reply.sheet === 'object',
    note: text(reply.note), summary: text(reply.summary), sheet: reply.sheet, path: text(reply.path),
  };
}

export async function loadSound(program) {
  return readSound(await ask('sound', sourceOf(program)));
}

function factsLine(sound, program) {
  return [sound.model || program.model, sound.slot ? t('sheetSlotIs', { slot: sound.slot }) : '',
    categoryText(sound.category), sound.version ? t('sheetVersion', { version: sound.version }) : '']
    .filter(Boolean).join(' · ');
}

// The sheet's own content: the facts, the summary, then the picture (or why there is none).
export function soundContent(sound, program) {
  return [
    el('p', { className: 'sheet-facts', text: factsLine(sound, program) }),
    sound.check === 'damaged' ? el('p', { className: 'note note-warn', text: t('sheetDamaged') }) : null,
    sound.summary ? el('p', { className: 'sheet-summary', text: sound.summary, attrs: { dir: 'auto' } }) : null,
    sound.decoded ? sheetView(sound) : el('p', { className: 'note note-info', text: sound.note || t('sheetNoSheet') }),
  ];
}

const HEADER_LABELS = { slot: 'sheetHeaderSlot', name: 'sheetHeaderName', category: 'sheetHeaderCategory', version: 'sheetHeaderVersion' };

function headerValue(key, value) {
  if (key === 'category') return categoryText(readCategory(text(value))) || '—';
  return valueText(value);
}

// What differs between two programs: the header's facts, then every setting.
export function comparisonView(reply, a, b) {
  const header = Array.isArray(reply.header) ? reply.header.filter((row) => row && HEADER_LABELS[row.key]) : [];
  const differences = Array.isArray(reply.differences) ? reply.differences.filter((row) => row && typeof row.key === 'string') : [];
  const lead = reply.sameSound === true ? t('compareSame') : reply.decoded === true
    ? t('compareDiffer', { count: differences.length }) : t('compareDifferBytes');
  const rows = [
    ...header.map((row) => [t(HEADER_LABELS[row.key]), headerValue(row.key, row.a), headerValue(row.key, row.b)]),
    ...differences.map((row) => [keyLabel(row.key), valueText(row.a), valueText(row.b)]),
  ];
  return el('div', { className: 'comparison' },
    el('p', { className: `compare-lead ${reply.sameSound === true ? 'is-same' : ''}`, attrs: { role: 'status' }, text: lead }),
    reply.decoded === true ? null : el('p', { className: 'note note-info', text: t('compareNoSheet') }),
    rows.length === 0 ? null : el('table', { className: 'compare-table' },
      el('thead', {}, el('tr', {},
        el('th', { text: t('compareSetting'), attrs: { scope: 'col' } }),
        el('th', { text: a.name, attrs: { scope: 'col', dir: 'auto' } }),
        el('th', { text: b.name, attrs: { scope: 'col', dir: 'auto' } }))),
      el('tbody', {}, ...rows.map(([label, x, y]) => el('tr', {},
        el('th', { text: label, attrs: { scope: 'row' } }),
        el('td', { text: x, attrs: { dir: 'auto' } }), el('td', { text: y, attrs: { dir: 'auto' } }))))));
}

// `candidates()`: the programs of the library, to compare with.
export function setupSheetDialog({ candidates }) {
  const dialog = byId('sheet');
  const title = byId('sheet-title');
  const body = byId('sheet-body');
  const compareButton = byId('sheet-compare');
  const printButton = byId('sheet-print');
  let current = null;  // {program, sound, opener}
  let asked = 0;  // a later question wins over an earlier one still on its way

  function close() {
    if (dialog.open) dialog.close();
  }

  dialog.addEventListener('close', () => {
    const opener = current?.opener;
    current = null;
    asked += 1;
    if (opener && opener.isConnected) opener.focus();
    else byId('library-scroll').focus();
  });
  byId('sheet-close').addEventListener('click', close);
  // A click on the backdrop (outside the dialog's box) closes it too.
  dialog.addEventListener('click', (event) => {
    if (event.target === dialog) {
      const box = dialog.getBoundingClientRect();
      const inside = event.clientX >= box.left && event.clientX <= box.right && event.clientY >= box.top && event.clientY <= box.bottom;
      if (!inside) close();
    }
  });

  async function show(program, opener) {
    const turn = ++asked;
    current = { program, sound: null, opener };
    title.textContent = program.name;
    compareButton.hidden = true;
    printButton.hidden = true;
    replaceContent(body, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('sheetReading') }));
    if (!dialog.open) dialog.showModal();
    byId('sheet-close').focus();
    try {
      const sound = await loadSound(program);
      if (turn !== asked) return;
      current.sound = sound;
      replaceContent(body, ...soundContent(sound, program));
      compareButton.hidden = false;
      printButton.hidden = false;
    } catch (error) {
      if (turn !== asked) return;
      replaceContent(body, el('p', { className: 'alert', attrs: { role: 'alert' }, text: t('sheetFailed', { error: error.message }) }));
    }
  }

  function pickOther() {
    const { program } = current;
    const search = el('input', { attrs: { type: 'search', id: 'sheet-pick-search', autocomplete: 'off', spellcheck: 'false' } });
    const list = el('ul', { className: 'pick-list', attrs: { 'aria-label': t('comparePickList') } });
    const fill = () => {
      const query = search.value.trim().toLocaleLowerCase();
      const found = candidates().filter((other) => other !== program && other.key !== program.key
        && (query === '' || other.name.toLocaleLowerCase().includes(query))).slice(0, MAX_CANDIDATES);
      replaceContent(list, ...found.map((other) => {
        const button = el('button', { className: 'quiet pick', attrs: { type: 'button' } },
          el('span', { className: 'name-text', text: other.name, attrs: { dir: 'auto' } }),
          el('span', { className: 'pick-where', text: [other.slot, other.model, other.sound?.summary].filter(Boolean).join(' · ') }));
        button.addEventListener('click', () => compareWith(other));
        return el('li', {}, button);
      }), found.length === 0 ? el('li', { className: 'empty', text: t('comparePickNone') }) : null);
    };
    search.addEventListener('input', fill);
    fill();
    replaceContent(body,
      el('p', { text: t('comparePickIntro', { name: program.name }) }),
      el('div', { className: 'field' }, el('label', { text: t('comparePickSearch'), attrs: { for: 'sheet-pick-search' } }), search),
      list,
      backButton());
    compareButton.hidden = true;
    search.focus();
  }

  function backButton() {
    const button = el('button', { attrs: { type: 'button', id: 'sheet-back' } }, el('span', { className: 'label', text: t('compareBack') }));
    button.addEventListener('click', () => {
      const { program, sound } = current;
      replaceContent(body, ...soundContent(sound, program));
      compareButton.hidden = false;
      compareButton.focus();
    });
    return button;
  }

  async function compareWith(other) {
    const turn = ++asked;
    const { program } = current;
    title.textContent = t('sheetCompareTitle', { a: program.name, b: other.name });
    replaceContent(body, el('p', { className: 'note note-info', attrs: { role: 'status' }, text: t('compareReading') }));
    try {
      const reply = await ask('compare', { a: sourceOf(program), b: sourceOf(other) });
      if (turn !== asked) return;
      replaceContent(body, comparisonView(reply, program, other), backButton());
    } catch (error) {
      if (turn !== asked) return;
      replaceContent(body, el('p', { className: 'alert', attrs: { role: 'alert' }, text: t('sheetCompareFailed', { error: error.message }) }), backButton());
    }
    const back = byId('sheet-back');
    back.addEventListener('click', () => { title.textContent = program.name; }, { once: true });
    back.focus();
  }

  compareButton.addEventListener('click', () => current?.sound && pickOther());
  printButton.addEventListener('click', () => {
    if (current?.sound) printSheets([{ program: current.program, sound: current.sound }], { withSummaries: false });
  });

  return { open: show, close };
}
