// Under node the program reads the environment it was started with (the
// PLUMO_ settings) and its exit code is the process's.
Module.preRun = Module.preRun || [];
Module.preRun.push(() => {
  for (const [name, value] of Object.entries(process.env)) {
    ENV[name] = value;
  }
});
