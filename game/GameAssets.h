#pragma once

#include <span>
#include <string_view>

namespace gb {

// The files the game registers at start-up, in registration order. Two of them are
// registered twice (the grid's tile and the fruit sheet); the second registration of a
// path has no effect.
std::span<const std::string_view> assetRegistrationOrder();

// Registers every asset of the list that the build carries, in order. Returns how many
// registrations found their file.
int registerGameAssets();

}  // namespace gb
