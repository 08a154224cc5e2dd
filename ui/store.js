// The little state the parts of the page share: the destination, the export folder
// and what the last searches found. Parts subscribe and redraw themselves.

export function createStore(initial) {
  let state = { ...initial };
  const listeners = new Set();
  return {
    get: () => state,
    set(patch) {
      state = { ...state, ...patch };
      for (const listener of listeners) listener(state, patch);
    },
    subscribe(listener) {
      listeners.add(listener);
    },
  };
}
