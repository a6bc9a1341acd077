#include "core/savefolderguard.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string Unusable(const std::string& folder, const std::string& why) {
    return "사진 저장 폴더를 쓸 수 없음: " + folder + " (" + why + ")";
}

std::string ParentOf(const std::string& folder) {
    std::filesystem::path path(folder);
    if (!path.has_filename()) path = path.parent_path();  // "/mnt/disk/" is "/mnt/disk"
    return path.parent_path().string();
}

}  // namespace

SaveFolderGuard::SaveFolderGuard(StatFunction stat) : m_stat(std::move(stat)) {}

std::string SaveFolderGuard::Get() const {
    std::lock_guard lock(m_mutex);
    return m_folder;
}

void SaveFolderGuard::Set(std::string folder) {
    std::lock_guard lock(m_mutex);
    if (folder != m_folder) m_seen.reset();
    m_folder = std::move(folder);
}

SaveFolderOpen SaveFolderGuard::Open() {
    // One look at a time; the folder's path stays readable meanwhile, as a look at a drive that
    // hangs must not hold up the session's thread.
    std::lock_guard looking(m_openMutex);
    std::string folder;
    std::optional<SaveFolderDevices> seen;
    {
        std::lock_guard lock(m_mutex);
        folder = m_folder;
        seen = m_seen;
    }
    SaveFolderOpen opened = Look(folder, seen);
    std::lock_guard lock(m_mutex);
    if (m_folder == folder) m_seen = seen;
    return opened;
}

SaveFolderOpen SaveFolderGuard::Look(const std::string& folder,
                                     std::optional<SaveFolderDevices>& seen) const {
    if (folder.empty()) return {UniqueFd(), folder, "사진 저장 폴더가 정해지지 않음"};
    std::optional<struct stat> parent;
    struct stat status {};
    const std::string parentPath = ParentOf(folder);
    if (!parentPath.empty() && m_stat(parentPath.c_str(), &status) == 0 &&
        S_ISDIR(status.st_mode)) {
        parent = status;
    }
    if (m_stat(folder.c_str(), &status) == 0) return OpenExisting(folder, status, parent, seen);
    const int error = errno;
    if (error != ENOENT) return {UniqueFd(), folder, Unusable(folder, std::strerror(error))};
    return Remake(folder, parent, seen);
}

SaveFolderOpen SaveFolderGuard::OpenExisting(const std::string& folder, const struct stat& status,
                                             const std::optional<struct stat>& parent,
                                             std::optional<SaveFolderDevices>& seen) {
    if (!S_ISDIR(status.st_mode)) return {UniqueFd(), folder, Unusable(folder, "폴더가 아님")};
    // A drive's root that is no longer a drive's root is its bare mount point.
    const bool wasMountRoot = seen && seen->folder != seen->parent;
    if (wasMountRoot && parent && parent->st_dev == status.st_dev) {
        return {UniqueFd(), folder, Unusable(folder, "드라이브가 분리되어 빈 연결 지점만 남음")};
    }
    UniqueFd opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.Valid()) return {UniqueFd(), folder, Unusable(folder, std::strerror(errno))};
    seen = SaveFolderDevices{status.st_dev, parent ? parent->st_dev : status.st_dev};
    return {std::move(opened), folder, {}};
}

SaveFolderOpen SaveFolderGuard::Remake(const std::string& folder,
                                       const std::optional<struct stat>& parent,
                                       std::optional<SaveFolderDevices>& seen) const {
    if (!seen) return {UniqueFd(), folder, Unusable(folder, "폴더가 없음")};
    if (!parent || parent->st_dev != seen->folder) {
        return {UniqueFd(), folder, Unusable(folder, "드라이브가 분리되었거나 상위 폴더가 없음")};
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        return {UniqueFd(), folder,
                Unusable(folder, std::string("다시 만들 수 없음: ") + std::strerror(errno))};
    }
    struct stat status {};
    if (m_stat(folder.c_str(), &status) != 0) {
        return {UniqueFd(), folder, Unusable(folder, std::strerror(errno))};
    }
    return OpenExisting(folder, status, parent, seen);
}
