// CommandGroups.h — the commands of vornex-tool, a group to a source file, as Commands.cpp lists
// them in --help.
#pragma once

#include "CommandLine.h"

#include <vector>

namespace tool {

// convert, mirror, invert, swap, bitrev, split, interleave, scramble, sum.
std::vector<CommandRule> TransformCommands();
// compare, checksum.
std::vector<CommandRule> VerifyCommands();
// pad, crop, repeat, chunk, chips.
std::vector<CommandRule> LayoutCommands();
// merge.
std::vector<CommandRule> MergeCommands();

// sum's report, or with --algorithm one checksum's value, over the image or its --range.
void RunSum(const Invocation& call);
// detect.
std::vector<CommandRule> DetectCommands();

} // namespace tool
