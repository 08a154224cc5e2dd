// Requests shared by several parts of the page: choosing a folder, showing a file in
// the file viewer and opening web links outside the page.
import { bindAction } from './busy.js';
import { el } from './dom.js';
import { ask } from './ask.js';
import { t } from './i18n.js';
import { baseName } from './format.js';
import { showNotice } from './notice.js';

// The chosen folder's path, or null when the user cancelled.
export async function pickFolder(kind) {
  const reply = await ask('pickFolder', { kind }, {
    succeeded: (answer) => (typeof answer.path === 'string' && answer.path !== '') || answer.cancel === true,
  });
  return reply.cancel === true ? null : reply.path;
}

// For requests whose only news is a failure: it goes to the page-wide notice.
export async function runAndReport(cmd, args = {}) {
  try {
    await ask(cmd, args);
  } catch (error) {
    showNotice(t('actionFailed', { error: error.message }));
  }
}

export function revealButton(path) {
  const button = el('button', {
    className: 'quiet',
    attrs: { type: 'button', 'aria-label': t('showNamedInFolder', { name: baseName(path) }) },
  }, el('span', { className: 'label', text: t('showInFolder') }));
  bindAction(button, {}, async () => {
    try {
      await ask('reveal', { path });
    } catch (error) {
      showNotice(t('revealFailed', { name: baseName(path), error: error.message }));
    }
  });
  return button;
}

// Links keep their real address (so they read as links) but open through the
// application: the page itself never navigates away.
export function bindExternalLink(link) {
  link.addEventListener('click', (event) => {
    event.preventDefault();
    if (link.getAttribute('aria-busy') === 'true') return;
    link.setAttribute('aria-busy', 'true');
    runAndReport('openURL', { url: link.href }).finally(() => link.removeAttribute('aria-busy'));
  });
}
