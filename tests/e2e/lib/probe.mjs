// Drives the bridge probe page (tests/e2e/pages/probe.html) through a CDP session: calls the
// bridge functions the program binds on `window` and waits for the answers it pushes into
// SetMsgToH5, which the page records in order.

import { waitUntil } from './processes.mjs';

export class Probe {
  constructor(page) {
    this.page = page;  // a CdpSession of cdp.mjs
  }

  // Waits until the probe page's script runs in the page (after a load or a navigation).
  ready() {
    return waitUntil(() => this.page.evaluate('typeof window.__probe === "object" && !!window.__loaded'),
      { timeoutMs: 20000, what: 'the probe page to load' });
  }

  // Calls window[name](...args) in the page; returns what the call returned.
  call(name, ...args) {
    return this.page.evaluate(`window[${JSON.stringify(name)}](${args.map((a) => JSON.stringify(a)).join(', ')})`);
  }

  // The number of answers recorded so far (the index the next answer gets).
  count() {
    return this.page.evaluate('window.__answers.length');
  }

  // The answers recorded from index `from` on: [{code, text, argc, codeType, textType, at}].
  answers(from = 0) {
    return this.page.evaluate(`window.__answers.slice(${from})`);
  }

  // The first answer with `code` at index >= `from`.
  wait(code, { from = 0, timeoutMs = 15000 } = {}) {
    return this.page.evaluate(`window.__probe.wait(${JSON.stringify(String(code))}, ${from}, ${timeoutMs})`,
      { timeoutMs: timeoutMs + 1000 });
  }

  // Calls `name` and waits for the first answer with `code` pushed after the call.
  async callAndWait(code, name, args, options = {}) {
    const from = await this.count();
    await this.call(name, ...args);
    return this.wait(code, { ...options, from });
  }

  // queryOrvexInfo(type, param) answered with the code `type`; `param` is an object (sent as
  // JSON text) or a text.
  query(type, param = '', options = {}) {
    const text = typeof param === 'string' ? param : JSON.stringify(param);
    return this.callAndWait(String(type), 'queryOrvexInfo', [String(type), text], options);
  }
}
