#pragma once
// A file store in memory, for the reception logic's tests and fuzzing: files by "folder\name",
// with switches that make the next opens, appends or checks fail.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/filestore.h"

class MemoryFileStore final : public FileStore {
public:
    StoreFault OpenFolder(const std::string& folder, const std::string& name) override;
    OpenedFile OpenFile(const ResumeLimit& limit) override;
    int Append(std::span<const std::span<const char>> pieces) override;
    StoreFault CheckFile() override;
    void Close() override;
    void CloseCompleted() override;
    void CloseOrDiscard() override;
    std::string WriteCompanionText(std::string_view list) override;

    // The open file's bytes; nothing when none is open.
    const std::string* OpenBytes() const;

    std::map<std::string, std::string> files;       // by "folder\name" ("name" with no folder)
    std::vector<std::string> delivered;             // the files closed as completed, in order
    std::map<std::string, std::string> companions;  // the list each file was given, up to its NUL
    std::optional<StoreFault> folderFault;          // what every folder open fails with
    std::optional<StoreFault> fileFault;            // what every file open fails with
    int appendError = 0;    // the error every append fails with; 0: they succeed
    bool fileGone = false;  // the open file's name no longer leads to it

private:
    std::string m_path;  // of the open folder's file; empty when no folder is open
    bool m_fileOpen = false;
    bool m_touched = false;  // something was appended since the file was opened
    std::int64_t m_storedSize = 0;
};
