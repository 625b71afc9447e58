// Driving the reference page inside the real program through raw CDP: clicks and typing as
// input events at the element's place, form values set as the page's own controls would,
// the page's state summary (window.__orvexPageState) and screenshots.

import fs from 'node:fs';
import path from 'node:path';
import { waitUntil } from '../../e2e/lib/processes.mjs';

const quote = (text) => JSON.stringify(text);

export class Page {
  constructor(session) {
    this.session = session;
    this.errors = [];
    session.onEvent((method, params) => {
      if (method === 'Runtime.exceptionThrown') this.errors.push(params.exceptionDetails?.exception?.description || params.exceptionDetails?.text);
    });
  }

  // Connects to the program's page and waits until the page has its groups and the first page
  // of the first group.
  static async open(program, { timeoutMs = 60000 } = {}) {
    const session = await program.connect({ urlMatch: (url) => url.includes('/index.html'), timeoutMs });
    const page = new Page(session);
    await session.send('Runtime.enable');
    await page.waitState((s) => s.groupsStatus === 'loaded' && s.page && !s.page.loading && s.page.cameras.length > 0,
      { timeoutMs, what: 'the group list and the first page' });
    return page;
  }

  evaluate(expression, options) {
    return this.session.evaluate(expression, options);
  }

  state() {
    return this.evaluate('window.__orvexPageState()');
  }

  // Polls the state until `predicate(state)` holds; returns that state.
  waitState(predicate, { timeoutMs = 30000, what = 'a page state' } = {}) {
    return waitUntil(async () => {
      const s = await this.state();
      return predicate(s) ? s : undefined;
    }, { timeoutMs, intervalMs: 100, what });
  }

  // Shows page `pageNum` of group `groupId` in the camera list.
  async showGroup(groupId, pageNum = 1) {
    const s = await this.state();
    if (s.view !== 'cameras') await this.click('#nav-cameras');
    if (s.page?.groupId !== groupId) await this.click(`[data-group-id="${groupId}"]`);
    await this.waitState((x) => x.page?.groupId === groupId && !x.page.loading, { what: groupId });
    while ((await this.state()).page.pageNum !== pageNum) {
      await this.click((await this.state()).page.pageNum < pageNum ? '#page-next' : '#page-prev');
      await this.waitState((x) => !x.page.loading);
    }
  }

  // Ticks the cameras of `keys`, shown in the list, as targets.
  async chooseTargets(keys) {
    for (const key of keys) {
      await this.click(`[data-key="${key}"] [data-testid=target-check]`);
      await this.waitState((x) => x.targets.includes(key), { what: `${key} as a target` });
    }
  }

  exists(selector) {
    return this.evaluate(`Boolean(document.querySelector(${quote(selector)}))`);
  }

  waitFor(selector, { timeoutMs = 30000 } = {}) {
    return waitUntil(() => this.exists(selector), { timeoutMs, intervalMs: 100, what: selector });
  }

  text(selector) {
    return this.evaluate(`document.querySelector(${quote(selector)})?.textContent ?? null`);
  }

  attribute(selector, name) {
    return this.evaluate(`document.querySelector(${quote(selector)})?.getAttribute(${quote(name)}) ?? null`);
  }

  value(selector) {
    return this.evaluate(`document.querySelector(${quote(selector)})?.value ?? null`);
  }

  // The values of a select's options.
  options(selector) {
    return this.evaluate(`[...document.querySelectorAll(${quote(selector + ' option')})].map((o) => o.value)`);
  }

  // The centre of the element in the viewport, after scrolling it into view; throws when the
  // element is missing, hidden or disabled. `covered` when something else (a toast, a dialog)
  // lies on that point.
  async centre(selector) {
    const box = await this.evaluate(`(() => {
      const el = document.querySelector(${quote(selector)});
      if (!el) return {missing: true};
      el.scrollIntoView({block: 'center', inline: 'center'});
      const r = el.getBoundingClientRect();
      const x = r.left + r.width / 2, y = r.top + r.height / 2;
      const top = document.elementFromPoint(x, y);
      return {x, y, w: r.width, h: r.height, disabled: Boolean(el.disabled),
              covered: !(top && (el.contains(top) || top.contains(el) || (el.labels && [...el.labels].some((l) => l.contains(top)))))};
    })()`);
    if (box.missing) throw new Error(`no element ${selector}`);
    if (box.w === 0 || box.h === 0) throw new Error(`${selector} is not shown`);
    if (box.disabled) throw new Error(`${selector} is disabled`);
    return box;
  }

  // A left click at the element's centre, as the user's mouse would: waits for the element and
  // until nothing covers it.
  async click(selector) {
    await this.waitFor(selector);
    const { x, y } = await waitUntil(async () => {
      const box = await this.centre(selector);
      return box.covered ? undefined : box;
    }, { timeoutMs: 10000, intervalMs: 100, what: `${selector} uncovered` });
    for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased']) {
      await this.session.send('Input.dispatchMouseEvent', {
        type, x, y, button: type === 'mouseMoved' ? 'none' : 'left', clickCount: type === 'mouseMoved' ? 0 : 1,
      });
    }
  }

  async key(key, code = key, keyCode = 0) {
    for (const type of ['keyDown', 'keyUp']) {
      await this.session.send('Input.dispatchKeyEvent', { type, key, code, windowsVirtualKeyCode: keyCode });
    }
  }

  // Replaces the text of an input by typing: focus, select everything, insert `text`, then Tab
  // (number fields take their value when they lose the focus).
  async type(selector, text) {
    await this.click(selector);
    await this.evaluate(`document.querySelector(${quote(selector)}).select?.()`);
    await this.session.send('Input.insertText', { text: String(text) });
    await this.key('Tab', 'Tab', 9);
  }

  async checked(selector) {
    return this.evaluate(`Boolean(document.querySelector(${quote(selector)})?.checked)`);
  }

  // Clicks a checkbox until it has the wanted state.
  async setChecked(selector, on) {
    if ((await this.checked(selector)) !== on) await this.click(selector);
    await waitUntil(async () => (await this.checked(selector)) === on, { timeoutMs: 5000, what: `${selector} checked=${on}` });
  }

  // Scrolls the page and every scrolled panel back to its top.
  scrollToTop() {
    return this.evaluate(`for (const el of [document.scrollingElement, ...document.querySelectorAll('*')]) {
      if (el && el.scrollTop > 0) el.scrollTop = 0;
    }`);
  }

  // A PNG of the page area, written to `dir`/`name`.png; returns the path.
  async screenshot(dir, name) {
    const { data } = await this.session.send('Page.captureScreenshot', { format: 'png' }, 20000);
    fs.mkdirSync(dir, { recursive: true });
    const file = path.join(dir, `${name}.png`);
    fs.writeFileSync(file, Buffer.from(data, 'base64'));
    return file;
  }
}
