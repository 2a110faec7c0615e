#pragma once
// Qt's own messages that are no news to the user.
namespace jollix {

// Without a desktop session (no XDG_RUNTIME_DIR, as under su, in a
// container or in the batch command) Qt warns at start that it has no
// runtime folder, which the program never uses. Keeps that one warning
// from stderr; every other message goes where it went before. Call before
// the application object is made; calling again does nothing.
void quietenRuntimeFolderWarning();

}  // namespace jollix
