// Packing a chosen folder into Velmorin.zip on the Desktop, and creating the export
// folder where files for Velmorin are left.
import { request } from './bridge.js';
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { describeError, expectOk, replyFailure } from './errors.js';
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
      const reply = await request('zip', { path: folder });
      const archive = typeof reply.path === 'string' && reply.path !== '' ? reply.path : null;
      if (reply.ok === true && archive) {
        replaceContent(packResult, el('div', { className: 'success', attrs: { role: 'status' } },
          el('p', { text: t('packDone', { size: formatBytes(reply.bytes) ?? t('diskUnknown') }) }),
          el('p', { className: 'path', text: archive }),
          revealButton(archive)));
        return;
      }
      // A plain failure carries no reason; anything else that is not a success might.
      const reason = reply.ok === false && !reply.error ? null : replyFailure(reply, 'zip');
      replaceContent(packResult, problem(t('packFailed', { folder: baseName(folder) }), reason));
    } catch (error) {
      const failed = folder ? t('packFailed', { folder: baseName(folder) }) : null;
      replaceContent(packResult, problem(failed, describeError(error)));
    }
  }

  async function prepare() {
    try {
      expectOk(await request('prepare'), 'prepare');
      const where = store.get().exportDir;
      replaceContent(exportResult, el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: t('exportDone') }),
        where ? revealButton(where) : null));
    } catch (error) {
      replaceContent(exportResult, problem(t('actionFailed', { error: describeError(error) })));
    }
  }

  bindAction(byId('pack-button'), { busyText: () => t('choosingFolder'), progress: byId('pack-progress') }, pack);
  bindAction(byId('export-button'), { busyText: () => t('exportCreating') }, prepare);

  store.subscribe((state, patch) => {
    if ('exportDir' in patch) byId('export-path').textContent = state.exportDir;
  });
}
