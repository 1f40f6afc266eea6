// Runs inside every module built for WebAssembly, before its main. Emscripten 3.1.6 forgets
// a file that a rename replaces in its table of names: the new file shows in the folder, but
// once it is removed, opening its name finds the replaced file again, old contents and all.
// The high scores are replaced by a rename at every save, so the replaced file is taken out
// of that table here.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var rename = FS.rename;
  FS.rename = function (oldPath, newPath) {
    var replaced = null;
    try {
      replaced = FS.lookupPath(newPath).node;
    } catch (e) {
      // Nothing there to replace.
    }
    rename(oldPath, newPath);
    if (replaced && replaced !== FS.lookupPath(newPath).node) {
      FS.hashRemoveNode(replaced);
    }
  };
});
