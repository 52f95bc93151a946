// Under node the program reads the environment it was started with (the
// PLUMO_ settings) and its exit code is the process's.
Module.preRun = Module.preRun || [];
Module.preRun.push(() => {
  // (Emscripten's minifier knows no destructuring.)
  Object.keys(process.env).forEach((name) => {
    ENV[name] = process.env[name];
  });
});
// Read here: this Emscripten would fetch() it, which node cannot for a file.
Module.wasmBinary = require('fs').readFileSync(require('path').join(__dirname, 'morva-node.wasm'));
