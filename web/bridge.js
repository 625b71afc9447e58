// The page's side of the program's bridge: calling the global bridge functions, receiving the
// answers pushed through SetMsgToH5, and pacing requests whose answers carry no request id.

export const BRIDGE_FUNCTIONS = [
  'changeTitle', 'queryOrvexInfo', 'IssuedConfigToCameras', 'IssuedSingleCfgToCameras',
  'IssuedConfigName', 'CheckDevPassword',
];

export const missingBridgeFunctions = () => BRIDGE_FUNCTIONS.filter((n) => typeof window[n] !== 'function');

// Calls a bridge function with text arguments; false when it is missing or threw.
export function callBridge(name, ...args) {
  const fn = window[name];
  if (typeof fn !== 'function') return false;
  try {
    fn.apply(window, args.map((a) => String(a)));
    return true;
  } catch (error) {
    console.warn(`bridge call ${name} failed`, error);
    return false;
  }
}

// The answer text as JSON: {ok, value}, or {ok: false, empty} for an empty or malformed text.
export function parseAnswer(text) {
  if (typeof text !== 'string' || text.trim() === '') return { ok: false, empty: true };
  try {
    return { ok: true, value: JSON.parse(text) };
  } catch {
    return { ok: false, empty: false };
  }
}

// Defines SetMsgToH5 in this frame; the handler gets the code as decimal text without leading
// zeros and the text as a string. Nothing it throws reaches the caller.
export function installAnswerSink(handler) {
  window.SetMsgToH5 = function SetMsgToH5(code, text) {
    try {
      const n = Number.parseInt(String(code), 10);
      handler(Number.isFinite(n) ? String(n) : String(code), text == null ? '' : String(text));
    } catch (error) {
      console.error('handling an answer failed', error);
    }
  };
}

// Keeps at most one request of a kind in flight, so an answer without identity (an empty text,
// a Wi-Fi list) belongs to the request in flight. A newer waiting request replaces an older one;
// a request that stays unanswered is given up after `timeoutMs`.
export class RequestChannel {
  constructor(send, { timeoutMs = 60000, onTimeout = () => {} } = {}) {
    this.send = send;
    this.timeoutMs = timeoutMs;
    this.onTimeout = onTimeout;
    this.inFlight = null;
    this.waiting = null;
    this.timer = null;
  }

  request(entry) {
    this.waiting = entry;
    this.pump();
  }

  // Takes the in-flight request if `matches` accepts it (or when `matches` is omitted), and
  // returns it; null when the answer is not for the request in flight.
  resolve(matches) {
    const entry = this.inFlight;
    if (!entry || (matches && !matches(entry))) return null;
    this.finish();
    return entry;
  }

  cancelWaiting() {
    this.waiting = null;
  }

  finish() {
    clearTimeout(this.timer);
    this.inFlight = null;
    this.pump();
  }

  pump() {
    if (this.inFlight || !this.waiting) return;
    const entry = this.waiting;
    this.waiting = null;
    this.inFlight = entry;
    this.timer = setTimeout(() => {
      if (this.inFlight !== entry) return;
      this.finish();
      this.onTimeout(entry);
    }, this.timeoutMs);
    if (!this.send(entry)) {
      this.finish();
      this.onTimeout(entry);
    }
  }
}
