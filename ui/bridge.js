// Client for the application's script-message bridge.
// The page posts {cmd, id, args} to the "vl" handler; the application answers later by
// calling window.__vlReply(id, replyJsonText). Answers can arrive in any order, so each
// request waits on its own id. News that answers no request comes through
// window.__vlEvent(event), an object with a "type".

export class BridgeError extends Error {
  constructor(code, cmd, message) {
    super(message);
    this.name = 'BridgeError';
    this.code = code; // "unavailable" or "bad-reply"
    this.cmd = cmd;
  }
}

const pending = new Map();
const listeners = new Set();
let lastId = 0;

function channel() {
  const handlers = window.webkit && window.webkit.messageHandlers;
  const vl = handlers && handlers.vl;
  return vl && typeof vl.postMessage === 'function' ? vl : null;
}

export function request(cmd, args = {}) {
  return new Promise((resolve, reject) => {
    const vl = channel();
    if (!vl) {
      reject(new BridgeError('unavailable', cmd, `The application bridge is not available (command "${cmd}").`));
      return;
    }
    lastId += 1;
    const id = lastId;
    pending.set(id, { cmd, resolve, reject });
    try {
      vl.postMessage({ cmd, id, args });
    } catch (error) {
      pending.delete(id);
      reject(new BridgeError('unavailable', cmd, `Could not send "${cmd}" to the application: ${error.message}`));
    }
  });
}

function preview(text) {
  const shown = String(text);
  return shown.length > 60 ? `${shown.slice(0, 60)}…` : shown;
}

function receive(id, text) {
  const entry = pending.get(id);
  if (!entry) return; // a stale or foreign id: nothing waits for it
  pending.delete(id);
  let reply;
  try {
    if (typeof text !== 'string') throw new TypeError('not text');
    reply = JSON.parse(text);
  } catch {
    entry.reject(new BridgeError('bad-reply', entry.cmd,
      `The reply to "${entry.cmd}" is not valid JSON: ${preview(text)}`));
    return;
  }
  if (reply === null || typeof reply !== 'object' || Array.isArray(reply)) {
    entry.reject(new BridgeError('bad-reply', entry.cmd,
      `The reply to "${entry.cmd}" is not a JSON object: ${preview(text)}`));
    return;
  }
  entry.resolve(reply);
}

// `listener(event)` hears every event the application sends.
export function onAppEvent(listener) {
  listeners.add(listener);
}

function announce(event) {
  if (event === null || typeof event !== 'object' || typeof event.type !== 'string') return;
  for (const listener of listeners) listener(event);
}

window.__vlReply = receive;
window.__vlEvent = announce;
