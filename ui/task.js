// Long work (scan, plan, install, zip): the command runs with its progress shown in a
// panel's progress block, and the block's Cancel asks the application to stop it.
import { ask, CommandError } from './ask.js';
import { t } from './i18n.js';
import { showNotice } from './notice.js';

// Gives the reply, or throws a CommandError (code "cancelled" when it was cancelled).
// A cancel can cross the reply: work that had already finished keeps its real result,
// except with `cancelWins`, for work that changes nothing (a plan), where the user's
// wish to stop is what counts.
export async function runTask(view, cmd, args, { title, succeeded, reason, cancelWins = false } = {}) {
  let id = null;
  let cancelAsked = false;

  async function cancel() {
    if (id === null || cancelAsked) return;
    cancelAsked = true;
    view.cancelling(true);
    try {
      await ask('cancel', { id });
    } catch (error) {
      cancelAsked = false;
      view.cancelling(false);
      showNotice(t('cancelFailed', { error: error.message }));
    }
  }

  view.begin(cmd, title, cancel);
  try {
    const reply = await ask(cmd, args, {
      succeeded,
      reason,
      onSent: (sentId) => { id = sentId; },
      onProgress: (info) => view.update(info),
    });
    if (cancelWins && cancelAsked) throw new CommandError(t('cancelledNothingChanged'), 'cancelled');
    return reply;
  } finally {
    view.end();
  }
}
