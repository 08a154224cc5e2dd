// Names from files the application did not write can hold control and
// text-direction characters. As they are, those hide parts of a name or turn
// the rest of a line around ("\u202Egnp.exe" reads "exe.png"); each is shown
// as a visible mark instead: a control picture (␀, ␇) or its code (⟨U+202E⟩).
const HIDDEN = /[\u0000-\u001F\u007F-\u009F\u061C\u200B-\u200F\u2028-\u202E\u2060-\u2069\uFEFF]/g;

function mark(character) {
  const code = character.charCodeAt(0);
  if (code < 0x20) return String.fromCharCode(0x2400 + code);
  if (code === 0x7F) return '\u2421';
  return `⟨U+${code.toString(16).toUpperCase().padStart(4, '0')}⟩`;
}

export function visibleText(text) {
  return text.replace(HIDDEN, mark);
}

// For a name set inside a sentence: visible, and between first-strong
// isolates, so a name in a right-to-left script never reorders the words around it.
export function isolated(text) {
  return `\u2068${visibleText(text)}\u2069`;
}
