// The subcommands of mlvr, registered on the command line by family.
#ifndef MOLVAREN_TOOLS_MLVR_COMMANDS_H_
#define MOLVAREN_TOOLS_MLVR_COMMANDS_H_

#include <CLI/CLI.hpp>

namespace mlvr {

// info, dump, export, import, simplify, plot.
void AddFileCommands(CLI::App& app);

// box, and under `db`: show, import, relink, delete.
void AddDatabaseCommands(CLI::App& app, CLI::App& db);

// demo: the whole library at work on a synthetic tracking run.
void AddDemoCommand(CLI::App& app);

// check, and under `db`: list. `status` receives the exit status of
// commands whose result is a verdict.
void AddFolderCommands(CLI::App& app, CLI::App& db, int* status);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_COMMANDS_H_
