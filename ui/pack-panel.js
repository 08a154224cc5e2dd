// Packing a chosen folder into Velmorin.zip on the Desktop, and creating the export
// folder where files for Velmorin are left.
import { bindAction } from './busy.js';
import { byId, el, replaceContent, setPathText } from './dom.js';
import { ask, replyFailure } from './ask.js';
import { baseName, formatBytes } from './format.js';
import { t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';
import { failureView } from './failure.js';
import { createProgressView } from './progress-view.js';
import { runTask } from './task.js';

function problem(...lines) {
  return el('div', { className: 'alert', attrs: { role: 'alert' } }, ...lines.filter(Boolean).map((text) => el('p', { text })));
}

// An earlier Velmorin.zip made way for this one: in the Trash, or gone where there is none.
function replacedLine(reply) {
  if (reply.replaced !== true) return null;
  return el('p', { text: Number.isInteger(reply.trashed) && reply.trashed > 0 ? t('packReplaced') : t('packReplacedGone') });
}

export function setupPack(store) {
  const packResult = byId('pack-result');
  const exportResult = byId('export-result');
  const packButton = byId('pack-button');
  const view = createProgressView(byId('pack-progress'), { returnFocus: packButton });

  function showPack(node) {
    replaceContent(packResult, node);
    packResult.scrollIntoView({ block: 'nearest' });
  }

  async function pack(control) {
    let folder = null;
    try {
      folder = await pickFolder('zip');
      if (folder === null) return;
      control.label(t('packing'));
      replaceContent(packResult);
      const reply = await runTask(view, 'zip', { path: folder }, {
        title: t('packingLong'),
        succeeded: (answer) => answer.ok === true && typeof answer.path === 'string' && answer.path !== '',
        // A plain failure carries no reason; anything else that is not a success might.
        reason: (answer) => (answer.ok === false && !answer.error ? '' : replyFailure(answer, 'zip')),
      });
      showPack(el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: t('packDone', { size: formatBytes(reply.bytes) ?? t('diskUnknown') }) }),
        replacedLine(reply),
        el('p', { className: 'path', text: reply.path }),
        revealButton(reply.path)));
    } catch (error) {
      // Only a folder that was chosen can have failed to pack; the chooser's own refusal stands alone.
      showPack(failureView(error, {
        lead: folder ? t('packFailed', { folder: baseName(folder) }) : null,
        another: { label: t('packAnotherFolder'), run: () => packButton.click() },
      }));
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

  bindAction(packButton, { busyText: () => t('choosingFolder') }, pack);
  bindAction(byId('export-button'), { busyText: () => t('exportCreating') }, prepare);

  store.subscribe((state, patch) => {
    if ('exportDir' in patch) setPathText(byId('export-path'), state.exportDir);
  });
}
