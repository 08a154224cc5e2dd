// What a progress report from the application reads as, and how full its bar is.
import { formatBytes } from './format.js';
import { formatNumber, t } from './i18n.js';

// The counted thing and its verb depend on the command and the phase.
function countKey(cmd, phase) {
  if (cmd === 'plan') return 'progressCompared';
  if (phase === 'scan') return 'progressSearched';
  if (phase === 'copy') return cmd === 'install' ? 'progressCopied' : 'progressFilesCopied';
  if (phase === 'verify') return cmd === 'install' ? 'progressChecked' : 'progressFilesChecked';
  if (phase === 'archive') return 'progressArchivedFiles';
  return 'progressDone';
}

// {text, value, max}: value and max are null when the amount of work is not known.
export function describeProgress(cmd, { phase, done, total, bytes, totalBytes }) {
  if (phase === 'archive' && (bytes > 0 || totalBytes > 0)) {
    const size = formatBytes(bytes);
    if (totalBytes > 0) {
      return { text: t('progressBytes', { done: size, total: formatBytes(totalBytes) }), value: Math.min(bytes, totalBytes), max: totalBytes };
    }
    return { text: t('progressBytesSoFar', { done: size }), value: null, max: null };
  }
  const text = t(countKey(cmd, phase), { count: done, total: total > 0 ? formatNumber(total) : '', totalCount: total });
  return total > 0 ? { text, value: Math.min(done, total), max: total } : { text, value: null, max: null };
}
