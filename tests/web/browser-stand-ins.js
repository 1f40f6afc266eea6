// Loaded before the test programs built for WebAssembly run under node: stand-ins for the
// browser's parts that SDL's drivers for the browser touch when they start, which node lacks.
// Web Audio is silent (SDL opens a device there as it does in a page; nothing is ever played)
// and no gamepad is ever connected (the tests bring SDL's virtual pads).
if (typeof navigator === 'undefined' || !navigator.getGamepads) {
  globalThis.navigator = Object.assign(globalThis.navigator || {}, {getGamepads: () => []});
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
  if (typeof window === 'undefined') {
    globalThis.window = {addEventListener() {}, removeEventListener() {}};
  }
  if (typeof document === 'undefined') {
    globalThis.document = {getElementById: () => null, querySelector: () => null,
                           addEventListener() {}, removeEventListener() {}};
  }
}
