// Asking the application for a command, with every way it can fail turned into
// one sentence for the user: panels only render what comes back.
import { BridgeError, request } from './bridge.js';
import { t } from './i18n.js';

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
// {"ok": true}). Otherwise throws an Error whose message is the sentence to
// show: why no reply came, or `reason(reply)` (by default the reply's own).
export async function ask(cmd, args = {}, {
  succeeded = (reply) => reply.ok === true,
  reason = (reply) => replyFailure(reply, cmd),
} = {}) {
  let reply;
  try {
    reply = await request(cmd, args);
  } catch (error) {
    throw new Error(describeError(error));
  }
  if (!succeeded(reply)) throw new Error(reason(reply));
  return reply;
}
