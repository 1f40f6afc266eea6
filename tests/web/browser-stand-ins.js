// Loaded before the test programs built for WebAssembly run under node: stand-ins for the
// browser's parts that SDL's drivers for the browser touch when they start, which node lacks.
// Web Audio is silent (SDL opens a device there as it does in a page; nothing is ever played).
// No gamepad is connected until a test connects one through gumboltTestPads, which reports
// it as a browser does: in navigator.getGamepads() and with events on the window.
if (typeof window === 'undefined' && typeof process === 'object') {
  // A browser takes a capture flag of any type; node's EventTarget only a boolean or options.
  const flag = (options) => (typeof options === 'object' ? options : !!options);
  globalThis.window = new (class extends EventTarget {
    addEventListener(type, listener, options) {
      super.addEventListener(type, listener, flag(options));
    }
    removeEventListener(type, listener, options) {
      super.removeEventListener(type, listener, flag(options));
    }
  })();
}
if (typeof navigator === 'undefined' || !navigator.getGamepads) {
  const pads = [];
  const tell = (type, pad) => {
    const event = new Event(type);
    event.gamepad = pad;
    window.dispatchEvent(event);
  };
  // Every change gets a new timestamp, as a browser's pad does when it is read again.
  const changed = (pad) => {
    pad.timestamp = performance.now() + 1;
  };
  globalThis.gumboltTestPads = {
    // A pad with the browser's standard layout (17 buttons, 4 axes) unless told otherwise;
    // answers its index.
    connect(id, mapping = 'standard', buttons = 17, axes = 4) {
      let index = pads.findIndex((pad) => pad === null);
      if (index < 0) index = pads.length;
      const pad = {
        id, index, mapping, connected: true, timestamp: performance.now() + 1,
        buttons: Array.from({length: buttons}, () => ({pressed: false, touched: false, value: 0})),
        axes: new Array(axes).fill(0),
      };
      pads[index] = pad;
      tell('gamepadconnected', pad);
      return index;
    },
    button(index, button, value) {
      const pad = pads[index];
      pad.buttons[button] = {pressed: value > 0.5, touched: value > 0, value};
      changed(pad);
    },
    axis(index, axis, value) {
      const pad = pads[index];
      pad.axes[axis] = value;
      changed(pad);
    },
    disconnect(index) {
      const pad = pads[index];
      pads[index] = null;
      pad.connected = false;
      tell('gamepaddisconnected', pad);
    },
  };
  globalThis.navigator = Object.assign(globalThis.navigator || {}, {getGamepads: () => pads.slice()});
}
if (typeof AudioContext === 'undefined' && typeof process === 'object') {
  globalThis.AudioContext = class {
    constructor() {
      this.sampleRate = 48000;
      this.state = 'running';
      this.destination = {};
      this.currentTime = 0;
    }
    createScriptProcessor() {
      return {connect() {}, disconnect() {}, onaudioprocess: null};
    }
    createBuffer(channels, length, sampleRate) {
      return {numberOfChannels: channels, length, sampleRate,
              getChannelData: () => new Float32Array(length)};
    }
    resume() { return Promise.resolve(); }
    suspend() { return Promise.resolve(); }
    close() { return Promise.resolve(); }
  };
  if (typeof document === 'undefined') {
    globalThis.document = {getElementById: () => null, querySelector: () => null,
                           addEventListener() {}, removeEventListener() {}};
  }
}
