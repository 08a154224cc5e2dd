// The library's rows as the page uses them: the reply's programs read defensively,
// the filters, the sort by any column, duplicates kept together, and the check in words.
import { baseName, dirName } from './format.js';
import { t } from './i18n.js';
import { visibleText } from './visible-text.js';
import { categoryText, readCategory } from './categories.js';

// The longest list the application gives; anything beyond it is not a library reply.
const MAX_PROGRAMS = 50_000;
const CHECKS = ['ok', 'unchecked', 'damaged', 'unknown'];
const PROBLEMS = {
  magic: 'problemMagic', type: 'problemType', size: 'problemSize', crc: 'problemCrc', short: 'problemShort',
  zipCrc: 'problemZipCrc', zipData: 'problemZipData', zipDamaged: 'problemZipDamaged', zipLimit: 'problemZipLimit',
};

const SOUND_FIELDS = ['summary', 'piano', 'organ', 'synth', 'pianoName', 'sampleName'];
// The sections a row can be filtered by, each by its type (or on, or off).
export const SECTIONS = ['piano', 'organ', 'synth'];
export const SECTION_ON = '\u0001on';
export const SECTION_OFF = '\u0001off';

const text = (value) => (typeof value === 'string' ? value : '');

// Lower case as toLocaleLowerCase() gives it, without its cost: asked without a locale
// it looks the default one up on every call, a hundred times slower than toLowerCase()
// over ten thousand names. Only Turkish, Azerbaijani and Lithuanian lower case
// differently from the language-neutral rule.
const SPECIAL_CASING = /^(tr|az|lt)(-|$)/i.test(new Intl.Collator().resolvedOptions().locale);
const lower = SPECIAL_CASING ? (value) => value.toLocaleLowerCase() : (value) => value.toLowerCase();

const whole = (value) => (Number.isInteger(value) && value >= 0 ? value : 0);

function asProgram(value, index) {
  if (!value || typeof value !== 'object' || typeof value.path !== 'string' || value.path === '') return null;
  const inside = text(value.inside);
  const check = CHECKS.includes(value.check) ? value.check : 'unknown';
  // A damaged file's header cannot be trusted: its numbers are no category or slot.
  const trusted = check !== 'damaged';
  const name = visibleText(text(value.name) || baseName(value.path));
  return {
    key: index,
    path: value.path,
    inside,
    name,
    lowerName: lower(name),  // what the search box looks through, once per reply
    ext: text(value.ext),
    model: text(value.model),
    category: trusted ? readCategory(text(value.category)) : '',
    slot: trusted ? text(value.slot) : '',
    bank: trusted ? whole(value.bank) : 0,
    location: trusted ? whole(value.location) : 0,
    check,
    problem: text(value.problem),
    mtime: Number.isFinite(value.mtime) && value.mtime > 0 ? value.mtime : 0,
    dup: whole(value.dup),
    own: value.own === true,  // a copy an install made
    same: 0,  // how many others shown share its content
    // Where it lives on disk: the folder, or the backup that holds it.
    where: inside !== '' ? inside : dirName(value.path),
    sound: asSound(value.sound),
  };
}

// What plays, as the library read it: null where nothing was decoded. `words` is what
// the search box looks through besides the name, lower case once, not per keystroke.
// `types` holds each section's types, split once here rather than on every filter.
function asSound(value) {
  if (!value || typeof value !== 'object') return null;
  const sound = {};
  for (const field of SOUND_FIELDS) sound[field] = visibleText(text(value[field]));
  sound.words = lower(SOUND_FIELDS.map((field) => sound[field]).join('\n'));
  sound.types = Object.fromEntries(SECTIONS.map((section) => [section, splitTypes(sound[section])]));
  return sound;
}

// A library holds few distinct section texts: each is split once, and rows share the result.
const splits = new Map();
function splitTypes(value) {
  if (value === '') return [];
  let types = splits.get(value);
  if (!types) {
    if (splits.size > 10_000) splits.clear();
    types = Object.freeze(value.split(' + '));
    splits.set(value, types);
  }
  return types;
}

function asFolder(value) {
  if (!value || typeof value !== 'object' || typeof value.dir !== 'string' || value.dir === '') return null;
  return {
    dir: value.dir,
    count: whole(value.count),
    models: Array.isArray(value.models) ? value.models.filter((model) => typeof model === 'string' && model !== '') : [],
    newest: Number.isFinite(value.newest) && value.newest > 0 ? value.newest : 0,
  };
}

export function readLibrary(reply) {
  const programs = Array.isArray(reply.programs) ? reply.programs.slice(0, MAX_PROGRAMS).map(asProgram).filter(Boolean) : [];
  const folders = Array.isArray(reply.folders) ? reply.folders.map(asFolder).filter(Boolean) : [];
  return {
    programs,
    folders,
    damaged: programs.filter((program) => program.check === 'damaged').length,
    truncated: reply.truncated === true,
    unlisted: whole(reply.unlisted),
  };
}

// The check in the user's words: damage names its problem.
export function checkText(program) {
  switch (program.check) {
    case 'ok': return t('checkOk');
    case 'unchecked': return t('checkUnchecked');
    case 'damaged': return t('checkDamaged', { problem: problemText(program) });
    default: return t('checkUnknown');
  }
}

// The check as the table shows it: its state in a word, and why, under it.
export function checkParts(program) {
  switch (program.check) {
    case 'ok': return { state: t('checkFilterOk'), reason: '' };
    case 'unchecked': return { state: t('checkFilterUnchecked'), reason: t('reasonUnchecked') };
    case 'damaged': return { state: t('checkFilterDamaged'), reason: problemText(program) };
    default: return { state: t('checkFilterUnknown'), reason: t('reasonUnknown') };
  }
}

export function problemText(program) {
  return t(PROBLEMS[program.problem] || 'problemOther');
}

export function whereText(program) {
  return visibleText(program.inside !== '' ? t('inBackup', { name: baseName(program.inside) }) : baseName(program.where));
}

// Rows without a slot go last; the rest by bank, then location, as on the keyboard.
export function bySlot(a, b) {
  if ((a.slot === '') !== (b.slot === '')) return a.slot === '' ? 1 : -1;
  return a.bank - b.bank || a.location - b.location;
}

// The order String.prototype.localeCompare() gives without arguments, made once:
// that one builds a collator on every call.
export const byText = new Intl.Collator().compare;

const words = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

// A category's words, looked up once per category rather than twice per comparison.
const categoryTexts = new Map();
function categoryWords(category) {
  let text = categoryTexts.get(category);
  if (text === undefined) {
    text = categoryText(category);
    categoryTexts.set(category, text);
  }
  return text;
}

const COMPARE = {
  name: (a, b) => words.compare(a.name, b.name),
  model: (a, b) => words.compare(a.model, b.model),
  category: (a, b) => words.compare(categoryWords(a.category), categoryWords(b.category)),
  slot: bySlot,
  folder: (a, b) => words.compare(a.where, b.where),
  date: (a, b) => a.mtime - b.mtime,
  check: (a, b) => CHECKS.indexOf(a.check) - CHECKS.indexOf(b.check) || words.compare(a.problem, b.problem),
};

export const COLUMNS = Object.keys(COMPARE);

// The sorted orders of one list of programs (which never changes once read), by column
// and direction: a sort runs once per reply and heading, and a keystroke only filters.
const orders = new WeakMap();

function knownOrders(programs) {
  let known = orders.get(programs);
  if (!known || known.length !== programs.length) {
    known = { length: programs.length, sorted: new Map() };
    orders.set(programs, known);
  }
  return known;
}

const orderId = (sort) => `${sort.column} ${Boolean(sort.descending)}`;

function orderOf(sort) {
  const compare = COMPARE[sort.column] || COMPARE.name;
  const direction = sort.descending ? -1 : 1;
  // Programs without a slot stay last either way; ties keep the application's order
  // (by path), so equal rows never jump about.
  const slotless = sort.column === 'slot' ? (a, b) => (a.slot === '') - (b.slot === '') : () => 0;
  return (a, b) => slotless(a, b) || direction * compare(a, b) || a.key - b.key;
}

function sortedPrograms(programs, sort) {
  const known = knownOrders(programs);
  const id = orderId(sort);
  if (!known.sorted.has(id)) known.sorted.set(id, programs.slice().sort(orderOf(sort)));
  return known.sorted.get(id);
}

// The first `count` rows of `rows` in the order, found with about one comparison per
// row (a row that does not come before the last kept one is passed over), where a
// whole sort makes some fourteen.
function firstInOrder(rows, order, count) {
  const kept = [];
  for (const row of rows) {
    if (kept.length === count && order(row, kept[count - 1]) >= 0) continue;
    let low = 0;
    let high = kept.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (order(row, kept[middle]) < 0) high = middle;
      else low = middle + 1;
    }
    kept.splice(low, 0, row);
    if (kept.length > count) kept.pop();
  }
  return kept;
}

// The programs the library shows: the copies an install made only when asked for,
// each with how many others among them share its content.
export function shownPrograms(programs, includeCopies) {
  const shown = includeCopies ? programs : programs.filter((program) => !program.own);
  const members = new Map();
  for (const program of shown) if (program.dup > 0) members.set(program.dup, (members.get(program.dup) || 0) + 1);
  for (const program of shown) program.same = program.dup > 0 ? members.get(program.dup) - 1 : 0;
  return shown;
}

// The types a section's text names: "Grand + Upright" is both.
export function sectionTypes(program, section) {
  return program.sound ? program.sound.types[section] : [];
}

// `wanted`: null for any, SECTION_ON, SECTION_OFF or one type.
function sectionMatches(program, section, wanted) {
  if (wanted === null || wanted === undefined) return true;
  const types = sectionTypes(program, section);
  if (wanted === SECTION_ON) return types.length > 0;
  if (wanted === SECTION_OFF) return program.sound !== null && types.length === 0;
  return types.includes(wanted);
}

function matcher(filters) {
  const query = lower(filters.query.trim());
  const sections = SECTIONS.filter((section) => filters[section] !== null && filters[section] !== undefined);
  return (program) => (query === '' || program.lowerName.includes(query)
      || (program.sound !== null && program.sound.words.includes(query)))
    && (filters.model === null || program.model === filters.model)
    && (filters.category === null || program.category === filters.category)
    && (filters.check === null || program.check === filters.check)
    && (sections.length === 0 || sections.every((section) => sectionMatches(program, section, filters[section])));
}

// `filters`: {query, model, category, check, piano, organ, synth}, each null for any;
// `sort`: {column, descending}. The search looks at the name and at what plays.
export function visibleRows(programs, filters, sort, groupDuplicates) {
  // The sort is a total order, so filtering the sorted list gives the rows a sort of
  // the filtered ones would.
  const rows = sortedPrograms(programs, sort).filter(matcher(filters));
  return groupDuplicates ? grouped(rows) : rows;
}

// As visibleRows, but where the order is not known yet only the first `count` rows
// are put in it, the others following as they come: enough to paint the top of the
// table at once. Gives {rows, complete}; visibleRows gives the whole order after.
export function firstVisibleRows(programs, filters, sort, groupDuplicates, count) {
  if (groupDuplicates || knownOrders(programs).sorted.has(orderId(sort))) {
    return { rows: visibleRows(programs, filters, sort, groupDuplicates), complete: true };
  }
  const matching = programs.filter(matcher(filters));
  const first = firstInOrder(matching, orderOf(sort), count);
  const chosen = new Set(first);
  return { rows: first.concat(matching.filter((program) => !chosen.has(program))), complete: matching.length <= count };
}

// Each set of identical files moves up to where its first member stands.
function grouped(rows) {
  const members = new Map();
  for (const row of rows) {
    if (row.same === 0) continue;
    if (members.has(row.dup)) members.get(row.dup).push(row);
    else members.set(row.dup, [row]);
  }
  const result = [];
  for (const row of rows) {
    if (row.same === 0) result.push(row);
    else if (members.has(row.dup)) {
      result.push(...members.get(row.dup));
      members.delete(row.dup);
    }
  }
  return result;
}

// The types each section plays somewhere in the library, for its filter's choices.
export function sectionChoices(programs, section) {
  const types = new Set();
  for (const program of programs) for (const type of sectionTypes(program, section)) types.add(type);
  return [...types].sort((a, b) => words.compare(a, b));
}

// The distinct values of one field, for a filter's choices.
export function choices(programs, field) {
  return [...new Set(programs.map((program) => program[field]))].sort((a, b) => words.compare(a, b));
}
