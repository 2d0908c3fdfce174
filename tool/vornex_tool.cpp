// vornex_tool.cpp — entry point of vornex-tool, the command-line companion of the window.
#include "Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    return tool::RunTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
