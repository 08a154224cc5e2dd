// A "library" reply whose folders are the given install choices ({dir, ext, model,
// count, newest}), as the application's walk would give them to the search.
export function libraryWithFolders(folders) {
  const models = new Map(folders.map((folder) => [folder.ext, folder.model]));
  return {
    ok: true,
    programs: [...models].map(([ext, model]) => ({ path: `/x.${ext}`, ext, model })),
    folders: folders.map((folder) => ({
      dir: folder.dir, count: folder.count, models: [folder.model], newest: folder.newest, own: false, programs: { [folder.ext]: folder.count },
    })),
    damaged: 0, total: 0, truncated: false, unlisted: 0,
  };
}
