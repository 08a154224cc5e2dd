// Small DOM helpers. Text always goes in through textContent: names and paths from
// replies can hold markup characters and must show as typed.

// A path wraps between folder names ("…/Velmorin" whole on the next line), not
// inside one: each name with its "/" is one unbreakable piece while it fits a line.
export function setPathText(node, path) {
  const parts = String(path).split('/');
  node.replaceChildren(...parts.map((part, index) => {
    const piece = document.createElement('span');
    piece.className = 'path-part';
    piece.textContent = index < parts.length - 1 ? `${part}/` : part;
    return piece;
  }).filter((piece) => piece.textContent !== ''));
}

export function el(tag, options = {}, ...children) {
  const node = document.createElement(tag);
  if (options.className) node.className = options.className;
  // Every element styled as a path breaks as one.
  if (options.text !== undefined && /(^| )path( |$)/.test(options.className || '')) setPathText(node, options.text);
  else if (options.text !== undefined) node.textContent = options.text;
  for (const [name, value] of Object.entries(options.attrs || {})) node.setAttribute(name, value);
  for (const child of children) {
    if (child !== null && child !== undefined && child !== false) node.append(child);
  }
  return node;
}

export function byId(id) {
  const node = document.getElementById(id);
  if (!node) throw new Error(`The page has no element #${id}`);
  return node;
}

export function show(node, visible = true) {
  node.hidden = !visible;
}

export function replaceContent(node, ...children) {
  node.replaceChildren(...children.filter((child) => child !== null && child !== undefined && child !== false));
}
