// Client for the application's script-message bridge.
// The page posts {cmd, id, args} to the "vl" handler; the application answers later by
// calling window.__vlReply(id, replyJsonText). Answers can arrive in any order, so each
// request waits on its own id. While long work runs the application also calls
// window.__vlProgress(id, {phase, done, total, bytes, totalBytes}) with the request's id.
// News that answers no request comes through window.__vlEvent(event), an object with a "type".
import { mark } from './timings.js';

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

// Posts a command and gives its id at once (to cancel it or match its progress) with
// the promise of its reply. `onProgress(info)` hears the command's progress until it replies.
export function send(cmd, args = {}, { onProgress = null } = {}) {
  const vl = channel();
  if (!vl) {
    const reply = Promise.reject(new BridgeError('unavailable', cmd, `The application bridge is not available (command "${cmd}").`));
    return { id: null, reply };
  }
  lastId += 1;
  const id = lastId;
  const reply = new Promise((resolve, reject) => {
    pending.set(id, { cmd, resolve, reject, onProgress });
    try {
      vl.postMessage({ cmd, id, args });
    } catch (error) {
      pending.delete(id);
      reject(new BridgeError('unavailable', cmd, `Could not send "${cmd}" to the application: ${error.message}`));
    }
  });
  return { id, reply };
}

export function request(cmd, args = {}) {
  return send(cmd, args).reply;
}

function preview(text) {
  const shown = String(text);
  return shown.length > 60 ? `${shown.slice(0, 60)}…` : shown;
}

function receive(id, text) {
  const entry = pending.get(id);
  if (!entry) return; // a stale or foreign id: nothing waits for it
  pending.delete(id);
  mark(`reply ${entry.cmd}`);
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

const count = (value) => (typeof value === 'number' && Number.isFinite(value) && value >= 0 ? value : 0);

// Progress for an id that has replied, or that nobody watches, is dropped: it can
// arrive late. Malformed reports are dropped too rather than drawn as nonsense.
function progress(id, info) {
  const entry = pending.get(id);
  if (!entry || !entry.onProgress) return;
  if (info === null || typeof info !== 'object' || typeof info.phase !== 'string') return;
  entry.onProgress({
    phase: info.phase,
    done: count(info.done),
    total: count(info.total),
    bytes: count(info.bytes),
    totalBytes: count(info.totalBytes),
  });
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
window.__vlProgress = progress;
window.__vlEvent = announce;
