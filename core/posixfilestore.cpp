#include "core/posixfilestore.h"

#include <utility>

PosixFileStore::PosixFileStore(SaveFolderGuard& saveFolder) : m_saveFolder(saveFolder) {}

StoreFault PosixFileStore::OpenFolder(const std::string& folder, const std::string& name) {
    CloseRecvFile(m_info);
    m_info.folderText = folder;
    m_info.saveName = name;
    m_info.written = 0;
    // A name that can never be stored is refused before the save folder is looked at.
    SaveFolderOpen save = m_saveFolder.Open();
    if (!save.folder.Valid()) {
        const StoreFault named = OpenRecvFolder(m_info, UniqueFd(), {});
        if (named.kind == StoreFault::Kind::Refused) return named;
        return {StoreFault::Kind::SaveFolderUnusable, std::move(save.problem)};
    }
    return OpenRecvFolder(m_info, std::move(save.folder), save.path);
}

OpenedFile PosixFileStore::OpenFile(std::int64_t longestResumable) {
    return OpenRecvFile(m_info, longestResumable);
}

int PosixFileStore::Append(std::span<const std::span<const char>> pieces) {
    m_pieces.resize(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // pwritev only reads them.
        m_pieces[i] = {const_cast<char*>(pieces[i].data()), pieces[i].size()};
    }
    return AppendToRecvFile(m_info, m_pieces);
}

StoreFault PosixFileStore::CheckFile() {
    return CheckRecvFile(m_info);
}

void PosixFileStore::Close() {
    CloseRecvFile(m_info);
}

void PosixFileStore::CloseOrDiscard() {
    CloseOrDiscardRecvFile(m_info);
}

std::string PosixFileStore::WriteCompanionText(std::string_view list) {
    return ::WriteCompanionText(list.data(), static_cast<int>(list.size()), m_info);
}
