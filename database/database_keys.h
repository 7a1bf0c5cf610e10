// Keys and file names of the database: folder and associate keys, the
// folder's name on disk, and the check that an index may name only files
// inside its own folder.
#ifndef MOLVAREN_DATABASE_DATABASE_KEYS_H_
#define MOLVAREN_DATABASE_DATABASE_KEYS_H_

#include <string>

#include "platform/env.h"

namespace mlvns {

constexpr char kIndexFileName[] = "Molvaren.ini";
constexpr char kPathFileExtension[] = ".otp";
// Held by a process while it writes the folder back.
constexpr char kLockFileName[] = "Molvaren.lock";
// Values read from the index: 520 UTF-16 units with the terminating zero.
constexpr size_t kIndexValueUnits = 520;
// Room for an associate key in a caller's buffer, terminating zero included.
constexpr size_t kAssociateKeyRoom = 260;

// The folder as the caller wrote it, with one separator appended when it
// ends in none.
std::string FolderWithSeparator(const std::string& folder);

// The folder key: FolderWithSeparator, lower-cased.
std::string FolderKey(const std::string& folder);

std::string AssociateKey(const std::string& file);

// True for a path-file base name that stays inside the folder: not empty,
// no separator, not "." or "..", no control or reserved characters, and
// short enough for a file name with its extension.
bool IsSafeDataBaseName(const std::string& name);

// Creates the folder, level by level when one step is not enough.
void MakeFolder(platform::Env& env, const std::string& folder);

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_DATABASE_KEYS_H_
