// CommandGroups.h — the commands of vornex-tool, a group to a source file, as Commands.cpp lists
// them in --help.
#pragma once

#include "CommandLine.h"

#include <vector>

namespace tool {

// convert, mirror, invert, swap, bitrev, split, interleave, scramble, sum.
std::vector<CommandRule> TransformCommands();
// detect.
std::vector<CommandRule> DetectCommands();

} // namespace tool
