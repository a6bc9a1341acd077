#include "memoryfilestore.h"

#include <algorithm>

bool MemoryFileStore::OpenFolder(const std::string& folder, const std::string& name) {
    Close();
    if (refuseFolders) return false;
    m_path = folder.empty() ? name : folder + "\\" + name;
    return true;
}

std::optional<std::int64_t> MemoryFileStore::OpenFile() {
    if (m_path.empty() || refuseFiles) return std::nullopt;
    m_fileOpen = true;
    m_touched = false;
    m_storedSize = static_cast<std::int64_t>(files[m_path].size());
    return m_storedSize;
}

int MemoryFileStore::Append(std::span<const std::span<const char>> pieces) {
    if (appendError != 0) return appendError;
    std::string& bytes = files.at(m_path);
    for (const std::span<const char> piece : pieces) bytes.append(piece.data(), piece.size());
    m_touched = m_touched || !pieces.empty();
    return 0;
}

void MemoryFileStore::Close() {
    m_path.clear();
    m_fileOpen = false;
}

void MemoryFileStore::CloseOrDiscard() {
    if (m_fileOpen && !m_touched && m_storedSize == 0) files.erase(m_path);
    Close();
}

void MemoryFileStore::WriteCompanionText(std::string_view list) {
    companions[m_path] = std::string(list.begin(), std::find(list.begin(), list.end(), '\0'));
}

const std::string* MemoryFileStore::OpenBytes() const {
    if (!m_fileOpen) return nullptr;
    const auto found = files.find(m_path);
    return found == files.end() ? nullptr : &found->second;
}
