// Requests shared by several parts of the page: choosing a folder, showing a file in
// the file viewer and opening web links outside the page.
import { request } from './bridge.js';
import { bindAction } from './busy.js';
import { el } from './dom.js';
import { describeError, expectOk, replyFailure } from './errors.js';
import { t } from './i18n.js';
import { baseName } from './format.js';
import { showNotice } from './notice.js';

// The chosen folder's path, or null when the user cancelled.
export async function pickFolder(kind) {
  const reply = await request('pickFolder', { kind });
  if (typeof reply.path === 'string' && reply.path !== '') return reply.path;
  if (reply.cancel === true) return null;
  throw new Error(replyFailure(reply, 'pickFolder'));
}

// For requests whose only news is a failure: it goes to the page-wide notice.
export async function runAndReport(cmd, args = {}) {
  try {
    expectOk(await request(cmd, args), cmd);
  } catch (error) {
    showNotice(t('actionFailed', { error: describeError(error) }));
  }
}

export function revealButton(path) {
  const button = el('button', {
    className: 'quiet',
    attrs: { type: 'button', 'aria-label': t('showNamedInFolder', { name: baseName(path) }) },
  }, el('span', { className: 'label', text: t('showInFolder') }));
  bindAction(button, {}, () => runAndReport('reveal', { path }));
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
