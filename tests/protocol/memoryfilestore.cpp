#include "memoryfilestore.h"

#include <algorithm>

StoreFault MemoryFileStore::OpenFolder(const std::string& folder, const std::string& name) {
    Close();
    if (folderFault) return *folderFault;
    m_path = folder.empty() ? name : folder + "\\" + name;
    return {};
}

OpenedFile MemoryFileStore::OpenFile(const ResumeLimit& limit) {
    if (m_path.empty()) return {{StoreFault::Kind::NotNow, "no folder"}, 0, {}};
    if (fileFault) return {*fileFault, 0, {}};
    std::string note;
    if (static_cast<std::int64_t>(files[m_path].size()) > limit.longestResumable) {
        // Kept under the first free name, as the disk store does.
        int k = 1;
        while (files.contains(m_path + " (" + std::to_string(k) + ")")) ++k;
        const std::string kept = m_path + " (" + std::to_string(k) + ")";
        files[kept] = std::move(files[m_path]);
        files[m_path].clear();
        note = "kept as " + kept;
    }
    m_fileOpen = true;
    m_touched = false;
    m_storedSize = static_cast<std::int64_t>(files[m_path].size());
    return {{}, m_storedSize, note};
}

int MemoryFileStore::Append(std::span<const std::span<const char>> pieces) {
    if (appendError != 0) return appendError;
    std::string& bytes = files.at(m_path);
    for (const std::span<const char> piece : pieces) bytes.append(piece.data(), piece.size());
    m_touched = m_touched || !pieces.empty();
    return 0;
}

StoreFault MemoryFileStore::CheckFile() {
    if (fileGone || !m_fileOpen) return {StoreFault::Kind::NotNow, "gone"};
    return {};
}

void MemoryFileStore::Close() {
    m_path.clear();
    m_fileOpen = false;
}

void MemoryFileStore::CloseCompleted() {
    delivered.push_back(m_path);
    Close();
}

void MemoryFileStore::CloseOrDiscard() {
    if (m_fileOpen && !m_touched && m_storedSize == 0) files.erase(m_path);
    Close();
}

std::string MemoryFileStore::WriteCompanionText(std::string_view list) {
    companions[m_path] = std::string(list.begin(), std::find(list.begin(), list.end(), '\0'));
    return {};
}

const std::string* MemoryFileStore::OpenBytes() const {
    if (!m_fileOpen) return nullptr;
    const auto found = files.find(m_path);
    return found == files.end() ? nullptr : &found->second;
}
