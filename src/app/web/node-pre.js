// Under node the program reads the environment it was started with (the
// PLUMO_ settings) and its exit code is the process's.
Module.preRun = Module.preRun || [];
Module.preRun.push(() => {
  // (Emscripten's minifier knows no destructuring; a program that never
  // reads its environment has no ENV.)
  if (typeof ENV === 'undefined') return;
  Object.keys(process.env).forEach((name) => {
    ENV[name] = process.env[name];
  });
});
// Read here: this Emscripten would fetch() it, which node cannot for a file.
Module.wasmBinary = require('fs').readFileSync(__filename.replace(/\.js$/, '.wasm'));
