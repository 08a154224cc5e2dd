// The keyboard model field follows the chosen programs. A model the user typed is
// kept while the programs keep their file type; programs of another type bring their
// own model, since the typed one was meant for different files. The hint says where
// the value came from only while that is still true.
import { t } from './i18n.js';

export function setupModelField(input, hint) {
  let shownFor = null; // the programs' extension the field's value belongs to
  let typed = false;
  let filledFrom = null; // the extension whose model fills the field, while it does

  function showHint() {
    hint.textContent = filledFrom ? t('modelHintFollows', { ext: filledFrom }) : t('modelHint');
  }

  input.addEventListener('input', () => {
    typed = input.value.trim() !== '';
    filledFrom = null;
    showHint();
  });

  return {
    follow({ list, progs }) {
      const ext = progs ? progs.ext : null;
      const found = (progs && progs.model) || (list && list.model) || '';
      const otherType = ext !== shownFor;
      shownFor = ext;
      if (otherType) typed = false;
      if (!typed) {
        if (found !== '' || otherType) input.value = found;
        filledFrom = progs && progs.model && input.value === progs.model ? progs.ext : null;
      }
      showHint();
    },
  };
}
