// The folders where the library found programs, newest first: each can be shown in
// the file viewer, and one that holds program files (not only backups) installed.
import { bindAction } from './busy.js';
import { el } from './dom.js';
import { baseName } from './format.js';
import { formatDay, formatNumber, t } from './i18n.js';
import { revealButton } from './actions.js';

function folderFacts(folder) {
  return [
    folder.models.length ? folder.models.join(', ') : t('libraryNoModel'),
    t('libraryFolderCount', { count: folder.count }),
    folder.newest ? t('libraryFolderNewest', { date: formatDay(folder.newest) }) : null,
  ].filter(Boolean).join(' · ');
}

// The extension most of the folder's own program files have: what an install of it
// copies. Null when every program there is inside a backup.
function mainExtension(folder, programs) {
  const counts = new Map();
  for (const program of programs) {
    if (program.inside !== '' || program.where !== folder.dir) continue;
    if (program.ext !== '') counts.set(program.ext, (counts.get(program.ext) || 0) + 1);
  }
  let best = null;
  for (const [ext, count] of counts) if (!best || count > best[1]) best = [ext, count];
  return best ? { ext: best[0], count: best[1] } : null;
}

// `onInstall(progs)` receives the folder as the install panel takes it.
export function libraryFolders(folders, programs, onInstall) {
  const items = folders.map((folder) => {
    const loose = mainExtension(folder, programs);
    let install = null;
    if (loose) {
      install = el('button', { attrs: { type: 'button', 'aria-label': t('libraryInstallNamed', { name: baseName(folder.dir) }) } },
        el('span', { className: 'label', text: t('libraryInstallFolder') }));
      bindAction(install, {}, async () => onInstall({
        dir: folder.dir,
        ext: loose.ext,
        count: loose.count,
        model: folder.models.length === 1 ? folder.models[0] : '',
        newest: folder.newest || null,
      }));
    }
    return el('li', { className: 'library-folder' },
      el('div', { className: 'library-folder-text' },
        el('span', { className: 'path', text: folder.dir }),
        el('span', { className: 'hint', text: folderFacts(folder) })),
      el('div', { className: 'buttons' }, install, revealButton(folder.dir)));
  });
  return el('section', { className: 'library-folders', attrs: { 'aria-label': t('libraryFoldersTitle', { count: formatNumber(folders.length) }) } },
    el('h3', { text: t('libraryFoldersTitle', { count: formatNumber(folders.length) }) }),
    el('ul', { className: 'library-folder-list' }, ...items));
}
