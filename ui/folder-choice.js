// Every folder where a search found program files, newest first, as one choice: the
// chosen folder is what the install takes, whole.
import { el } from './dom.js';
import { formatDay, formatNumber, t } from './i18n.js';

let lastGroup = 0;

function optionText(folder) {
  return [
    folder.model !== '' ? folder.model : `.${folder.ext}`,
    t('programCount', { count: folder.count }),
    folder.newest ? t('changedOn', { date: formatDay(folder.newest) }) : null,
  ].filter(Boolean).join(' · ');
}

// `chosen`: the folder selected now; `onChoose(folder)` when the user picks another.
export function folderChoice(folders, chosen, onChoose) {
  lastGroup += 1;
  const name = `program-folder-${lastGroup}`;
  const options = folders.map((folder, index) => {
    const input = el('input', { attrs: { type: 'radio', name, value: String(index) } });
    input.checked = Boolean(chosen) && folder.dir === chosen.dir && folder.ext === chosen.ext;
    input.addEventListener('change', () => {
      if (input.checked) onChoose(folder);
    });
    return el('li', {}, el('label', { className: 'choice' },
      input,
      el('span', { className: 'choice-text' },
        el('span', { className: 'choice-name', text: optionText(folder) }),
        el('span', { className: 'path', text: folder.dir }))));
  });
  return el('fieldset', { className: 'folder-choice' },
    el('legend', { text: t('foldersTitle', { count: formatNumber(folders.length) }) }),
    el('p', { className: 'hint', text: t('foldersHint') }),
    el('ul', { className: 'choice-list' }, ...options));
}
