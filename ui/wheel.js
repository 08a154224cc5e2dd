// An inner list that scrolls (the library's table, the list of folders) hands the
// mouse wheel on to the page once it is at its end in that direction, so the page
// goes on scrolling instead of the wheel being caught there. WebKitGTK, unlike
// Chromium, does not do this by itself while the wheel keeps turning.

function scrollsVertically(node) {
  if (!(node instanceof Element) || node.scrollHeight <= node.clientHeight + 1) return false;
  const overflow = getComputedStyle(node).overflowY;
  return overflow === 'auto' || overflow === 'scroll';
}

function innerScroller(target) {
  for (let node = target; node && node !== document.body && node !== document.documentElement; node = node.parentElement) {
    if (scrollsVertically(node)) return node;
  }
  return null;
}

function atEnd(node, down) {
  return down ? node.scrollTop + node.clientHeight >= node.scrollHeight - 1 : node.scrollTop <= 0;
}

// deltaMode: 0 pixels, 1 lines, 2 pages.
function pixels(event) {
  if (event.deltaMode === 1) return event.deltaY * 40;
  if (event.deltaMode === 2) return event.deltaY * window.innerHeight;
  return event.deltaY;
}

export function passWheelAtEnds(root = document) {
  root.addEventListener('wheel', (event) => {
    if (event.ctrlKey || event.deltaY === 0 || Math.abs(event.deltaX) > Math.abs(event.deltaY)) return;
    const scroller = innerScroller(event.target);
    if (!scroller || scroller.closest('dialog') || !atEnd(scroller, event.deltaY > 0)) return;
    event.preventDefault();
    window.scrollBy(0, pixels(event));
  }, { passive: false });
}
