// Quitting while an install or a pack runs: the application finishes it first and says
// so; the page tells the user and starts no new install or pack meanwhile.
import { onAppEvent } from './bridge.js';
import { byId } from './dom.js';
import { t } from './i18n.js';
import { showNotice } from './notice.js';

export function setupFinishing() {
  onAppEvent((event) => {
    if (event.type !== 'finishing') return;
    showNotice(t('finishing'), { info: true });
    for (const id of ['install-button', 'pack-button']) byId(id).setAttribute('aria-disabled', 'true');
  });
}
