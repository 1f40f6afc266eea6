#pragma once

#include <functional>

namespace gb {

// The steps by which a save reaches the disk, in the order they happen.
enum class SaveStep {
    wrote,    // the new records are written (into a new file, or into the old one in place)
    flushed,  // and flushed to the disk
    cut,      // in place: the old file is cut to the new length
    cutFlushed
};

// Lets a test see each step of a save as it is taken, to stop the save there (a kill at that
// moment) or to hold it (a slow disk) while another copy of the game tries to save. The game
// watches nothing: without a watcher a step costs one test of an empty function.
class SaveSteps {
  public:
    using Watcher = std::function<void(SaveStep)>;

    // Installs the watcher for the steps that follow; an empty one removes it.
    static void watch(Watcher watcher);
    // Called by the save after each step.
    static void reached(SaveStep step);

  private:
    static Watcher& watcher();
};

}  // namespace gb
