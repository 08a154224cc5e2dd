// Small DOM helpers. Text always goes in through textContent: names and paths from
// replies can hold markup characters and must show as typed.

export function el(tag, options = {}, ...children) {
  const node = document.createElement(tag);
  if (options.className) node.className = options.className;
  if (options.text !== undefined) node.textContent = options.text;
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
