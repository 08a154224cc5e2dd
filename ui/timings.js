// Timing marks for the benches that drive the real window: they set
// window.velmorinTimings = true and read the marks back with
// performance.getEntriesByType('mark'). Otherwise nothing is recorded.
const wanted = () => globalThis.velmorinTimings === true;

export function mark(name) {
  if (wanted()) performance.mark(name);
}

// Marks `name` once the frame now being prepared is on screen.
export function markAfterPaint(name) {
  if (wanted()) requestAnimationFrame(() => setTimeout(() => performance.mark(name), 0));
}
