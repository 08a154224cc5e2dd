// The folders the install can take, from the library's walk: each folder's program
// files of one kind (never the copies an install made), and packs, whose banks are
// sibling subfolders, offered whole with their banks after them in name order.
import { baseName, dirName } from './format.js';

const MAX_CHOICES = 200;
const whole = (value) => (Number.isInteger(value) && value > 0 ? value : 0);
const words = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

// The model of each kind of program file, as the library named them.
function modelsByExt(programs) {
  const models = new Map();
  for (const program of Array.isArray(programs) ? programs : []) {
    if (program && typeof program.ext === 'string' && typeof program.model === 'string' && program.model !== '') {
      models.set(program.ext, program.model);
    }
  }
  return models;
}

// One choice per folder and kind of program file it holds directly.
function folderChoices(reply) {
  const models = modelsByExt(reply.programs);
  const choices = [];
  for (const folder of Array.isArray(reply.folders) ? reply.folders : []) {
    if (!folder || typeof folder.dir !== 'string' || folder.dir === '' || folder.own === true) continue;
    const programs = folder.programs && typeof folder.programs === 'object' ? folder.programs : {};
    for (const [ext, value] of Object.entries(programs)) {
      const count = whole(value);
      if (count === 0) continue;
      choices.push({
        dir: folder.dir, ext, count, model: models.get(ext) ?? '',
        newest: Number.isFinite(folder.newest) && folder.newest > 0 ? folder.newest : null,
      });
    }
  }
  return choices;
}

const packKey = (dir, ext) => `${dir}\n${ext}`;

// Folders of one kind that share a parent are a pack's banks: the pack, with the
// parent's own programs of that kind, comes where its newest bank stood, its banks
// right after it in name order.
export function installChoices(reply) {
  const choices = folderChoices(reply);
  const siblings = new Map();
  for (const choice of choices) {
    const key = packKey(dirName(choice.dir), choice.ext);
    siblings.set(key, [...(siblings.get(key) || []), choice]);
  }
  const packs = new Map([...siblings].filter(([, banks]) => banks.length > 1));
  const result = [];
  const emitted = new Set();
  for (const choice of choices) {
    const inPack = packs.get(packKey(dirName(choice.dir), choice.ext));
    if (!inPack) {
      if (!packs.has(packKey(choice.dir, choice.ext))) result.push(choice);  // else it goes with its pack
      continue;
    }
    const parent = dirName(choice.dir);
    if (emitted.has(packKey(parent, choice.ext))) continue;
    emitted.add(packKey(parent, choice.ext));
    const loose = choices.find((other) => other.dir === parent && other.ext === choice.ext);
    const banks = [...inPack].sort((a, b) => words.compare(baseName(a.dir), baseName(b.dir)));
    result.push({
      dir: parent,
      ext: choice.ext,
      model: choice.model,
      count: banks.reduce((sum, bank) => sum + bank.count, loose ? loose.count : 0),
      newest: Math.max(...banks.map((bank) => bank.newest || 0)) || null,
      subfolders: true,
      banks: banks.map((bank) => baseName(bank.dir)),
    }, ...banks.map((bank) => ({ ...bank, bankOf: parent })));
  }
  return result.slice(0, MAX_CHOICES);
}

export const sameChoice = (a, b) => Boolean(a && b) && a.dir === b.dir && a.ext === b.ext && Boolean(a.subfolders) === Boolean(b.subfolders);
