// Settings that outlast the window: the destination the user chose. Without a
// "settings" answer the page simply starts with the application's defaults.
import { ask } from './ask.js';
import { folderLabel } from './format.js';
import { t } from './i18n.js';
import { showNotice } from './notice.js';

export async function restoreSettings(store) {
  let reply;
  try {
    reply = await ask('settings', {}, {
      succeeded: (answer) => answer.ok === true && answer.settings !== null && typeof answer.settings === 'object',
    });
  } catch {
    return;
  }
  // A damaged settings file was replaced by defaults: the user should know their choice is gone.
  if (typeof reply.notice === 'string' && reply.notice.trim() !== '') showNotice(reply.notice, { info: true });
  const { dest } = reply.settings;
  // A destination picked before this answer came is newer than the stored one.
  if (typeof dest === 'string' && dest !== '' && !store.get().destChosen) {
    store.set({ dest, destLabel: folderLabel(dest), destChosen: true });
  }
}

export async function saveDestination(dest) {
  try {
    await ask('saveSettings', { dest });
  } catch (error) {
    showNotice(t('settingsNotSaved', { error: error.message }));
  }
}
