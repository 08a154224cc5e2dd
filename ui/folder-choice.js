// Every folder where a search found program files, newest first, as one choice: the
// chosen folder is what the install takes, whole. A pack comes with its banks after it.
import { radioChoice } from './choice.js';
import { baseName } from './format.js';
import { formatDay, formatNumber, t } from './i18n.js';
import { sameChoice } from './install-folders.js';

function optionText(folder) {
  return [
    folder.subfolders || folder.bankOf ? baseName(folder.dir) : null,
    folder.model !== '' ? folder.model : `.${folder.ext}`,
    folder.subfolders ? t('bankCount', { count: folder.banks.length }) : null,
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
    isChosen: (folder) => sameChoice(folder, chosen),
    label: optionText,
    path: (folder) => (folder.subfolders ? t('packBanks', { banks: folder.banks.join(', ') }) : folder.dir),
    itemClass: (folder) => (folder.bankOf ? 'bank' : folder.subfolders ? 'pack' : ''),
    onChoose,
  });
}
