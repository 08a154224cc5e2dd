// The set list: the programs the library shows now, in keyboard order, saved by the
// application as a CSV file the user names in the desktop's save dialog.
import { ask } from './ask.js';
import { bySlot, byText } from './library-data.js';
import { categoryText } from './categories.js';

// Keyboard order: bank, then location; programs without a slot last, by name among
// themselves. Texts as the page shows them, with the folder (or backup) each is in
// and what plays.
export function inKeyboardOrder(rows) {
  return [...rows].sort((a, b) => bySlot(a, b) || byText(a.name, b.name) || a.key - b.key);
}

export function setListRows(rows) {
  return inKeyboardOrder(rows)
    .map(({ slot, name, category, model, where, sound }) => ({
      slot, name, category: categoryText(category), model, folder: where, summary: sound ? sound.summary : '',
    }));
}

// The file the user chose, and whether the dialog asked them to replace it: null
// when they cancelled.
async function pickSaveFile() {
  const reply = await ask('pickSaveFile', { kind: 'setList' }, {
    succeeded: (answer) => (typeof answer.path === 'string' && answer.path !== '') || answer.cancel === true,
  });
  return reply.cancel === true ? null : { path: reply.path, replace: reply.replace === true };
}

// Gives the reply ({path, rows}), or null when the user chose no file; throws a
// CommandError when the list could not be saved. `onSaving()` once the file is chosen.
export async function saveSetList(rows, { onSaving = () => {} } = {}) {
  const file = await pickSaveFile();
  if (file === null) return null;
  onSaving();
  return ask('saveSetList', { path: file.path, replace: file.replace, rows: setListRows(rows) }, {
    succeeded: (reply) => reply.ok === true && typeof reply.path === 'string' && reply.path !== '',
  });
}
