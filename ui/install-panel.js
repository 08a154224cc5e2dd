// Step 2: copy the list and program files found into the destination, under a folder
// named after the keyboard model.
import { bindAction } from './busy.js';
import { byId, el, replaceContent } from './dom.js';
import { ask, replyFailure } from './ask.js';
import { formatBytes } from './format.js';
import { t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';

// "Desktop › Velmorin" style label for a folder the user picked.
function labelFor(path) {
  const parts = path.split('/').filter(Boolean);
  return parts.length ? parts.slice(-2).join(' › ') : path;
}

function summaryItems({ list, progs }) {
  return [
    el('li', { text: list ? t('summaryList', { name: list.name }) : t('summaryNoList'), className: list ? 'has' : 'none' }),
    el('li', {
      text: progs ? t('summaryProgs', { count: progs.count, ext: progs.ext }) : t('summaryNoProgs'),
      className: progs ? 'has' : 'none',
    }),
  ];
}

export function setupInstall(store) {
  const model = byId('model');
  const result = byId('install-result');
  const installButton = byId('install-button');
  // Once the user has typed a model, later searches no longer overwrite it.
  let modelTyped = false;

  model.addEventListener('input', () => {
    modelTyped = model.value.trim() !== '';
  });

  function showProblem(text, retry) {
    replaceContent(result, el('div', { className: 'alert', attrs: { role: 'alert' } },
      el('p', { text }),
      retry ? retry() : null));
  }

  function retryButton() {
    const button = el('button', { attrs: { type: 'button' } }, el('span', { className: 'label', text: t('retry') }));
    button.addEventListener('click', () => {
      installButton.focus();
      runInstall();
    });
    return button;
  }

  async function install(control) {
    const state = store.get();
    const modelName = model.value.trim();
    if (state.dest === '') return showProblem(t('installNeedsDest'));
    if (!state.list && !state.progs) return showProblem(t('installNeedsSomething'));
    if (modelName === '') {
      model.focus();
      return showProblem(t('installNeedsModel'));
    }
    const args = { dest: state.dest, model: modelName };
    if (state.list) args.list = state.list.path;
    if (state.progs) {
      args.progs = state.progs.dir;
      args.ext = state.progs.ext;
    }
    replaceContent(result);
    control.progress(true);
    try {
      const reply = await ask('install', args, {
        // The one reason the install gives as a key rather than a sentence.
        reason: (answer) => (answer.error === 'dest' ? t('errorDest') : replyFailure(answer, 'install')),
      });
      const count = Number.isFinite(reply.count) ? reply.count : 0;
      const lists = Number.isFinite(reply.lists) ? reply.lists : 0;
      const done = t('installDone', {
        programs: t('programCount', { count }),
        lists: t('listCount', { count: lists }),
        size: formatBytes(reply.bytes) ?? t('diskUnknown'),
      });
      const where = typeof reply.path === 'string' && reply.path !== '' ? reply.path : null;
      replaceContent(result, el('div', { className: 'success', attrs: { role: 'status' } },
        el('p', { text: done }),
        where ? el('p', { className: 'path', text: where }) : null,
        where ? revealButton(where) : null));
    } catch (error) {
      showProblem(t('installFailed', { error: error.message }), retryButton);
    }
  }

  async function changeDestination() {
    try {
      const path = await pickFolder('dest');
      if (path !== null) store.set({ dest: path, destLabel: labelFor(path) });
    } catch (error) {
      showProblem(error.message);
    }
  }

  const runInstall = bindAction(installButton, { busyText: () => t('installing'), progress: byId('install-progress') }, install);
  bindAction(byId('change-dest'), { busyText: () => t('choosingFolder') }, changeDestination);

  store.subscribe((state, patch) => {
    if ('dest' in patch || 'destLabel' in patch) {
      byId('dest-label').textContent = state.destLabel || labelFor(state.dest) || '—';
      byId('dest-path').textContent = state.dest;
    }
    if ('list' in patch || 'progs' in patch) {
      replaceContent(byId('install-summary'), ...summaryItems(state));
      const found = (state.progs && state.progs.model) || (state.list && state.list.model) || '';
      if (found !== '' && !modelTyped) model.value = found;
    }
  });
  replaceContent(byId('install-summary'), ...summaryItems(store.get()));
}
