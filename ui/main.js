// Starts the page: texts in the user's language, the parts of the workflow, and the
// first questions to the application.
import './bridge.js';
import { bindAction } from './busy.js';
import { byId } from './dom.js';
import { translatePage, t } from './i18n.js';
import { runAndReport } from './actions.js';
import { setupNotice, showNotice } from './notice.js';
import { setupFinishing } from './finishing.js';
import { createStore } from './store.js';
import { setupStatus } from './status-panel.js';
import { setupFind } from './find-panel.js';
import { setupInstall } from './install-panel.js';
import { setupPack } from './pack-panel.js';
import { setupLibrary } from './library-panel.js';
import { restoreSettings } from './settings.js';

translatePage();
setupNotice();
setupFinishing();

const store = createStore({
  dest: '', destLabel: '', destChosen: false, exportDir: '', list: null, lists: [], progs: null, folders: [], findNote: null, searches: 0,
});
setupFind(store);
setupInstall(store);
setupPack(store);
setupLibrary(store);
bindAction(byId('quit'), { busyText: () => t('quitting') }, () => runAndReport('quit'));

// Help is a page of its own: leaving this one while work runs would lose that work's report.
byId('help-link').addEventListener('click', (event) => {
  if (!document.querySelector('main .progress:not([hidden])')) return;
  event.preventDefault();
  showNotice(t('helpWhileBusy'), { info: true });
});

restoreSettings(store);
setupStatus(store)();
