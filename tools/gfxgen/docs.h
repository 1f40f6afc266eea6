// Proof pictures for people: the contact sheet, screen mock-ups and the icon.
#pragma once

#include <string>

#include "canvas.h"

namespace gfx {

// Writes contact-sheet.png, play-screen.png, title-screen.png,
// name-entry.png and overlays.png into the directory; false if a file
// cannot be written.
bool writeDocs(const std::string& dir);

Canvas makeContactSheet();
Canvas makePlayScreen();
Canvas makeTitleScreen();
Canvas makeNameEntryScreen();
Canvas makeOverlays();
// The desktop icon, size x size pixels (the hicolor sizes 48, 64, 128 and 256).
Canvas makeIcon(int size = 256);
// The icon sizes the game installs.
inline constexpr int kIconSizes[] = {48, 64, 128, 256};

}  // namespace gfx
