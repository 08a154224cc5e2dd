// The set list: the programs the library shows now, in keyboard order, saved by the
// application as a CSV file in a folder the user chooses.
import { ask } from './ask.js';
import { pickFolder } from './actions.js';
import { bySlot } from './library-data.js';

// Keyboard order: bank, then location; programs without a slot last, by name among themselves.
export function setListRows(rows) {
  return [...rows]
    .sort((a, b) => bySlot(a, b) || a.name.localeCompare(b.name) || a.key - b.key)
    .map(({ slot, name, category, model }) => ({ slot, name, category, model }));
}

// Gives the reply ({path, rows}), or null when the user chose no folder; throws a
// CommandError when the list could not be saved. `onSaving()` once the folder is chosen.
export async function saveSetList(rows, { onSaving = () => {} } = {}) {
  const dir = await pickFolder('setList');
  if (dir === null) return null;
  onSaving();
  return ask('saveSetList', { dir, rows: setListRows(rows) }, {
    succeeded: (reply) => reply.ok === true && typeof reply.path === 'string' && reply.path !== '',
  });
}
