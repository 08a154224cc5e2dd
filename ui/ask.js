// Asking the application for a command, with every way it can fail turned into
// one sentence for the user: panels only render what comes back.
import { BridgeError, send } from './bridge.js';
import { t } from './i18n.js';

// What a panel catches: the sentence to show, and the reply's "code" (one of
// "cancelled", "busy", "noSpace", "permission", …) when the application gave one,
// so the panel can offer the next step that helps.
export class CommandError extends Error {
  constructor(message, code = '') {
    super(message);
    this.name = 'CommandError';
    this.code = code;
  }
}

function describeError(error) {
  if (error instanceof BridgeError) {
    return error.code === 'unavailable' ? t('errorUnavailable') : t('errorBadReply', { cmd: error.cmd });
  }
  return error && error.message ? error.message : String(error);
}

// The reason inside a reply that did not succeed.
export function replyFailure(reply, cmd) {
  if (reply.error === 'cmd' && !('ok' in reply)) return t('errorUnknownCommand', { cmd });
  if (typeof reply.error === 'string' && reply.error.trim() !== '') return reply.error;
  return t('errorNoReason');
}

// Posts `cmd` and gives its reply when `succeeded(reply)` holds (by default
// {"ok": true}). Otherwise throws a CommandError whose message is the sentence to
// show: why no reply came, or `reason(reply)` (by default the reply's own).
// `onSent(id)` learns the request's id (to cancel it); `onProgress` hears its progress.
export async function ask(cmd, args = {}, {
  succeeded = (reply) => reply.ok === true,
  reason = (reply) => replyFailure(reply, cmd),
  onSent = null,
  onProgress = null,
} = {}) {
  const sent = send(cmd, args, { onProgress });
  if (onSent && sent.id !== null) onSent(sent.id);
  let reply;
  try {
    reply = await sent.reply;
  } catch (error) {
    throw new CommandError(describeError(error));
  }
  if (!succeeded(reply)) throw new CommandError(reason(reply), typeof reply.code === 'string' ? reply.code : '');
  return reply;
}
