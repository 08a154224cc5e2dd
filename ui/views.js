// The page's views (install, library, pack, before the gig, help) as tabs. Every view stays in the
// page while another shows, so searches, choices, a long library and work in
// progress are all still there on return. Reached with the arrow keys on the tabs,
// Alt+1…5 anywhere, F1 for Help, and Escape leaves Help for the view before it.
import { byId } from './dom.js';

const VIEWS = ['install', 'library', 'pack', 'gig', 'help'];

export function setupViews() {
  const tabs = VIEWS.map((view) => byId(`tab-${view}`));
  let current = 'install';
  let beforeHelp = 'install';

  function showView(view, { focusTab = false } = {}) {
    if (!VIEWS.includes(view)) return;
    if (view === 'help' && current !== 'help') beforeHelp = current;
    current = view;
    VIEWS.forEach((name, index) => {
      const selected = name === view;
      tabs[index].setAttribute('aria-selected', String(selected));
      tabs[index].tabIndex = selected ? 0 : -1;
      byId(`view-${name}`).hidden = !selected;
    });
    if (focusTab) tabs[VIEWS.indexOf(view)].focus();
  }

  tabs.forEach((tab, index) => {
    tab.addEventListener('click', () => showView(VIEWS[index]));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      let next = null;
      if (step) next = (index + step + VIEWS.length) % VIEWS.length;
      else if (event.key === 'Home') next = 0;
      else if (event.key === 'End') next = VIEWS.length - 1;
      if (next === null) return;
      event.preventDefault();
      showView(VIEWS[next], { focusTab: true });
    });
  });

  document.addEventListener('keydown', (event) => {
    if (event.defaultPrevented) return;
    // A modal question has the keyboard to itself.
    if (document.querySelector('dialog[open]')) return;
    const digit = event.altKey && !event.ctrlKey && !event.metaKey && /^Digit[1-5]$/.test(event.code) ? Number(event.code.slice(5)) : 0;
    if (digit > 0) {
      event.preventDefault();
      showView(VIEWS[digit - 1], { focusTab: true });
    } else if (event.key === 'F1' && !event.altKey && !event.ctrlKey) {
      event.preventDefault();
      showView('help', { focusTab: true });
    } else if (event.key === 'Escape' && current === 'help') {
      event.preventDefault();
      showView(beforeHelp, { focusTab: true });
    }
  });

  return { show: showView, current: () => current };
}
