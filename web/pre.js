// Inside morva.js, before the program starts: the settings folder lives in
// the browser's IndexedDB, read back before the program starts and written
// out whenever it may have changed.
Module.preRun = Module.preRun || [];
Module.preRun.push(() => {
  // PLUMO_ settings from the page's address (?PLUMO_FPS=30): for tests and
  // measurements; a folder they name for output is made.
  // (Emscripten's minifier knows no destructuring.)
  new URLSearchParams(location.search).forEach((value, name) => {
    if (!name.startsWith('PLUMO_')) return;
    ENV[name] = value;
    if (name === 'PLUMO_SHOT_DIR' && !FS.analyzePath(value).exists) FS.mkdirTree(value);
  });
  FS.mkdir('/settings');
  FS.mount(IDBFS, {}, '/settings');
  addRunDependency('settings');
  FS.syncfs(true, (error) => {
    if (error) console.warn('morva: cannot read the stored settings: ' + error);
    removeRunDependency('settings');
  });
  let saving = false;
  const save = () => {
    if (saving) return;
    saving = true;
    FS.syncfs(false, (error) => {
      saving = false;
      if (error) console.warn('morva: cannot store the settings: ' + error);
    });
  };
  Module.saveSettings = save;
  setInterval(save, 2000);
  document.addEventListener('visibilitychange', save);
  window.addEventListener('pagehide', save);
});
