// Every program list a search found, newest first, as one choice: which keyboard
// each is for decides which one belongs with the programs.
import { radioChoice } from './choice.js';
import { dirName } from './format.js';
import { formatDay, formatNumber, t } from './i18n.js';

function optionText(list) {
  return [
    list.name,
    list.model !== '' ? list.model : t('listModelUnknown'),
    list.modified ? t('changedOn', { date: formatDay(list.modified) }) : null,
  ].filter(Boolean).join(' · ');
}

export function listChoice(lists, chosen, onChoose) {
  return radioChoice({
    className: 'list-choice',
    legend: t('listsTitle', { count: formatNumber(lists.length) }),
    hint: t('listsHint'),
    items: lists,
    isChosen: (list) => Boolean(chosen) && list.path === chosen.path,
    label: optionText,
    path: (list) => dirName(list.path),
    onChoose,
  });
}
