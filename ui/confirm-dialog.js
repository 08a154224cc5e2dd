// A modal question before something that cannot be taken back in the page: focus
// goes into it and stays there, Escape means no, and focus returns where it was asked.
import { byId, replaceContent } from './dom.js';

function focusablesIn(root) {
  return [...root.querySelectorAll('button, a[href], input, [tabindex]:not([tabindex="-1"])')]
    .filter((node) => node.getClientRects().length > 0 && node.getAttribute('aria-disabled') !== 'true');
}

// Resolves true when the user confirms, false when they decline or press Escape.
// `details`: nodes shown between the sentence and the buttons. The safe answer has
// the focus first, so a stray Enter does not confirm.
export function askToConfirm({ title, text, details = [], confirmLabel, declineLabel, returnFocus }) {
  const dialog = byId('confirm');
  const confirm = byId('confirm-yes');
  const decline = byId('confirm-no');
  byId('confirm-title').textContent = title;
  byId('confirm-text').textContent = text;
  replaceContent(byId('confirm-details'), ...details);
  confirm.querySelector('.label').textContent = confirmLabel;
  decline.querySelector('.label').textContent = declineLabel;

  return new Promise((resolve) => {
    function keepFocusInside(event) {
      const nodes = focusablesIn(dialog);
      if (nodes.length === 0) return;
      const first = nodes[0];
      const last = nodes[nodes.length - 1];
      const inside = dialog.contains(document.activeElement);
      if (event.shiftKey && (!inside || document.activeElement === first)) {
        event.preventDefault();
        last.focus();
      } else if (!event.shiftKey && (!inside || document.activeElement === last)) {
        event.preventDefault();
        first.focus();
      }
    }

    function onKey(event) {
      if (event.key === 'Escape') {
        event.preventDefault();
        finish(false);
      } else if (event.key === 'Tab') {
        keepFocusInside(event);
      }
    }
    function onCancelEvent(event) {
      event.preventDefault();
      finish(false);
    }
    const onConfirm = () => finish(true);
    const onDecline = () => finish(false);

    function finish(answer) {
      dialog.removeEventListener('keydown', onKey);
      dialog.removeEventListener('cancel', onCancelEvent);
      confirm.removeEventListener('click', onConfirm);
      decline.removeEventListener('click', onDecline);
      dialog.close();
      if (returnFocus) returnFocus.focus();
      resolve(answer);
    }

    dialog.addEventListener('keydown', onKey);
    dialog.addEventListener('cancel', onCancelEvent);
    confirm.addEventListener('click', onConfirm);
    decline.addEventListener('click', onDecline);
    dialog.showModal();
    dialog.scrollTop = 0;
    decline.focus();
  });
}
