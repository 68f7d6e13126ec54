#pragma once
// "Start with Windows" in the registry (app/run_entry.h): read each time the
// menu shows it, never kept in a setting of our own, so what the menu says
// is what Windows will do.
namespace zelvane {

// The current user's Run value starts this copy of the program.
bool startsWithWindows();

// At start-up: a value that names a copy no longer there (the folder was
// moved, and the program started from its new place) is made to name this
// one. A value naming another copy that exists is left alone.
void followMovedProgram();

// The menu item: removes the value when it starts this copy, and otherwise
// writes this copy's quoted path. False when the registry refused.
bool toggleStartWithWindows();

}  // namespace zelvane
