#pragma once
// Running as administrator. A program that is not elevated may not place the
// windows of one that is: such windows stay on every workspace, and the
// remedy is to run Zelvane elevated too. The restart hands over: the new
// instance (started by the system after the user agrees) waits for this one
// to give every window back and end.
#include <windows.h>

#include <string>
#include <vector>

namespace zelvane {

// Whether this process runs elevated (as administrator).
bool runningElevated();

// The command-line arguments after the program's own name, without a
// take-over request (app/handover.h).
std::vector<std::string> programArguments();

// Starts this program again, elevated, to take over from this process with
// the same arguments. The system asks the user first; false when the
// program was not started (the user said no, or it could not be).
bool startElevatedSuccessor(HWND owner);

// An instance started to take over waits here, before anything else, for
// the one it takes over from to end (at most limitMs).
void awaitPredecessor(DWORD limitMs);

}  // namespace zelvane
