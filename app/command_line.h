#pragma once
// The command line: self-test, the command-line front, help, version, or the
// window (another program, started in this process's place).

namespace velmorin {

// Takes the road the command line asks for (setting the process's values from
// the environment first, where it needs them); returns the exit status.
int runCommandLine(int argc, char** argv);

}  // namespace velmorin
