// One page-wide message for small actions (reveal, open, quit…) that have no result
// area of their own.
import { byId } from './dom.js';

export function showNotice(text) {
  byId('notice-text').textContent = text;
  byId('notice').hidden = false;
}

export function setupNotice() {
  byId('notice-dismiss').addEventListener('click', () => {
    byId('notice').hidden = true;
  });
}
