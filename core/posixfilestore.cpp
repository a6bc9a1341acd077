#include "core/posixfilestore.h"

#include <utility>

PosixFileStore::PosixFileStore(std::function<std::string()> saveFolder)
    : m_saveFolder(std::move(saveFolder)) {}

bool PosixFileStore::OpenFolder(const std::string& folder, const std::string& name) {
    m_info.folderText = folder;
    m_info.saveName = name;
    m_info.written = 0;
    return OpenRecvFolder(m_info, m_saveFolder());
}

std::optional<std::int64_t> PosixFileStore::OpenFile() {
    if (OpenRecvFile(m_info) != 1) return std::nullopt;
    return m_info.storedSize;
}

int PosixFileStore::Append(std::span<const std::span<const char>> pieces) {
    m_pieces.resize(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // pwritev only reads them.
        m_pieces[i] = {const_cast<char*>(pieces[i].data()), pieces[i].size()};
    }
    return AppendToRecvFile(m_info, m_pieces);
}

void PosixFileStore::Close() {
    CloseRecvFile(m_info);
}

void PosixFileStore::CloseOrDiscard() {
    CloseOrDiscardRecvFile(m_info);
}

void PosixFileStore::WriteCompanionText(std::string_view list) {
    ::WriteCompanionText(list.data(), static_cast<int>(list.size()), m_info);
}
