// One panel's progress block: what runs, a bar that fills when the amount of work is
// known (and moves without a value when it is not), the count so far, and Cancel.
import { describeProgress } from './progress-text.js';
import { createTimeLeft, timeLeftText } from './time-left.js';
import { t } from './i18n.js';

// `returnFocus`: where keyboard focus goes when the block hides with focus inside it
// (on Cancel, say), so it is not lost to the page's start.
export function createProgressView(container, { returnFocus }) {
  const title = container.querySelector('.progress-title');
  const track = container.querySelector('[role="progressbar"]');
  const bar = container.querySelector('.progress-bar');
  const countLine = container.querySelector('.progress-count');
  const cancel = container.querySelector('.progress-cancel');
  const cancelText = cancel.querySelector('.label');
  let cmd = '';
  let onCancel = null;
  let last = null;
  const clock = createTimeLeft();

  function unknownAmount() {
    track.classList.remove('is-determinate');
    for (const name of ['aria-valuemin', 'aria-valuemax', 'aria-valuenow', 'aria-valuetext']) track.removeAttribute(name);
    bar.style.width = '';
  }

  function cancelling(on) {
    cancelText.textContent = on ? t('cancelling') : t('cancel');
    if (on) cancel.setAttribute('aria-disabled', 'true');
    else cancel.removeAttribute('aria-disabled');
  }

  cancel.addEventListener('click', () => {
    if (cancel.getAttribute('aria-disabled') === 'true' || !onCancel) return;
    onCancel();
  });

  return {
    // `cancelWith`: what Cancel does; without it there is no Cancel button.
    begin(command, titleText, cancelWith = null) {
      cmd = command;
      onCancel = cancelWith;
      last = null;
      clock.reset();
      title.textContent = titleText;
      countLine.textContent = '';
      unknownAmount();
      cancelling(false);
      cancel.hidden = !cancelWith;
      container.hidden = false;
    },

    update(info) {
      // Reports of one phase may cross on their way: one that goes backwards is stale.
      if (last && last.phase === info.phase && (info.done < last.done || (info.done === last.done && info.bytes < last.bytes))) return;
      last = info;
      const { text, value, max } = describeProgress(cmd, info, (done, of) => {
        const seconds = clock.estimate(info.phase, done, of);
        return seconds === null ? '' : timeLeftText(seconds);
      });
      countLine.textContent = text;
      if (max === null) {
        unknownAmount();
        return;
      }
      track.classList.add('is-determinate');
      track.setAttribute('aria-valuemin', '0');
      track.setAttribute('aria-valuemax', String(max));
      track.setAttribute('aria-valuenow', String(value));
      track.setAttribute('aria-valuetext', text);
      bar.style.width = `${Math.floor((value / max) * 100)}%`;
    },

    cancelling,

    end() {
      const hadFocus = container.contains(document.activeElement);
      container.hidden = true;
      onCancel = null;
      if (hadFocus && returnFocus) returnFocus.focus();
    },
  };
}
