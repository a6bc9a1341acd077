#include "protocol/savepath.h"

#include <algorithm>

std::string PathBelowSaveFolder(const std::string& folderText, const std::string& name) {
    std::string path = folderText;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path.empty() ? name : path + "/" + name;
}
