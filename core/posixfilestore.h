#pragma once
// The file store of a reception thread on the local disk: every level opened below the photo save
// folder without following a symbolic link (core/fsdeclare.h). What it completes, resumes and
// writes beside a photo goes to the delivery ledger, and every completed photo to the picture
// checker, when there are such.
#include <sys/uio.h>

#include <vector>

#include "core/fsdeclare.h"
#include "core/savefolderguard.h"
#include "protocol/filestore.h"

class DeliveryLedger;
class PictureChecker;

class PosixFileStore final : public FileStore {
public:
    // The save folder is opened through the guard at each file, as the user may change it and it
    // may go away; the guard, the ledger (none: nothing is recorded) and the checker (none:
    // nothing is checked) must outlive the store.
    explicit PosixFileStore(SaveFolderGuard& saveFolder, DeliveryLedger* ledger = nullptr,
                            PictureChecker* checker = nullptr);

    StoreFault OpenFolder(const std::string& folder, const std::string& name) override;
    OpenedFile OpenFile(const ResumeLimit& limit) override;
    int Append(std::span<const std::span<const char>> pieces) override;
    StoreFault CheckFile() override;
    void Close() override;
    void CloseCompleted() override;
    void CloseOrDiscard() override;
    std::string WriteCompanionText(std::string_view list) override;

    // The open file and folder, as they are on disk.
    const RecvFileInfo& Info() const { return m_info; }

private:
    PhotoPlace PlaceOf(const std::string& name) const;

    SaveFolderGuard& m_saveFolder;
    DeliveryLedger* const m_ledger;
    PictureChecker* const m_checker;
    RecvFileInfo m_info;
    std::vector<iovec> m_pieces;  // kept for the next block: no allocation once grown
};
