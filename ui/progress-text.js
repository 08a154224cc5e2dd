// What a progress report from the application reads as, and how full its bar is.
// The text carries the bar's own figure, so the two never tell different stories.
import { formatBytes } from './format.js';
import { formatNumber, lang, t } from './i18n.js';

const percent = new Intl.NumberFormat(lang, { style: 'percent', maximumFractionDigits: 0 });

// The counted thing and its verb depend on the command and the phase.
function countKey(cmd, phase) {
  if (cmd === 'plan' || cmd === 'compareSets') return 'progressCompared';
  if (cmd === 'needs') return 'progressChecked';
  if (phase === 'scan') return 'progressSearched';
  if (phase === 'copy') return cmd === 'install' ? 'progressCopied' : 'progressFilesCopied';
  if (phase === 'verify') return cmd === 'install' ? 'progressChecked' : 'progressFilesChecked';
  if (phase === 'archive') return 'progressArchivedFiles';
  return 'progressDone';
}

// Rounded down, so the text never says 100 % before the work is done.
export function percentText(value, max) {
  return percent.format(Math.floor((value / max) * 100) / 100);
}

// {text, value, max}: value and max are null when the amount of work is not known.
// When the bytes are known the bar follows them (a few big files take most of the
// time), and the text says how many. `timeLeft(value, max)` may add the time left.
export function describeProgress(cmd, { phase, done, total, bytes, totalBytes }, timeLeft = () => '') {
  if (phase === 'archive' && (bytes > 0 || totalBytes > 0)) {
    const size = formatBytes(bytes);
    if (totalBytes > 0) {
      const value = Math.min(bytes, totalBytes);
      return join(t('progressBytes', { done: size, total: formatBytes(totalBytes) }), value, totalBytes, timeLeft);
    }
    return { text: t('progressBytesSoFar', { done: size }), value: null, max: null };
  }
  const count = t(countKey(cmd, phase), { count: done, total: total > 0 ? formatNumber(total) : '', totalCount: total });
  if (totalBytes > 0) {
    const value = Math.min(bytes, totalBytes);
    const sizes = t('progressBytesOf', { done: formatBytes(value), total: formatBytes(totalBytes) });
    return join(`${count} · ${sizes}`, value, totalBytes, timeLeft);
  }
  if (total > 0) {
    const text = bytes > 0 ? `${count} · ${formatBytes(bytes)}` : count;
    return join(text, Math.min(done, total), total, timeLeft);
  }
  return { text: bytes > 0 ? `${count} · ${formatBytes(bytes)}` : count, value: null, max: null };
}

function join(text, value, max, timeLeft) {
  const parts = [text, percentText(value, max), timeLeft(value, max)].filter(Boolean);
  return { text: parts.join(' · '), value, max };
}
