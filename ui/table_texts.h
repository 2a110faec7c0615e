#pragma once
// The texts the windows show that are written in tables or in the layers
// below the windows (commands, menus, tools, palette captions, hints,
// messages), listed once so that the translation tools find them.
#include <span>

namespace jollix {

std::span<const char* const> tableTexts();

}  // namespace jollix
