// What an install would change, from the "plan" reply: whether to ask before going
// on, and the confirmation's words. Reply values are read defensively: a missing or
// odd number counts as nothing, never as NaN on screen.
import { el } from './dom.js';
import { baseName, formatBytes } from './format.js';
import { t } from './i18n.js';

const count = (value) => (typeof value === 'number' && Number.isFinite(value) && value > 0 ? Math.floor(value) : 0);
const texts = (value) => (Array.isArray(value) ? value.filter((item) => typeof item === 'string' && item !== '') : []);

export function readPlan(reply) {
  const programs = reply.programs && typeof reply.programs === 'object' ? reply.programs : null;
  const list = reply.list && typeof reply.list === 'object' ? reply.list : null;
  const archive = reply.archive && typeof reply.archive === 'object' ? reply.archive : null;
  return {
    path: typeof reply.path === 'string' ? reply.path : '',
    programs: programs && {
      add: count(programs.add), replace: count(programs.replace), remove: count(programs.remove), same: count(programs.same),
    },
    removeNames: texts(reply.removeNames),
    list: list && {
      name: typeof list.name === 'string' ? list.name : '',
      replaces: list.replaces === true,
      model: typeof list.model === 'string' ? list.model : '',
    },
    archive: archive && { name: typeof archive.name === 'string' ? archive.name : '', replaces: texts(archive.replaces) },
    trash: count(reply.trash),
    bytesNeeded: count(reply.bytesNeeded),
    diskFree: count(reply.diskFree),
    warnings: texts(reply.warnings),
    damaged: count(reply.damaged),
    damagedNames: texts(reply.damagedNames),
  };
}

function losesSomething(plan) {
  return Boolean((plan.programs && (plan.programs.replace > 0 || plan.programs.remove > 0))
    || (plan.list && plan.list.replaces)
    || (plan.archive && plan.archive.replaces.length > 0)
    || plan.trash > 0);
}

// A first install into an empty place goes ahead; anything replaced, removed, sent
// to the Trash or warned about is asked first.
export function needsConfirmation(plan) {
  return losesSomething(plan) || plan.warnings.length > 0;
}

function namesList(names, more, className) {
  return el('ul', { className: `names ${className}` },
    ...names.map((name) => el('li', { text: name })),
    more > 0 ? el('li', { className: 'more', text: t('andMore', { count: more }) }) : null);
}

function programLines(programs, removeNames) {
  if (!programs) return [];
  const lines = [];
  if (programs.replace > 0) lines.push(el('li', { text: t('planReplace', { count: programs.replace }) }));
  if (programs.remove > 0) {
    const shown = removeNames.slice(0, programs.remove);
    lines.push(el('li', {}, el('span', { text: t('planRemove', { count: programs.remove }) }),
      shown.length ? namesList(shown, programs.remove - shown.length, 'removed') : null));
  }
  if (programs.add > 0) lines.push(el('li', { text: t('planAdd', { count: programs.add }) }));
  if (programs.same > 0) lines.push(el('li', { text: t('planSame', { count: programs.same }) }));
  return lines;
}

// "A, B and 3 more": the names the reply gives, then how many it left out.
function someNames(names, total) {
  const shown = names.slice(0, total).join(', ');
  return total > names.length ? `${shown} ${t('andMore', { count: total - names.length })}` : shown;
}

function warningText(code, plan, { model, ext, progsModel }) {
  switch (code) {
    case 'modelMismatch': return t('warnModelMismatch', { model, ext });
    case 'listModel': return t('warnListModel', {
      name: plan.list ? plan.list.name : '', listModel: plan.list ? plan.list.model : '', model: progsModel || model,
    });
    case 'damaged': return t('warnDamaged', { count: plan.damaged, names: someNames(plan.damagedNames, plan.damaged) });
    case 'lowSpace': return t('warnLowSpace', {
      needed: formatBytes(plan.bytesNeeded) ?? t('diskUnknown'), free: formatBytes(plan.diskFree) ?? t('diskUnknown'),
    });
    case 'foreignFiles': return t('warnForeignFiles', { folder: plan.path ? baseName(plan.path) : model });
    default: return t('warnOther', { code });
  }
}

// Title, sentence, details and button words of the confirmation. `request`: the
// model and extension the install was asked with, which the warnings name.
export function confirmationContent(plan, request) {
  const changes = losesSomething(plan);
  const where = plan.path || request.model;
  const items = [...programLines(plan.programs, plan.removeNames)];
  if (plan.list && plan.list.replaces) items.push(el('li', { text: t('planList', { name: plan.list.name }) }));
  if (plan.archive && plan.archive.replaces.length > 0) {
    items.push(el('li', {}, el('span', { text: t('planArchive', { name: plan.archive.name }) }),
      namesList(plan.archive.replaces, 0, 'archives')));
  }
  if (plan.trash > 0) items.push(el('li', { text: t('planTrash', { count: plan.trash }) }));
  const warnings = plan.warnings.map((code) => el('li', { className: 'warning', attrs: { 'data-warning': code }, text: warningText(code, plan, request) }));
  return {
    title: changes ? t('confirmTitleReplace') : t('confirmTitleCheck'),
    text: changes ? t('confirmTextReplace', { path: where }) : t('confirmTextCheck', { path: where }),
    details: [
      items.length ? el('ul', { className: 'plan-changes' }, ...items) : null,
      warnings.length ? el('ul', { className: 'plan-warnings' }, ...warnings) : null,
    ].filter(Boolean),
    confirmLabel: changes ? t('confirmReplace') : t('confirmAnyway'),
    declineLabel: t('confirmDecline'),
  };
}
