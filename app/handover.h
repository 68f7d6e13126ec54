#pragma once
// The command line of a Zelvane that takes over from a running one (the
// restart as administrator): "--take-over <process id>" before the usual
// arguments. The new instance waits for the old one to give its windows
// back and end, and is not refused as a second instance meanwhile.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelvane {

struct Handover {
    std::optional<std::uint32_t> predecessor;  // the process to wait for
    std::vector<std::string> args;             // the rest of the command line
};

// args are the command-line arguments after the program's own name.
Handover splitHandover(const std::vector<std::string>& args);

// The arguments for a successor of process `self` started with `args`.
std::vector<std::string> successorArguments(std::uint32_t self, const std::vector<std::string>& args);

// One command line of the arguments, each quoted so that the system's own
// split (CommandLineToArgvW) gives it back unchanged.
std::string quoteArguments(const std::vector<std::string>& args);

}  // namespace zelvane
