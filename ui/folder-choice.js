// Every folder where a search found program files, newest first, as one choice: the
// chosen folder is what the install takes, whole.
import { radioChoice } from './choice.js';
import { formatDay, formatNumber, t } from './i18n.js';

function optionText(folder) {
  return [
    folder.model !== '' ? folder.model : `.${folder.ext}`,
    t('programCount', { count: folder.count }),
    folder.newest ? t('changedOn', { date: formatDay(folder.newest) }) : null,
  ].filter(Boolean).join(' · ');
}

// `chosen`: the folder selected now; `onChoose(folder)` when the user picks another.
export function folderChoice(folders, chosen, onChoose) {
  return radioChoice({
    className: 'folder-choice',
    legend: t('foldersTitle', { count: formatNumber(folders.length) }),
    hint: t('foldersHint'),
    items: folders,
    isChosen: (folder) => Boolean(chosen) && folder.dir === chosen.dir && folder.ext === chosen.ext,
    label: optionText,
    path: (folder) => folder.dir,
    onChoose,
  });
}
