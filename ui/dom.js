// Small DOM helpers. Text always goes in through textContent: names and paths from
// replies can hold markup characters and must show as typed.

// A path may break after each "/" (a <wbr>, which copying leaves out), so a long one
// wraps between folder names rather than inside one.
export function setPathText(node, path) {
  const parts = String(path).split('/');
  node.replaceChildren(...parts.flatMap((part, index) => (index < parts.length - 1
    ? [document.createTextNode(`${part}/`), document.createElement('wbr')]
    : [document.createTextNode(part)])));
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
