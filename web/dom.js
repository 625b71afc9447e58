// DOM helpers: elements are built from values, never from HTML strings, so texts that come
// from the studio or a camera are always shown as text.

const PROPERTIES = new Set(['value', 'checked', 'disabled', 'selected', 'hidden', 'type', 'title', 'htmlFor']);

export function h(tag, props, ...children) {
  const el = document.createElement(tag);
  for (const [name, value] of Object.entries(props || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (name === 'class') el.className = value;
    else if (name === 'dataset') Object.assign(el.dataset, value);
    else if (name.startsWith('on') && typeof value === 'function') el.addEventListener(name.slice(2), value);
    else if (PROPERTIES.has(name)) el[name] = value;
    else el.setAttribute(name, value === true ? '' : String(value));
  }
  append(el, children);
  return el;
}

export function append(el, children) {
  for (const child of children.flat(Infinity)) {
    if (child === null || child === undefined || child === false) continue;
    el.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return el;
}

export function fill(el, ...children) {
  el.replaceChildren();
  return append(el, children);
}

export const $ = (id) => document.getElementById(id);
