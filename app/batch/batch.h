#pragma once
// The headless batch command: open a picture, run palette and picture steps
// as a user would, write the result.
#include <iosfwd>
#include <string>
#include <vector>

#include "editor/editor.h"

namespace jollix::batch {

// Runs one step on the session; throws JollixError with a clear message
// for a step it does not understand or that fails. Steps that tell what
// they found (faces) write it to `report`.
void runStep(Editor& editor, const std::string& step, std::ostream* report = nullptr);
// Checks a step's words and numbers without running it (what depends on
// the session's state is checked when it runs); throws as runStep does.
void checkStep(const std::string& step);

// The whole command: args are options (--help, --version, --format=EXT)
// and INPUT OUTPUT STEP... INPUT "-" is read from `in`, OUTPUT "-" is
// written to `out`. Returns the exit code: 0 done, 1 failed, 2 wrong usage;
// errors are written as one line to `err`. OUTPUT is written only when
// every step succeeded.
int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
// The same with the process's standard input as `in`.
int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// How every step the command knows begins: its name, followed by '@' for a
// step at a point or along a drag and by '=' for a setting ("expand@",
// "zoom=", "undo"). A name may stand in two forms, as rubber@ and rubber= do.
std::vector<std::string> stepHeads();

// The text printed by --help.
std::string helpText();

}  // namespace jollix::batch
