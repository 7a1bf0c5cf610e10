// check --repair: orphaned path files back into the index, through the
// companion library.
#ifndef MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_
#define MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_

#include <string>

namespace mlvr {

// One line per orphan of the folder: whether the repair would adopt it, and
// under which media file, or why not. Empty when there is none to report.
std::string OrphanReport(const std::string& folder);

// Adopts every orphan of the folder and says how many; Failure, with nothing
// changed, when the folder cannot be repaired.
void RepairFolder(const std::string& folder);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_
