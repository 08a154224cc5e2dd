// Starts the page: texts in the user's language, the views and the parts of the
// workflow, and the first questions to the application.
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
import { setupLibrary } from './library-panel.js';
import { setupGig } from './gig-panel.js';
import { restoreSettings } from './settings.js';
import { setupViews } from './views.js';
import { passWheelAtEnds } from './wheel.js';

translatePage();
setupNotice();
setupFinishing();
const views = setupViews();
passWheelAtEnds();

const store = createStore({
  dest: '', destLabel: '', destChosen: false, exportDir: '', list: null, lists: [], progs: null, folders: [], findNote: null, searches: 0, backups: [],
});
setupFind(store);
setupInstall(store);
setupPack(store);
setupLibrary(store, views, setupGig(store, views));
bindAction(byId('quit'), { busyText: () => t('quitting') }, () => runAndReport('quit'));
bindExternalLink(byId('support-link'));

restoreSettings(store);
setupStatus(store)();
