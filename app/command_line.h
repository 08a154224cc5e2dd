#pragma once
// The command line: self-test, the command-line front, help, version, or the
// window (another program, started in this process's place).

namespace velmorin {

// Sets the process's values from the environment, then takes the road the
// command line asks for; returns the exit status.
int runCommandLine(int argc, char** argv);

}  // namespace velmorin
