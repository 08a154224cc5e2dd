// Step 2: copy the list and program files found into the destination, under a folder
// named after the keyboard model. What the install would change is asked for first
// ("plan"), and anything it would replace, remove or warn about is confirmed.
import { bindAction } from './busy.js';
import { byId, el, replaceContent, setPathText } from './dom.js';
import { replyFailure } from './ask.js';
import { folderLabel } from './format.js';
import { t } from './i18n.js';
import { pickFolder } from './actions.js';
import { askToConfirm } from './confirm-dialog.js';
import { failureView } from './failure.js';
import { confirmationContent, needsConfirmation, readPlan } from './install-plan.js';
import { installNotStarted, installSuccess } from './install-result.js';
import { setupModelField } from './model-field.js';
import { createProgressView } from './progress-view.js';
import { saveDestination } from './settings.js';
import { runTask } from './task.js';

function summaryItems({ list, progs }) {
  return [
    el('li', { text: list ? t('summaryList', { name: list.name }) : t('summaryNoList'), className: list ? 'has' : 'none' }),
    el('li', {
      text: progs ? t('summaryProgs', { count: progs.count, ext: progs.ext }) : t('summaryNoProgs'),
      className: progs ? 'has' : 'none',
    }),
  ];
}

function installArgs(state, model) {
  const args = { dest: state.dest, model };
  if (state.list) args.list = state.list.path;
  if (state.progs) {
    args.progs = state.progs.dir;
    args.ext = state.progs.ext;
    if (state.progs.subfolders) args.subfolders = true;
  }
  return args;
}

// Install and plan share their arguments and so their refusals; one old one is a key.
const reason = (cmd) => (answer) => (answer.error === 'dest' ? t('errorDest') : replyFailure(answer, cmd));

export function setupInstall(store) {
  const model = byId('model');
  const result = byId('install-result');
  const installButton = byId('install-button');
  const view = createProgressView(byId('install-progress'), { returnFocus: installButton });
  const modelField = setupModelField(model, byId('model-hint'));
  let running = false;

  function show(node) {
    replaceContent(result, node);
    result.scrollIntoView({ block: 'nearest' });
  }

  function showProblem(text) {
    show(el('div', { className: 'alert', attrs: { role: 'alert' } }, el('p', { text })));
  }

  function retry() {
    installButton.focus();
    runInstall();
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
    const args = installArgs(state, modelName);
    replaceContent(result);
    let plan = null;
    running = true;
    try {
      plan = readPlan(await runTask(view, 'plan', args, { title: t('planningLong'), reason: reason('plan'), cancelWins: true }));
      if (needsConfirmation(plan)) {
        const content = confirmationContent(plan, { model: modelName, ext: args.ext ?? '', progsModel: state.progs?.model ?? '' });
        if (!await askToConfirm({ ...content, returnFocus: installButton })) return show(installNotStarted());
      }
      control.label(t('installing'));
      const reply = await runTask(view, 'install', args, { title: t('installingLong'), reason: reason('install') });
      show(installSuccess(reply));
    } catch (error) {
      show(failureView(error, {
        lead: t('installFailed'),
        another: { label: t('chooseAnotherDest'), run: () => byId('change-dest').click(), helpsSpace: true },
        retry,
        space: plan ? { needed: plan.bytesNeeded, free: plan.diskFree } : {},
      }));
    } finally {
      running = false;
    }
  }

  // A report (a success, a refusal, a failure) is about the inputs it was given:
  // once they change it is old news. While work runs its report is still to come.
  function inputsChanged() {
    if (!running) replaceContent(result);
  }

  async function changeDestination() {
    try {
      const path = await pickFolder('dest');
      if (path === null) return;
      store.set({ dest: path, destLabel: folderLabel(path), destChosen: true });
      await saveDestination(path);
    } catch (error) {
      // A folder that cannot be written is refused here, not at install time.
      show(failureView(error, { another: { label: t('chooseAnotherDest'), run: () => byId('change-dest').click() } }));
    }
  }

  const runInstall = bindAction(installButton, { busyText: () => t('installChecking') }, install);
  bindAction(byId('change-dest'), { busyText: () => t('choosingFolder') }, changeDestination);

  store.subscribe((state, patch) => {
    if ('dest' in patch || 'destLabel' in patch) {
      byId('dest-label').textContent = state.destLabel || folderLabel(state.dest) || '—';
      setPathText(byId('dest-path'), state.dest);
    }
    if ('list' in patch || 'progs' in patch) {
      replaceContent(byId('install-summary'), ...summaryItems(state));
      modelField.follow(state);
    }
    if ('dest' in patch || 'list' in patch || 'progs' in patch || 'searches' in patch) inputsChanged();
  });
  model.addEventListener('input', inputsChanged);
  replaceContent(byId('install-summary'), ...summaryItems(store.get()));
}
