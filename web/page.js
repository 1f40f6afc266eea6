// The page around the game: checks what the browser offers, shows the download's progress,
// switches to full screen on F11 or the button, and starts the game's module (gumbolt.js).
'use strict';

(function () {
  // The size of gumbolt.wasm, written in when the site is built: the progress bar's end when
  // the server compresses the download and does not say how large it is unpacked.
  var WASM_BYTES = Number('@GUMBOLT_WASM_BYTES@') || 0;

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('canvas');
  var loading = document.getElementById('loading');
  var progress = document.getElementById('progress');
  var message = document.getElementById('message');
  var button = document.getElementById('fullscreen');

  function say(text) {
    loading.hidden = true;
    message.textContent = text;
    message.hidden = false;
  }

  function fail(text) {
    say(text);
    console.error('Gumbolt: ' + text);
  }

  // The WebGL the browser offers: null when there is none, otherwise whether it draws on the
  // CPU (SwiftShader, llvmpipe and the like: no graphics device behind it).
  function webgl() {
    // A scratch canvas: the game's own one must be left for the game to set up.
    var probe = document.createElement('canvas');
    try {
      var gl = window.WebGLRenderingContext &&
               (probe.getContext('webgl2') || probe.getContext('webgl'));
      if (!gl) return null;
      var info = gl.getExtension('WEBGL_debug_renderer_info');
      var renderer = String(info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : '');
      return {onTheCpu: /SwiftShader|llvmpipe|softpipe|Software/i.test(renderer)};
    } catch (e) {
      return null;
    }
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function () {});
    } else if (stage.requestFullscreen) {
      stage.requestFullscreen().catch(function (e) {
        console.warn('Gumbolt: full screen was refused (' + e.message + ')');
      });
    }
    canvas.focus();
  }

  // F11 switches the game, not the browser; the browser allows the switch only while it
  // handles the press, so the page does it rather than the game.
  window.addEventListener('keydown', function (e) {
    if (e.key === 'F11') {
      e.preventDefault();
      e.stopImmediatePropagation();
      if (!e.repeat) toggleFullscreen();
    }
  }, true);
  window.addEventListener('keyup', function (e) {
    if (e.key === 'F11') {
      e.preventDefault();
      e.stopImmediatePropagation();
    }
  }, true);
  button.addEventListener('click', function () {
    toggleFullscreen();
    button.blur();
  });

  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run Gumbolt: it needs WebAssembly, which is missing or ' +
         'switched off. A current Firefox, Chrome, Edge or Safari runs it.');
    return;
  }
  var graphics = webgl();
  if (!graphics) {
    fail('This browser cannot show Gumbolt: it needs WebGL, which is missing or switched ' +
         'off (look for "hardware acceleration" in the browser\'s settings).');
    return;
  }

  // The game's code is asked for at once, beside its module (gumbolt.js), and compiled while
  // it arrives; the progress bar counts the bytes as they come.
  var download = fetch('gumbolt.wasm', {credentials: 'same-origin'});
  // A failed download is reported when the module asks for the code, not before.
  download.catch(function () {});

  // The browser's sound takes long to set up (most of a second in headless Chromium): it is
  // made now, while the code downloads, rather than when the game opens its sound device, and
  // it starts with the first key, click or touch, as browsers allow.
  var sound = null;
  try {
    var AudioContextType = window.AudioContext || window.webkitAudioContext;
    if (AudioContextType) sound = new AudioContextType();
  } catch (e) {
    sound = null;
  }
  if (sound) {
    ['keydown', 'mousedown', 'touchstart'].forEach(function (type) {
      document.addEventListener(type, function () {
        if (sound.state === 'suspended') sound.resume();
      }, true);
    });
  }

  function counted(response) {
    if (!response.ok) throw new Error('gumbolt.wasm: ' + response.status + ' ' + response.statusText);
    var packed = response.headers.get('Content-Encoding');
    var total = (!packed && Number(response.headers.get('Content-Length'))) || WASM_BYTES;
    if (!response.body || !total || typeof TransformStream !== 'function') return response;
    var received = 0;
    var counter = new TransformStream({
      transform: function (chunk, controller) {
        received += chunk.length;
        progress.value = Math.min(received / total, 1);
        controller.enqueue(chunk);
      },
      flush: function () {
        // Downloaded: what is left (compiling, starting) has no measure.
        progress.removeAttribute('value');
      },
    });
    return new Response(response.body.pipeThrough(counter),
                        {headers: {'Content-Type': 'application/wasm'}});
  }

  function instantiate(imports, done) {
    download.then(counted).then(function (response) {
      if (typeof WebAssembly.instantiateStreaming === 'function') {
        return WebAssembly.instantiateStreaming(response, imports);
      }
      return response.arrayBuffer().then(function (bytes) {
        return WebAssembly.instantiate(bytes, imports);
      });
    }).then(function (result) {
      done(result.instance, result.module);
    }).catch(function (e) {
      fail('Gumbolt could not be loaded (' + (e && e.message ? e.message : e) +
           '). Reload the page to try again.');
    });
    return {};
  }

  window.Module = {
    canvas: canvas,
    instantiateWasm: instantiate,
    // SDL's sound for the browser plays into this one.
    SDL2: sound ? {audioContext: sound} : undefined,
    preRun: [function () {
      // WebGL drawn on the CPU costs far more than SDL's software renderer, which draws only
      // what changed: the game then takes that one, as it does on a desktop without a GPU.
      if (graphics.onTheCpu) ENV.SDL_RENDER_DRIVER = 'software';
    }],
    print: function (text) { console.log(text); },
    // The game's standard error: warnings, never a reason to stop.
    printErr: function (text) { console.warn(text); },
    onRuntimeInitialized: function () {
      loading.hidden = true;
      canvas.focus();
    },
    onAbort: function (what) {
      fail('Gumbolt stopped because of an error (' + what + '). Reload the page to play again.');
    },
    gumboltEnded: function () {
      say('Thanks for playing Gumbolt. Reload the page to play again.');
    },
  };

  var script = document.createElement('script');
  script.src = 'gumbolt.js';
  script.onerror = function () {
    fail('Gumbolt could not be loaded (gumbolt.js is missing). Reload the page to try again.');
  };
  document.body.appendChild(script);
})();
