// The keyboard model field follows the chosen programs. A model the user typed is
// kept while the programs keep their file type; programs of another type bring their
// own model, since the typed one was meant for different files.
import { t } from './i18n.js';

export function setupModelField(input, hint) {
  let shownFor = null; // the programs' extension the field's value belongs to
  let typed = false;

  input.addEventListener('input', () => {
    typed = input.value.trim() !== '';
  });

  return {
    follow({ list, progs }) {
      const ext = progs ? progs.ext : null;
      const found = (progs && progs.model) || (list && list.model) || '';
      const otherType = ext !== shownFor;
      shownFor = ext;
      if (otherType) typed = false;
      if (typed) return;
      if (found !== '' || otherType) input.value = found;
      hint.textContent = progs && progs.model ? t('modelHintFollows', { ext: progs.ext }) : t('modelHint');
    },
  };
}
