// Ties a button to the command it runs. While the command runs the button shows that it
// is busy and ignores presses (it keeps keyboard focus, so aria-disabled rather than
// disabled), buttons of the same group are held too, and the work may show a progress
// bar. Everything else on the page stays usable.

const holds = new WeakMap();

function isBlocked(button) {
  return button.getAttribute('aria-busy') === 'true' || button.getAttribute('aria-disabled') === 'true';
}

function setHeld(button, delta) {
  const count = (holds.get(button) || 0) + delta;
  holds.set(button, count);
  if (count > 0) button.setAttribute('aria-disabled', 'true');
  else button.removeAttribute('aria-disabled');
}

// Returns the guarded run, so the page can also start the command itself (at load).
// The work receives {label(text), progress(visible)} to tell what it is doing now.
export function bindAction(button, { busyText, progress = null, group = [] }, work) {
  const label = button.querySelector('.label') || button;
  async function run() {
    if (isBlocked(button)) return;
    const idleText = label.textContent;
    const others = group.filter((other) => other !== button);
    button.setAttribute('aria-busy', 'true');
    button.classList.add('is-busy');
    if (busyText) label.textContent = busyText();
    others.forEach((other) => setHeld(other, 1));
    const control = {
      label: (text) => { label.textContent = text; },
      progress: (visible) => { if (progress) progress.hidden = !visible; },
    };
    try {
      await work(control);
    } finally {
      control.progress(false);
      others.forEach((other) => setHeld(other, -1));
      label.textContent = idleText;
      button.classList.remove('is-busy');
      button.removeAttribute('aria-busy');
    }
  }
  button.addEventListener('click', (event) => {
    event.preventDefault();
    run();
  });
  return run;
}
