// The top tiles: the keyboard, Nord Sound Manager and free disk space. "info" also
// brings the destination and export folder that the other parts use.
import { bindAction } from './busy.js';
import { byId, show } from './dom.js';
import { ask } from './ask.js';
import { t } from './i18n.js';
import { bindExternalLink } from './actions.js';
import { showNotice } from './notice.js';
import { onAppEvent } from './bridge.js';
import { setupDiskSpace } from './disk-space.js';

function setState(node, state, text) {
  node.dataset.state = state;
  node.textContent = text;
}

function showNsm(found, name) {
  const open = byId('open-nsm');
  if (found) {
    setState(byId('nsm-state'), 'good', t('nsmFound', { name }));
    open.setAttribute('aria-label', t('nsmOpenLabel', { name }));
  } else {
    setState(byId('nsm-state'), 'missing', t('nsmMissing'));
  }
  show(open, found);
  show(byId('nsm-download'), !found);
}

function showInfo(reply) {
  const nsm = reply.nsm && typeof reply.nsm === 'object' ? reply.nsm : {};
  const nsmName = typeof nsm.name === 'string' && nsm.name !== '' ? nsm.name : t('nsmTitle');
  showNsm(nsm.found === true, nsmName);
}

export function setupStatus(store) {
  const keyboardState = byId('keyboard-state');
  const disk = setupDiskSpace(store);

  function failInfo(text) {
    byId('status-error-text').textContent = t('statusFailed', { error: text });
    show(byId('status-error'));
    setState(byId('nsm-state'), 'unknown', t('diskUnknown'));
    if (store.get().dest === '') disk.unknown();
  }

  async function loadInfo() {
    try {
      const reply = await ask('info', {}, {
        succeeded: (answer) => typeof answer.dest === 'string' || typeof answer.error !== 'string',
      });
      show(byId('status-error'), false);
      showInfo(reply);
      disk.home(reply.diskFree);
      const exportDir = typeof reply.exportDir === 'string' ? reply.exportDir : '';
      // The default destination gives way to one the user chose (now or in an earlier session).
      if (store.get().destChosen) {
        store.set({ exportDir });
      } else {
        store.set({
          dest: typeof reply.dest === 'string' ? reply.dest : '',
          destLabel: typeof reply.destLabel === 'string' ? reply.destLabel : '',
          exportDir,
        });
      }
      // Painted from here on: the start-up benchmark (with the web console on) waits for this line.
      requestAnimationFrame(() => console.info('Velmorin Sync: status shown'));
    } catch (error) {
      failInfo(error.message);
    }
  }

  function showKeyboard(reply) {
    if (reply.connected === true) {
      const name = typeof reply.name === 'string' && reply.name !== '' ? reply.name : 'Nord';
      setState(keyboardState, 'good', t('keyboardConnected', { name }));
    } else {
      setState(keyboardState, 'none', t('keyboardNone'));
    }
  }

  async function checkKeyboard() {
    setState(keyboardState, 'unknown', t('checking'));
    try {
      showKeyboard(await ask('nord', {}, { succeeded: (answer) => typeof answer.connected === 'boolean' }));
    } catch (error) {
      setState(keyboardState, 'unknown', t('keyboardFailed', { error: error.message }));
    }
  }

  async function openNsm() {
    try {
      const reply = await ask('openNSM', {}, { succeeded: (answer) => typeof answer.ok === 'boolean' });
      if (reply.ok) return;
      showNsm(false);
      showNotice(t('nsmGone'));
      byId('nsm-download').focus();
    } catch (error) {
      showNotice(t('actionFailed', { error: error.message }));
    }
  }

  const runInfo = bindAction(byId('status-retry'), { busyText: () => t('checking') }, loadInfo);
  const runKeyboard = bindAction(byId('check-keyboard'), { busyText: () => t('checking') }, checkKeyboard);
  bindAction(byId('open-nsm'), { busyText: () => t('nsmOpening') }, openNsm);
  bindExternalLink(byId('nsm-download'));
  // The application says so when a keyboard is plugged in or out.
  onAppEvent((event) => {
    const reply = event.reply;
    if (event.type === 'nord' && reply !== null && typeof reply === 'object' && typeof reply.connected === 'boolean')
      showKeyboard(reply);
  });

  // Both questions go out together; whichever answer comes first is shown first.
  return () => Promise.all([runInfo(), runKeyboard()]);
}
