// Turns failed requests and failure replies into sentences for the user.
import { BridgeError } from './bridge.js';
import { t } from './i18n.js';

export function describeError(error) {
  if (error instanceof BridgeError) {
    return error.code === 'unavailable' ? t('errorUnavailable') : t('errorBadReply', { cmd: error.cmd });
  }
  return error && error.message ? error.message : String(error);
}

// The reason inside a reply that did not succeed.
export function replyFailure(reply, cmd) {
  if (reply.error === 'cmd' && !('ok' in reply)) return t('errorUnknownCommand', { cmd });
  if (typeof reply.error === 'string' && reply.error.trim() !== '') {
    return cmd === 'install' && reply.error === 'dest' ? t('errorDest') : reply.error;
  }
  return t('errorNoReason');
}

// For the small commands whose only good answer is {"ok": true}.
export function expectOk(reply, cmd) {
  if (reply.ok !== true) throw new Error(replyFailure(reply, cmd));
  return reply;
}
