// Commands.h — the command line of vornex-tool: its parsing, the commands and the help text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tool {

// Runs one command line (the arguments after the program name). Reports go to out, errors to err
// as "vornex-tool: <message>"; data for "-" goes to the process's standard input and output.
// Returns the exit status: 0 success, 1 a wrong command line, 2 a file that cannot be read or
// written, 3 bad input data.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text of --help: every command and every option.
std::string HelpText();

} // namespace tool
