// Turns reply values into what people read, and form input into request values.
import { lang } from './i18n.js';

const UNITS = ['kB', 'MB', 'GB', 'TB', 'PB'];

// Decimal units, as the desktop's file manager shows them. Returns null for a value
// that is not a byte count, so callers can say "unknown" instead of "NaN B".
export function formatBytes(bytes) {
  if (typeof bytes !== 'number' || !Number.isFinite(bytes) || bytes < 0) return null;
  if (bytes < 1000) {
    const whole = Math.round(bytes);
    return `${new Intl.NumberFormat(lang).format(whole)} ${whole === 1 ? 'byte' : 'bytes'}`;
  }
  let value = bytes / 1000;
  let unit = 0;
  while (value >= 999.5 && unit < UNITS.length - 1) {
    value /= 1000;
    unit += 1;
  }
  const digits = value < 9.95 ? 1 : 0;
  return `${new Intl.NumberFormat(lang, { maximumFractionDigits: digits }).format(value)} ${UNITS[unit]}`;
}

// "YYYY-MM-DD" means from local midnight of that day. Empty means no limit (null);
// anything else that is not a real calendar date gives NaN.
export function sinceMillis(text) {
  const value = text.trim();
  if (value === '') return null;
  const match = /^(\d{4})-(\d{2})-(\d{2})$/.exec(value);
  if (!match) return NaN;
  const [year, month, day] = match.slice(1).map(Number);
  const date = new Date(year, month - 1, day);
  if (date.getFullYear() !== year || date.getMonth() !== month - 1 || date.getDate() !== day) return NaN;
  return date.getTime();
}

// Last component of a path, for labels; the whole text when it has none.
export function baseName(path) {
  const trimmed = path.replace(/\/+$/, '');
  const name = trimmed.slice(trimmed.lastIndexOf('/') + 1);
  return name || path;
}

// The folder that holds a path; the path itself when it has no parent part.
export function dirName(path) {
  const trimmed = path.replace(/\/+$/, '');
  const cut = trimmed.lastIndexOf('/');
  if (cut < 0) return path;
  return cut === 0 ? '/' : trimmed.slice(0, cut);
}

// "Desktop › Velmorin" style label for a folder the user picked: its last two names.
export function folderLabel(path) {
  const parts = path.split('/').filter(Boolean);
  return parts.length ? parts.slice(-2).join(' › ') : path;
}
