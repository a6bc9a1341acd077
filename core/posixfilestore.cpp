#include "core/posixfilestore.h"

#include <utility>

#include <filesystem>

#include "core/deliveryledger.h"
#include "core/picturechecker.h"
#include "protocol/savepath.h"

PosixFileStore::PosixFileStore(SaveFolderGuard& saveFolder, DeliveryLedger* ledger,
                               PictureChecker* checker)
    : m_saveFolder(saveFolder), m_ledger(ledger), m_checker(checker) {}

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

OpenedFile PosixFileStore::OpenFile(const ResumeLimit& limit) {
    const PhotoPlace place = PlaceOf(m_info.saveName);
    std::string keptAs;
    OpenedFile opened =
        OpenRecvFile(m_info, limit, m_ledger ? m_ledger->CompletedAt(place) : std::nullopt, keptAs);
    if (!m_ledger) return opened;
    if (!keptAs.empty()) m_ledger->PhotoMoved(place, PlaceOf(keptAs).path);
    if (!opened.fault.Failed()) m_ledger->FileOpened(place, opened.storedSize > 0);
    return opened;
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

void PosixFileStore::CloseCompleted() {
    if (m_ledger && m_info.file.Valid()) {
        // The ledger reads the photo for its SHA-256 later, through a descriptor of its own that
        // does not hold the lock of the file under reception.
        UniqueFd photo = OpenRecvFileForReading(m_info);
        if (photo.Valid()) m_ledger->PhotoCompleted(PlaceOf(m_info.saveName), std::move(photo));
    }
    if (m_checker && m_info.file.Valid()) {
        PhotoPlace place = PlaceOf(m_info.saveName);
        std::string path = (std::filesystem::path(place.saveFolder) / place.path).string();
        m_checker->Check(std::move(place), std::move(path));
    }
    CloseRecvFile(m_info);
}

void PosixFileStore::CloseOrDiscard() {
    CloseOrDiscardRecvFile(m_info);
}

std::string PosixFileStore::WriteCompanionText(std::string_view list) {
    CompanionWrite written =
        ::WriteCompanionText(list.data(), static_cast<int>(list.size()), m_info);
    if (m_ledger && !written.writtenAs.empty()) {
        m_ledger->CompanionWritten(PlaceOf(written.writtenAs));
    }
    return std::move(written.line);
}

PhotoPlace PosixFileStore::PlaceOf(const std::string& name) const {
    return {m_info.saveFolder, PathBelowSaveFolder(m_info.folderText, name)};
}
