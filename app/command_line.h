#pragma once
// The command line: self-test, the command-line front, help, version or the window.

namespace velmorin {

// Starts the window and runs its event loop; returns the exit status.
using WindowRunner = int (*)(int argc, char** argv);

// Sets the process's values from the environment, then takes the road the
// command line asks for. `window` is null in a build without a window.
int runCommandLine(int argc, char** argv, WindowRunner window);

}  // namespace velmorin
