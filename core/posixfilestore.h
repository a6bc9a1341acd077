#pragma once
// The file store of a reception thread on the local disk: every level opened below the photo save
// folder without following a symbolic link (core/fsdeclare.h).
#include <sys/uio.h>

#include <functional>
#include <vector>

#include "core/fsdeclare.h"
#include "protocol/filestore.h"

class PosixFileStore final : public FileStore {
public:
    // saveFolder gives the photo save folder; it is asked at each file, as the user may change it.
    explicit PosixFileStore(std::function<std::string()> saveFolder);

    bool OpenFolder(const std::string& folder, const std::string& name) override;
    std::optional<std::int64_t> OpenFile() override;
    int Append(std::span<const std::span<const char>> pieces) override;
    void Close() override;
    void CloseOrDiscard() override;
    void WriteCompanionText(std::string_view list) override;

    // The open file and folder, as they are on disk.
    const RecvFileInfo& Info() const { return m_info; }

private:
    std::function<std::string()> m_saveFolder;
    RecvFileInfo m_info;
    std::vector<iovec> m_pieces;  // kept for the next block: no allocation once grown
};
