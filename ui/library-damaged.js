// Every damaged file of the library named with its problem in full words, whatever
// the filters show: the table's cell may cut the words short.
import { el } from './dom.js';
import { formatNumber, t } from './i18n.js';
import { problemText, whereText } from './library-data.js';
import { isolated } from './visible-text.js';

const MAX_LISTED = 100;

export function damagedList(programs) {
  const damaged = programs.filter((program) => program.check === 'damaged');
  if (damaged.length === 0) return null;
  const title = t('libraryDamagedTitle', { count: formatNumber(damaged.length) });
  return el('section', { className: 'library-damaged', attrs: { 'aria-label': title } },
    el('h3', { text: `⚠ ${title}` }),
    el('ul', {},
      ...damaged.slice(0, MAX_LISTED).map((program) => el('li', {
        text: t('damagedItem', { name: isolated(program.name), where: isolated(whereText(program)), problem: problemText(program) }),
      })),
      damaged.length > MAX_LISTED ? el('li', { text: t('andMore', { count: damaged.length - MAX_LISTED }) }) : null));
}
