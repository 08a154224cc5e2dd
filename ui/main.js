// Starts the page: texts in the user's language, the parts of the workflow, and the
// first questions to the application.
import './bridge.js';
import { bindAction } from './busy.js';
import { byId } from './dom.js';
import { translatePage, t } from './i18n.js';
import { bindExternalLink, runAndReport } from './actions.js';
import { setupNotice } from './notice.js';
import { setupFinishing } from './finishing.js';
import { createStore } from './store.js';
import { setupStatus } from './status-panel.js';
import { setupFind } from './find-panel.js';
import { setupInstall } from './install-panel.js';
import { setupPack } from './pack-panel.js';

translatePage();
setupNotice();
setupFinishing();

const store = createStore({ dest: '', destLabel: '', exportDir: '', list: null, progs: null, findNote: null });
setupFind(store);
setupInstall(store);
setupPack(store);
bindExternalLink(byId('help-link'));
bindAction(byId('quit'), { busyText: () => t('quitting') }, () => runAndReport('quit'));

setupStatus(store)();
