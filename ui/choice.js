// One choice among things a search found, as radio buttons with a line of facts and
// the path under each: the program folders to install, the program lists.
import { el } from './dom.js';

let lastGroup = 0;

// `items`: what to choose from; `isChosen(item)`, `label(item)` and `path(item)` say
// what each one is, `itemClass(item)` how it stands among them; `onChoose(item)` when
// the user picks another.
export function radioChoice({ className, legend, hint, items, isChosen, label, path, itemClass = () => '', onChoose }) {
  lastGroup += 1;
  const name = `choice-${lastGroup}`;
  const options = items.map((item, index) => {
    const input = el('input', { attrs: { type: 'radio', name, value: String(index) } });
    input.checked = isChosen(item);
    input.addEventListener('change', () => {
      if (input.checked) onChoose(item);
    });
    return el('li', { className: itemClass(item) }, el('label', { className: 'choice' },
      input,
      el('span', { className: 'choice-text' },
        el('span', { className: 'choice-name', text: label(item) }),
        el('span', { className: 'path', text: path(item) }))));
  });
  return el('fieldset', { className: `choice-group ${className}` },
    el('legend', { text: legend }),
    hint ? el('p', { className: 'hint', text: hint }) : null,
    el('ul', { className: 'choice-list' }, ...options));
}
