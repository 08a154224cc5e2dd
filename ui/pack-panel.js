// Packing a chosen folder into Velmorin.zip on the Desktop, and creating the export
// folder where files for Velmorin are left.
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { ask, replyFailure } from './ask.js';
import { baseName, formatBytes } from './format.js';
import { t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';

function problem(...lines) {
  return el('div', { className: 'alert', attrs: { role: 'alert' } }, ...lines.filter(Boolean).map((text) => el('p', { text })));
}

export function setupPack(store) {
  const packResult = byId('pack-result');
  const exportResult = byId('export-result');

  async function pack(control) {
    let folder = null;
    try {
      folder = await pickFolder('zip');
      if (folder === null) return;
      control.label(t('packing'));
      control.progress(true);
      replaceContent(packResult);
      const reply = await ask('zip', { path: folder }, {
        succeeded: (answer) => answer.ok === true && typeof answer.path === 'string' && answer.path !== '',
        // A plain failure carries no reason; anything else that is not a success might.
        reason: (answer) => (answer.ok === false && !answer.error ? '' : replyFailure(answer, 'zip')),
      });
      replaceContent(packResult, el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: t('packDone', { size: formatBytes(reply.bytes) ?? t('diskUnknown') }) }),
        el('p', { className: 'path', text: reply.path }),
        revealButton(reply.path)));
    } catch (error) {
      const failed = folder ? t('packFailed', { folder: baseName(folder) }) : null;
      replaceContent(packResult, problem(failed, error.message || null));
    }
  }

  async function prepare() {
    try {
      await ask('prepare');
      const where = store.get().exportDir;
      replaceContent(exportResult, el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: t('exportDone') }),
        where ? revealButton(where) : null));
    } catch (error) {
      replaceContent(exportResult, problem(t('actionFailed', { error: error.message })));
    }
  }

  bindAction(byId('pack-button'), { busyText: () => t('choosingFolder'), progress: byId('pack-progress') }, pack);
  bindAction(byId('export-button'), { busyText: () => t('exportCreating') }, prepare);

  store.subscribe((state, patch) => {
    if ('exportDir' in patch) byId('export-path').textContent = state.exportDir;
  });
}
