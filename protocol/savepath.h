#pragma once
// Where a received file lies below the photo save folder, as the ledger and the faces name it.
#include <string>

// folderText: the file header's folder parts, separated by backslashes (a part never holds a
// slash or a backslash, or the store would not have opened it). Gives "part/part/name".
std::string PathBelowSaveFolder(const std::string& folderText, const std::string& name);
