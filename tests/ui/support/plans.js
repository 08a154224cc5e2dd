// "plan" replies shared by the tests: an install over an earlier one, and an install
// into an empty place that only draws warnings.
export const HOSTILE = '<img src=x onerror=alert(1)>.ns3f';
export const LONG_NAME = `${'Very long program name without any break '.repeat(6).trim().replaceAll(' ', '_')}.ns3f`;
export const MODEL_FOLDER = '/home/ana/Desktop/Velmorin/Nord Stage 3';

// 23 programs would go, of which the reply names the first 20.
const removed = [HOSTILE, LONG_NAME, ...Array.from({ length: 18 }, (_, i) => `Old Piano ${i + 1}.ns3f`)];

export const PLAN_REPLACING = {
  ok: true, path: MODEL_FOLDER,
  programs: { add: 2, replace: 12345, remove: 23, same: 40 },
  removeNames: removed,
  list: { name: '<b>Stage</b> Program List.html', replaces: true },
  archive: { name: 'Nord Stage 3 Programs 2026-12-07.zip', replaces: ['Nord Stage 3 Programs 2026-11-30.zip', HOSTILE] },
  trash: 3, bytesNeeded: 3460213, diskFree: 120482713600, warnings: [],
};

export const PLAN_WARNING_ONLY = {
  ok: true, path: MODEL_FOLDER, programs: null, removeNames: [], archive: null,
  list: { name: 'Nord Stage 2 Program List.html', replaces: false, model: 'Nord Stage 2' },
  trash: 0, bytesNeeded: 5_000_000_000, diskFree: 1_000_000_000,
  damaged: 23, damagedNames: ['Bank A/Broken Rhodes.ns3f', HOSTILE],
  warnings: ['modelMismatch', 'lowSpace', 'foreignFiles', 'listModel', 'damaged', 'aNewerWarning'],
};

export const INSTALLED = {
  ok: true, count: 24, lists: 1, bytes: 3460213, programBytes: 3400000, archiveBytes: 60213,
  trashed: 3, skipped: 1, path: MODEL_FOLDER, root: '/home/ana/Desktop/Velmorin',
};
