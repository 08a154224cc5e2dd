// A program's category as the header names it ("Pad", "EPiano1"…), in the user's
// words. A code the header table does not name comes as its number: that is no
// category a person can use, so it reads (and filters) as "unknown".
import { t } from './i18n.js';

export const UNKNOWN_CATEGORY = '?';

const KEYS = {
  Acoustic: 'catAcoustic', Bass: 'catBass', Wind: 'catWind', Fantasy: 'catFantasy', FX: 'catFx', Lead: 'catLead',
  Organ: 'catOrgan', Pad: 'catPad', Pluck: 'catPluck', String: 'catString', Synth: 'catSynth', Vocal: 'catVocal',
  User: 'catUser', None: 'catNone', Grand: 'catGrand', Upright: 'catUpright', EPiano1: 'catEPiano1',
  EPiano2: 'catEPiano2', Clavinet: 'catClavinet', Harpsi: 'catHarpsi', Arpeggio: 'catArpeggio', Undefined: 'catUndefined',
};

// The category the page works with: the header's name, '' for none, or UNKNOWN_CATEGORY.
export function readCategory(value) {
  if (value === '') return '';
  return Object.hasOwn(KEYS, value) ? value : UNKNOWN_CATEGORY;
}

export function categoryText(category) {
  if (category === '') return '';
  if (category === UNKNOWN_CATEGORY) return t('catUnknown');
  return Object.hasOwn(KEYS, category) ? t(KEYS[category]) : category;
}
