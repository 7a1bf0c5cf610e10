// mlvr: looks inside path files and database folders, moves path lists in
// and out of JSON and draws them, using only the library's exported
// interface as any host does.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "molvaren/molvaren_x.h"
#include "tools/mlvr/commands.h"
#include "tools/mlvr/tool_support.h"

int main(int argc, char** argv) {
  CLI::App app{"mlvr: inspect, convert and draw Molvaren tracking paths", "mlvr"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Every subcommand's help");
  app.set_version_flag("--version", std::string("mlvr ") + MlvrX_Version());
  mlvr::AddFileCommands(app);
  CLI::App* db = app.add_subcommand("db", "Work with a database folder");
  db->require_subcommand(1);
  int status = 0;
  mlvr::AddFolderCommands(app, *db, &status);
  mlvr::AddDatabaseCommands(app, *db);
  mlvr::AddDemoCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and friends come here too, with exit code 0.
    if (e.get_exit_code() == 0) return app.exit(e);
    std::fprintf(stderr, "mlvr: %s (see mlvr --help)\n", e.what());
    return 2;
  } catch (const mlvr::Failure& e) {
    std::fprintf(stderr, "mlvr: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mlvr: %s\n", e.what());
    return 1;
  }
  return status;
}
