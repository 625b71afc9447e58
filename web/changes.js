// Changes-only issuing and its preview: the request holding only the fields the installer
// changed (or whole sections when asked), and, per sent field, what it changes on each target.

import { buildConfigRequest, normalizeSections } from './config_model.js';

const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);

// Where each page section sits in "configItems".
export const SECTION_PATHS = {
  general: ['generalConfig', 'timeProofreading'], wifi: ['generalConfig', 'wiFiConfig'],
  defence: ['defenceConfig', 'motionDetectDefence'], audioVideo: ['imageConfig', 'audioAndVideoConfig'],
  backlight: ['imageConfig', 'imageBacklight'], color: ['imageConfig', 'imageColor'],
  display: ['imageConfig', 'imageDisplay'],
};

const at = (o, path) => path.reduce((v, k) => (v == null ? undefined : v[k]), o);

// The members of `now` that differ from `was`; arrays keep their length with {} for unchanged
// elements (a present element with no member takes the target's own values). Null: no change.
function diff(now, was) {
  if (Array.isArray(now)) {
    const parts = now.map((v, i) => diff(v, Array.isArray(was) ? was[i] : undefined));
    return parts.some((p) => p !== null) ? parts.map((p) => p || {}) : null;
  }
  if (isObject(now)) {
    const out = {};
    for (const [k, v] of Object.entries(now)) {
      const d = diff(v, isObject(was) ? was[k] : undefined);
      if (d !== null) out[k] = d;
    }
    return Object.keys(out).length ? out : null;
  }
  return now === was ? null : now;
}

// The sections with at least one changed field.
export function changedSections(draft, base, sectionIds) {
  const now = buildConfigRequest(draft, sectionIds).configItems;
  const was = buildConfigRequest(base, sectionIds).configItems;
  return normalizeSections(sectionIds).filter((id) => diff(at(now, SECTION_PATHS[id]), at(was, SECTION_PATHS[id])) !== null);
}

// {configItems} with, for each chosen section, the whole section when it is in `whole`, the
// changed members only otherwise, and nothing for a section without a change. The audio/video
// section keeps its shape ({} for an unchanged stream or audio part).
export function buildChangedRequest(draft, base, sectionIds, whole) {
  const ids = normalizeSections(sectionIds);
  const now = buildConfigRequest(draft, ids).configItems;
  const was = buildConfigRequest(base, ids).configItems;
  const items = {};
  for (const id of ids) {
    const [outer, inner] = SECTION_PATHS[id];
    const value = at(now, [outer, inner]);
    let part = whole.has(id) ? value : diff(value, at(was, [outer, inner]));
    if (part === null || part === undefined) continue;
    if (id === 'audioVideo' && !whole.has(id)) part = { videoConfig: part.videoConfig || [{}, {}], audioConfig: part.audioConfig || {} };
    items[outer] = items[outer] || {};
    items[outer][inner] = part;
  }
  return { configItems: items };
}

// Leaf fields of a request's "configItems", as {path, value}.
export function leaves(value, path = []) {
  if (Array.isArray(value)) return value.flatMap((v, i) => leaves(v, [...path, i]));
  if (isObject(value)) return Object.entries(value).flatMap(([k, v]) => leaves(v, [...path, k]));
  return [{ path, value }];
}

// Per sent field: the new value, how many targets already hold it, how many change from which
// old value, and how many could not be read. `configs` are the answer's entries, read or not.
export function buildPreview(configItems, configs) {
  return leaves(configItems).map(({ path, value }) => {
    const from = new Map();
    let same = 0;
    let unread = 0;
    for (const c of configs) {
      if (!c.ok) {
        unread += 1;
        continue;
      }
      const old = at(c.configItems, path);
      if (old === value) same += 1;
      else {
        const k = JSON.stringify(old === undefined ? null : old);
        from.set(k, (from.get(k) || 0) + 1);
      }
    }
    const changes = [...from].map(([k, count]) => ({ old: JSON.parse(k), count })).sort((a, b) => b.count - a.count);
    return { path, value, same, unread, changes, changing: changes.reduce((n, x) => n + x.count, 0) };
  });
}

// Answer 14: {"configs": [{serial, channelNo, isSuccess, cause, moreInfo, configItems}]} into
// [{key, ok, cause, moreInfo, configItems}], or null when it is not such an answer.
export function readConfigs(value, keyOf) {
  if (!isObject(value) || !Array.isArray(value.configs)) return null;
  return value.configs.filter(isObject).map((c) => ({
    key: keyOf(c.serial, c.channelNo),
    ok: c.isSuccess === true && isObject(c.configItems),
    cause: typeof c.cause === 'string' ? c.cause : '',
    moreInfo: typeof c.moreInfo === 'string' ? c.moreInfo : '',
    configItems: isObject(c.configItems) ? c.configItems : null,
  }));
}
