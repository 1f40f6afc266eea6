// Runs inside the game's module before its main: the high scores' folder is the game's
// working directory, kept in IndexedDB. It is filled from there before the game starts,
// written back after every save (Module.gumboltPersist, called by the game), and filled again
// when the tab comes back to the front, so that the scores another tab saved meanwhile are
// merged, not overwritten, by this tab's next save (a tab in the back is paused, so it saves
// nothing). Storage that fails is reported once on the console; the game goes on with the
// scores it has, or the default table.
(function () {
  var folder = '/gumbolt';
  var queue = Promise.resolve();
  var reported = false;

  function storageFailed(err) {
    if (reported) return;
    reported = true;
    console.warn('Gumbolt: the high scores cannot be kept in this browser (' +
                 (err && err.message ? err.message : err) +
                 '); play goes on, but scores will not outlive the page.');
  }

  // One sync at a time, in the order asked for: from IndexedDB (true) or to it (false).
  function sync(fromStorage) {
    queue = queue.then(function () {
      return new Promise(function (resolve) {
        try {
          FS.syncfs(fromStorage, function (err) {
            if (err) storageFailed(err);
            resolve();
          });
        } catch (err) {
          storageFailed(err);
          resolve();
        }
      });
    });
    return queue;
  }

  Module['gumboltPersist'] = function () { return sync(false); };
  Module['gumboltSynced'] = function () { return queue; };

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    FS.mkdir(folder);
    try {
      FS.mount(IDBFS, {}, folder);
    } catch (err) {
      storageFailed(err);
    }
    FS.chdir(folder);
    addRunDependency('gumbolt-scores');
    sync(true).then(function () { removeRunDependency('gumbolt-scores'); });
  });

  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'visible') sync(true);
  });
  window.addEventListener('focus', function () { sync(true); });
})();
