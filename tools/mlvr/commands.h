// The subcommands of mlvr, registered on the command line by family.
#ifndef MOLVAREN_TOOLS_MLVR_COMMANDS_H_
#define MOLVAREN_TOOLS_MLVR_COMMANDS_H_

#include <CLI/CLI.hpp>

namespace mlvr {

// info, dump, export, import, plot.
void AddFileCommands(CLI::App& app);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_COMMANDS_H_
