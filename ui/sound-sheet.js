// A program's sheet drawn as the keyboard's front: panel A beside panel B (Stage 2's
// two slots), each with its organ, piano, synth, extern and effects, what plays lit.
// The picture comes first (lit sections, drawbars, the main sound in big letters);
// every setting follows in words. Values are the reply's own texts, shown as text.
import { el } from './dom.js';
import { lang, t } from './i18n.js';
import { STRINGS } from './strings.js';

const SECTIONS = ['organ', 'piano', 'synth', 'extern', 'effects'];
const PROGRAM_KEYS = ['split', 'dualKeyboard', 'transpose', 'masterClock', 'reverb', 'compressor'];
// The settings that name the sound, shown large at the head of a section.
const HEADLINES = {
  organ: ['type'],
  piano: ['type', 'name', 'model'],
  synth: ['oscillators.type', 'preset.name', 'sample.name', 'oscillators.waveForm1'],
  extern: ['channel', 'program'],
};

const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);

// One word of a key in the user's language; a word the page does not know shows as it is.
function word(part) {
  const words = STRINGS[lang].sheetWords || {};
  return words[part] ?? STRINGS.en.sheetWords?.[part] ?? part;
}

// "A.synth.filter.cutoffFrequency" as "Synth · Filter · Cutoff frequency" (panel apart).
export function keyLabel(key, { skip = 0 } = {}) {
  const parts = String(key).split('.').slice(skip).filter((part) => part !== 'on');
  // A panel's own switch reads as the panel, not as a lone letter.
  if (parts.length === 1 && (parts[0] === 'A' || parts[0] === 'B')) return t('sheetPanel', { id: parts[0] });
  return parts.map(word).join(' · ');
}

// What a value reads as: switches in words, numbers and texts as the keyboard shows them.
export function valueText(value) {
  if (value === true) return t('sheetOn');
  if (value === false) return t('sheetOff');
  if (value === null || value === undefined) return t('sheetMissing');
  if (typeof value === 'number' || typeof value === 'string') return String(value) === '' ? '—' : String(value);
  return '?';
}

// Every leaf below `node` as [key path, value], in the reply's order.
export function leaves(node, prefix = '') {
  if (!isObject(node)) return [];
  const out = [];
  for (const [name, value] of Object.entries(node)) {
    const path = prefix ? `${prefix}.${name}` : name;
    if (isObject(value)) out.push(...leaves(value, path));
    else out.push([path, value]);
  }
  return out;
}

function at(node, path) {
  return path.split('.').reduce((here, part) => (isObject(here) ? here[part] : undefined), node);
}

// Drawbars "888000000" as nine bars, pulled out as far as their digits say.
function drawbarPicture(digits) {
  if (typeof digits !== 'string' || !/^[0-8]{9}$/.test(digits)) return null;
  return el('div', { className: 'drawbars', attrs: { 'aria-hidden': 'true' } },
    ...[...digits].map((digit, index) => el('span', {
      className: `drawbar drawbar-${['brown', 'brown', 'white', 'white', 'black', 'white', 'black', 'black', 'white'][index]}`,
      attrs: { 'data-level': digit },
    })));
}

// A value outside the keyboard's tables reads "?": said so in words on hover.
function valueCell(value) {
  const unknown = value === '?';
  return el('dd', { className: unknown ? 'value-unknown' : '', text: valueText(value), attrs: unknown ? { title: t('sheetUnknownValue') } : { dir: 'auto' } });
}

function settingsList(entries, skip) {
  return el('dl', { className: 'sheet-values' }, ...entries.map(([key, value]) => el('div', {
    className: typeof value === 'boolean' ? `sheet-switch ${value ? 'is-on' : 'is-off'}` : '',
  }, el('dt', { text: keyLabel(key, { skip }) }), valueCell(value))));
}

function sectionView(name, node, panelOn) {
  const on = isObject(node) && (name === 'effects' || node.on === true) && panelOn;
  const heads = (HEADLINES[name] || []).map((path) => at(node, path)).filter((value) => value !== undefined && value !== '' && value !== true && value !== false);
  const entries = leaves(node).filter(([key]) => key !== 'on');
  return el('section', { className: `sheet-section section-${name} ${on ? 'is-on' : 'is-off'}` },
    el('h4', {},
      el('span', { className: 'lamp', attrs: { 'aria-hidden': 'true' } }),
      el('span', { text: word(name) }),
      name === 'effects' ? null : el('span', { className: 'visually-hidden', text: ` (${on ? t('sheetOn') : t('sheetOff')})` })),
    heads.length ? el('p', { className: 'sheet-head', text: heads.map(valueText).join(' · '), attrs: { dir: 'auto' } }) : null,
    name === 'organ' ? drawbarPicture(at(node, 'preset1.drawbars')) : null,
    el('details', { className: 'sheet-more' },
      el('summary', { text: t('sheetAllSettings', { count: entries.length }) }),
      settingsList(entries, 0)));
}

function panelView(id, panel, title) {
  const panelOn = panel.on !== false;
  return el('section', { className: `sheet-panel ${panelOn ? 'is-on' : 'is-off'}`, attrs: { 'aria-label': title } },
    el('h3', {}, el('span', { className: 'lamp', attrs: { 'aria-hidden': 'true' } }), el('span', { text: title }),
      el('span', { className: 'panel-state', text: panelOn ? t('sheetOn') : t('sheetOff') })),
    ...SECTIONS.filter((name) => isObject(panel[name])).map((name) => sectionView(name, panel[name], panelOn)),
    isObject(panel.output) ? settingsList(leaves(panel.output, 'output'), 0) : null);
}

// The sheet of a "sound" reply; null when it has none.
export function sheetView(reply) {
  const sheet = isObject(reply.sheet) ? reply.sheet : null;
  if (!sheet) return null;
  const stage2 = reply.model === 'Nord Stage 2' || reply.ext === 'ns2p';
  const panels = ['A', 'B'].filter((id) => isObject(sheet[id]));
  const body = [];
  if (panels.length === 0 && isObject(sheet.synth)) {
    body.push(el('div', { className: 'sheet-panels single' }, panelView('synth', { synth: sheet.synth }, t('sheetPreset'))));
  } else {
    body.push(el('div', { className: 'sheet-panels' },
      ...panels.map((id) => panelView(id, sheet[id], t(stage2 ? 'sheetSlot' : 'sheetPanel', { id })))));
  }
  const program = Object.fromEntries(PROGRAM_KEYS.filter((key) => key in sheet).map((key) => [key, sheet[key]]));
  const programEntries = leaves(program);
  if (programEntries.length) {
    body.push(el('section', { className: 'sheet-program', attrs: { 'aria-label': t('sheetProgram') } },
      el('h3', { text: t('sheetProgram') }), settingsList(programEntries, 0)));
  }
  return el('div', { className: 'sheet' }, ...body);
}
