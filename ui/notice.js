// One page-wide message for small actions (reveal, open, quit…) that have no result
// area of their own.
import { byId } from './dom.js';

// `info`: news rather than a problem, shown in the page's plain colours.
export function showNotice(text, { info = false } = {}) {
  byId('notice-text').textContent = text;
  byId('notice').classList.toggle('is-info', info);
  byId('notice').hidden = false;
}

export function setupNotice() {
  byId('notice-dismiss').addEventListener('click', () => {
    byId('notice').hidden = true;
  });
}
