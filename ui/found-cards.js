// The cards of what a search found: the program list and the chosen program folder.
import { el } from './dom.js';
import { dirName, formatBytes } from './format.js';
import { formatDay, formatNumber, t } from './i18n.js';
import { revealButton } from './actions.js';

function fact(term, value, className) {
  return el('div', {}, el('dt', { text: term }), el('dd', { text: value, className }));
}

export function listCard(list) {
  return el('article', { className: 'found', attrs: { 'aria-label': t('listTitle') } },
    el('h3', { text: t('listTitle') }),
    el('p', { className: 'found-name', text: list.name }),
    el('dl', { className: 'facts' },
      list.model !== '' ? fact(t('model'), list.model) : null,
      formatBytes(list.size) !== null ? fact(t('size'), formatBytes(list.size)) : null,
      fact(t('folder'), dirName(list.path), 'path')),
    revealButton(list.path));
}

// A folder chosen from the list of every folder may come without its size.
export function progsCard(progs) {
  const size = formatBytes(progs.size);
  return el('article', { className: 'found', attrs: { 'aria-label': t('progsTitle') } },
    el('h3', { text: t('progsTitle') }),
    el('p', { className: 'found-name', text: progs.model !== '' ? progs.model : `.${progs.ext}` }),
    el('dl', { className: 'facts' },
      fact(t('programs'), formatNumber(progs.count)),
      progs.subfolders ? fact(t('banks'), progs.banks.join(', ')) : null,
      size !== null ? fact(t('size'), size) : null,
      progs.newest ? fact(t('newestChange'), formatDay(progs.newest)) : null,
      fact(t('folder'), progs.dir, 'path')),
    revealButton(progs.dir));
}
