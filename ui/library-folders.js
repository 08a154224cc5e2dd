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

// The extension most of each folder's own program files have: what an install of it
// copies. A folder where every program is inside a backup has none. One pass over
// the programs, not one per folder.
function mainExtensions(programs) {
  const counts = new Map();
  for (const program of programs) {
    if (program.inside !== '' || program.ext === '') continue;
    if (!counts.has(program.where)) counts.set(program.where, new Map());
    const folder = counts.get(program.where);
    folder.set(program.ext, (folder.get(program.ext) || 0) + 1);
  }
  const main = new Map();
  for (const [where, folder] of counts) {
    let best = null;
    for (const [ext, count] of folder) if (!best || count > best[1]) best = [ext, count];
    main.set(where, { ext: best[0], count: best[1] });
  }
  return main;
}

// `onInstall(progs)` receives the folder as the install panel takes it.
export function libraryFolders(folders, programs, onInstall) {
  const extensions = mainExtensions(programs);
  const items = folders.map((folder) => {
    const loose = extensions.get(folder.dir) || null;
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
