// The page around the game: checks what the browser offers, shows the
// download's progress and any failure in the page, and starts morva.js.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  let failed = false;

  function showMessage(text, hint) {
    if (failed) return;
    failed = true;
    $('loading').hidden = true;
    $('fullscreen').hidden = true;
    $('message-text').textContent = text;
    $('message-hint').textContent = hint || '';
    $('message').hidden = false;
    console.error('morva page: ' + text);
  }

  function webGlMissing() {
    try {
      const canvas = document.createElement('canvas');
      return !(canvas.getContext('webgl2') || canvas.getContext('webgl'));
    } catch (e) {
      return true;
    }
  }

  if (typeof WebAssembly !== 'object') {
    showMessage('This browser cannot run WebAssembly.', 'Try a current Firefox, Chrome, Edge or Safari.');
    return;
  }
  if (webGlMissing()) {
    showMessage('This browser offers no WebGL, which MORVA draws with.',
      'Turn on hardware acceleration in the browser settings, or try another browser.');
    return;
  }

  const canvas = $('canvas');
  // The context menu and the browser's own use of the game's keys stay out.
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  window.addEventListener('keydown', (event) => {
    if (['Space', 'ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Tab'].includes(event.code)) {
      event.preventDefault();
    }
  });

  // Browsers allow fullscreen only from a click or a key.
  $('fullscreen').addEventListener('click', () => {
    const stage = $('stage');
    if (!document.fullscreenElement && stage.requestFullscreen) {
      stage.requestFullscreen().catch(() => {});
    }
    canvas.focus();
  });

  function showProgress(done, total) {
    $('loading-done').style.width = (total > 0 ? (100 * done) / total : 0) + '%';
    $('loading-text').textContent = 'Loading MORVA… ' + Math.round(done / 1048576 * 10) / 10 +
      ' of ' + Math.round(total / 1048576 * 10) / 10 + ' MB';
  }

  // The program and the data download side by side from the start; the
  // program compiles while the data still comes.
  const wasm = fetch('morva.wasm').then((response) => {
    if (!response.ok) throw new Error('morva.wasm could not be loaded (' + response.status + ').');
    return response;
  });
  wasm.catch(() => {});

  // Data/ comes gzipped, a twentieth of its size whatever the server does, and
  // is unpacked here; a browser without DecompressionStream takes morva.data.
  async function fetchData() {
    if (typeof DecompressionStream !== 'function') return null;
    const response = await fetch('morva.data.gz');
    if (!response.ok) throw new Error('morva.data.gz could not be loaded (' + response.status + ').');
    const total = Number(response.headers.get('Content-Length')) || 0;
    let done = 0;
    const counted = response.body.pipeThrough(new TransformStream({
      transform(chunk, controller) {
        done += chunk.length;
        showProgress(done, total);
        controller.enqueue(chunk);
      },
    }));
    return new Response(counted.pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
  }

  window.Module = {
    canvas: canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    setStatus: (text) => {
      const progress = /\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/.exec(text || '');
      if (progress) showProgress(Number(progress[1]), Number(progress[2]));
    },
    instantiateWasm: (imports, receive) => {
      wasm.then((response) => WebAssembly.instantiateStreaming(response.clone(), imports)
        // A server that does not call it application/wasm: compiled whole instead.
        .catch(() => response.arrayBuffer().then((bytes) => WebAssembly.instantiate(bytes, imports))))
        .then((result) => receive(result.instance, result.module))
        .catch((error) => showMessage(String(error.message || error),
          'Check the connection and reload the page.'));
      return {};
    },
    onRuntimeInitialized: () => {
      $('loading').hidden = true;
      canvas.focus();
      window.morvaStarted = performance.now();
    },
    showFailure: (line) => showMessage(line, 'Reload the page to play again.'),
    onAbort: (what) => showMessage('MORVA stopped: ' + what,
      'A file may have failed to load. Reload the page to try again.'),
    onExit: (status) => {
      window.morvaEnded = status;
      if (status !== 0) showMessage('MORVA ended with status ' + status + '.', 'Reload the page to play again.');
    },
  };

  window.addEventListener('error', (event) => {
    showMessage(String(event.message || event.error || 'unknown error'),
      'A file may have failed to load. Reload the page to try again.');
  });
  window.addEventListener('unhandledrejection', (event) => {
    showMessage(String(event.reason && event.reason.message || event.reason),
      'A file may have failed to load. Reload the page to try again.');
  });

  fetchData().then((data) => {
    if (data) Module.getPreloadedPackage = () => data;
    const script = document.createElement('script');
    script.src = 'morva.js';
    script.onerror = () => showMessage('morva.js could not be loaded.', 'Check the connection and reload the page.');
    document.body.appendChild(script);
  }).catch((error) => showMessage(String(error.message || error), 'Check the connection and reload the page.'));
})();
