#include "hiscores/SaveSteps.h"

#include <utility>

namespace gb {

SaveSteps::Watcher& SaveSteps::watcher() {
    static Watcher installed;
    return installed;
}

void SaveSteps::watch(Watcher watcher) {
    SaveSteps::watcher() = std::move(watcher);
}

void SaveSteps::reached(SaveStep step) {
    if (const Watcher& current = watcher()) {
        current(step);
    }
}

}  // namespace gb
