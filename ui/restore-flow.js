// Restoring programs from a folder or backup into a folder the user picks, the way
// an install goes: "plan" with restore first (it changes nothing), the user confirms
// what would be added and replaced, then "restore" with the very same arguments.
import { replyFailure } from './ask.js';
import { el } from './dom.js';
import { baseName, formatBytes } from './format.js';
import { t } from './i18n.js';
import { pickFolder, revealButton } from './actions.js';
import { askToConfirm } from './confirm-dialog.js';
import { failureView } from './failure.js';
import { runTask } from './task.js';
import { visibleText } from './visible-text.js';

// Names a confirmation lists before it says how many more there are.
const MAX_NAMES = 20;

const count = (value) => (typeof value === 'number' && Number.isFinite(value) && value > 0 ? Math.floor(value) : 0);
const names = (value) => (Array.isArray(value) ? value.filter((item) => typeof item === 'string' && item !== '').map(visibleText) : []);

export function readRestorePlan(reply) {
  const programs = reply.programs && typeof reply.programs === 'object' ? reply.programs : {};
  return {
    add: names(programs.add),
    replace: names(programs.replace),
    same: names(programs.same),
    trash: count(reply.trash),
    bytesNeeded: count(reply.bytesNeeded),
    bytesFree: count(reply.bytesFree),
    warnings: names(reply.warnings),
  };
}

function namesGroup(lead, list, className) {
  if (list.length === 0) return null;
  const shown = list.slice(0, MAX_NAMES);
  return el('li', { className }, el('span', { text: lead }),
    el('ul', { className: 'names' }, ...shown.map((name) => el('li', { text: name })),
      list.length > shown.length ? el('li', { className: 'more', text: t('andMore', { count: list.length - shown.length }) }) : null));
}

function warningText(code, plan) {
  const sizes = { needed: formatBytes(plan.bytesNeeded) ?? t('diskUnknown'), free: formatBytes(plan.bytesFree) ?? t('diskUnknown') };
  return code === 'lowSpace' ? t('restoreWarnLowSpace', sizes) : t('warnOther', { code });
}

function confirmation(plan, { label, dest }) {
  const items = [
    namesGroup(t('restoreReplace'), plan.replace, 'restore-replace'),
    namesGroup(t('restoreAdd'), plan.add, 'restore-add'),
    namesGroup(t('restoreSame'), plan.same, 'restore-same'),
    plan.trash > 0 ? el('li', { text: t('restoreTrash', { count: plan.trash }) }) : null,
    plan.bytesNeeded > 0 && plan.bytesFree > 0
      ? el('li', { text: t('restoreSpace', { needed: formatBytes(plan.bytesNeeded), free: formatBytes(plan.bytesFree) }) }) : null,
  ].filter(Boolean);
  const warnings = plan.warnings.map((code) => el('li', { className: 'warning', attrs: { 'data-warning': code }, text: warningText(code, plan) }));
  return {
    title: t('restoreTitle', { folder: baseName(dest) }),
    text: t('restoreText', { name: label, path: dest }),
    details: [
      items.length ? el('ul', { className: 'plan-changes' }, ...items) : null,
      warnings.length ? el('ul', { className: 'plan-warnings' }, ...warnings) : null,
    ].filter(Boolean),
    confirmLabel: t('restoreYes'),
    declineLabel: t('restoreNo'),
  };
}

function note(text) {
  return el('div', { className: 'note', attrs: { role: 'status' } }, el('p', { text }));
}

function restored(reply, dest) {
  const written = count(reply.written);
  const replaced = count(reply.replaced);
  const refused = names(reply.refused);
  const lines = [
    el('p', { text: t('restoreDone', { count: written, folder: baseName(dest) }) }),
    replaced > 0 ? el('p', { text: t(count(reply.trashed) > 0 ? 'restoreReplaced' : 'restoreReplacedGone', { count: replaced }) }) : null,
    written > 0 ? el('p', { text: reply.verified === true ? t('restoreVerified') : t('restoreUnverified') }) : null,
    refused.length ? el('p', { className: 'restore-refused', text: t('restoreRefused', { names: refused.join(', ') }) }) : null,
    el('p', { className: 'path', text: dest }),
    revealButton(dest),
  ];
  // Something refused or unchecked is not a plain success.
  const clean = refused.length === 0 && (written === 0 || reply.verified === true);
  return el('div', { className: clean ? 'success' : 'alert', attrs: { role: clean ? 'status' : 'alert' } }, ...lines);
}

// `source`: {from, entries, label} (label: the program's name as the user knows it).
// `view`: the progress block; `control`: the pressed button's {label()}; `returnFocus`:
// where focus goes when the question closes. Gives the node that reports what
// happened, or null when the user chose no folder.
export async function restoreFlow(source, { view, control, returnFocus, another }) {
  let dest = null;
  try {
    dest = await pickFolder('restore');
    if (dest === null) return null;
    control.label(t('restoreChecking'));
    const args = { restore: true, from: source.from, entries: source.entries, dest };
    const plan = readRestorePlan(await runTask(view, 'plan', args, { title: t('restorePlanningLong'), cancelWins: true }));
    if (plan.add.length === 0 && plan.replace.length === 0 && plan.warnings.length === 0) {
      return note(t('restoreNothingToDo', { folder: baseName(dest) }));
    }
    if (!await askToConfirm({ ...confirmation(plan, { label: source.label, dest }), returnFocus })) return note(t('restoreNotStarted'));
    const reply = await runTask(view, 'restore', { from: args.from, entries: args.entries, dest }, {
      title: t('restoringLong'),
      reason: (answer) => replyFailure(answer, 'restore'),
    });
    return restored(reply, dest);
  } catch (error) {
    return failureView(error, {
      lead: t('restoreFailed'),
      another: { label: t('restoreAnotherFolder'), run: another, helpsSpace: true },
    });
  }
}
