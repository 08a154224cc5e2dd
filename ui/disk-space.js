// The free space tile tells the space where the install goes: it follows the
// destination. Until one is known it shows the home folder's, saying so.
import { byId, setPathText } from './dom.js';
import { ask } from './ask.js';
import { formatBytes } from './format.js';
import { t } from './i18n.js';

export function setupDiskSpace(store) {
  const figure = byId('disk-free');
  const where = byId('disk-where');
  let asked = 0; // only the answer for the latest destination is shown

  function showFigure(bytes, place) {
    // The application reports 0 when it cannot measure the free space.
    figure.textContent = bytes > 0 ? formatBytes(bytes) : t('diskUnknown');
    where.textContent = place;
  }

  async function measure(dest, label) {
    asked += 1;
    const mine = asked;
    figure.textContent = t('checking');
    setPathText(where, t('diskAtDest', { place: label || dest }));
    try {
      const reply = await ask('freeSpace', { path: dest }, { succeeded: (answer) => answer.ok === true && typeof answer.diskFree === 'number' });
      if (mine === asked) showFigure(reply.diskFree, t('diskAtDest', { place: label || dest }));
    } catch {
      if (mine === asked) showFigure(0, t('diskAtDest', { place: label || dest }));
    }
  }

  store.subscribe((state, patch) => {
    if (('dest' in patch || 'destLabel' in patch) && state.dest !== '') measure(state.dest, state.destLabel);
  });

  return {
    // What "info" measured, in the home folder: shown only while no destination is known.
    home(bytes) {
      if (store.get().dest === '') showFigure(bytes, t('diskAtHome'));
    },
    unknown() {
      showFigure(0, '');
    },
  };
}
