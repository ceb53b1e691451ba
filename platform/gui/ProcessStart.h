// Starting a program without a shell, standing in for process creation on
// the original platform. The started process is not held: a detached waiter
// reaps it when it ends, so no zombie stays behind. Nothing here shows
// anything; a start that fails is reported as false.
#pragma once

#include <string>
#include <vector>

namespace valbrix::platform {

// Splits a command line at blanks; double quotes group blanks into one
// argument and are removed. No other escapes.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Full path of a program found on the PATH, or empty.
std::string FindOnPath(const std::string& program);

// Starts argv[0] (a path, or a name looked up on the PATH when searchPath is
// true) with argv as its arguments. A program ending in ".exe" (any case)
// runs through wine when wine is on the PATH and fails otherwise. When
// waitForStart is true, waits briefly (at most waitMs) so that the program is
// under way before the caller goes on; it returns earlier if the program ends.
// The program starts in workingFolder, or in ours when that is empty; a
// folder it cannot enter fails the start.
bool StartProcess(const std::vector<std::string>& argv, bool searchPath, bool waitForStart, int waitMs = 500,
                  const std::string& workingFolder = std::string());

}  // namespace valbrix::platform
