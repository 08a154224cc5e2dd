// How long work has left, from how fast its measure (bytes, or items when the bytes
// are not known) has grown since its phase began. Nothing is said in the first
// seconds, while the rate is still a guess.
import { t } from './i18n.js';

const SETTLE_MS = 3000;

export function createTimeLeft(now = () => Date.now()) {
  let start = null;
  return {
    // Seconds left, or null while there is no fair estimate.
    estimate(phase, value, max) {
      const at = now();
      if (!start || start.phase !== phase || value < start.value) start = { phase, value, at };
      const elapsed = at - start.at;
      const gained = value - start.value;
      if (elapsed < SETTLE_MS || gained <= 0 || max <= value) return null;
      return ((max - value) * elapsed) / gained / 1000;
    },
    reset() {
      start = null;
    },
  };
}

export function timeLeftText(seconds) {
  if (seconds < 60) return t('timeLeftSoon');
  const minutes = Math.ceil(seconds / 60);
  if (minutes <= 90) return t('timeLeftMinutes', { count: minutes });
  return t('timeLeftHours', { hours: Math.floor(minutes / 60), minutes: minutes % 60 });
}
