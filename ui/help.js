// The help page: the same texts machinery as the main page, and the maker's support
// link opened outside the window.
import './bridge.js';
import { byId } from './dom.js';
import { translatePage } from './i18n.js';
import { bindExternalLink } from './actions.js';
import { setupNotice } from './notice.js';

translatePage(document, 'helpTitle');
setupNotice();
bindExternalLink(byId('support-link'));
