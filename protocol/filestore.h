#pragma once
// The file being received: what the reception logic counts of it, and the store that keeps its
// bytes. The store decides where a file may go; the logic only ever names it as the server did.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Sizes are 64-bit: files of 2 GiB and more are counted as they are.
struct ReceiveFile {
    std::string folderText;  // UTF-8, parts separated by backslashes as the file header gave them
    std::string saveName;    // UTF-8
    std::int64_t storedSize = 0;  // length of the file when it was opened
    std::int64_t fileSize = 0;    // full size announced by the file header
    std::int64_t written = 0;     // bytes appended during this transfer
    bool isOpen = false;
};

class FileStore {
public:
    virtual ~FileStore() = default;

    // Opens (creating what is missing) the folder levels of `folder` below the save folder, for
    // the file `name`. False, with nothing made, when a part or the name is refused or a level
    // cannot be opened as a real folder.
    virtual bool OpenFolder(const std::string& folder, const std::string& name) = 0;
    // Opens the file in the folder: its length, created empty when missing. Nothing when it is
    // not a file that may be written.
    virtual std::optional<std::int64_t> OpenFile() = 0;
    // Appends the pieces at the end of the file in one go: 0, or the error number of a failed
    // write, after which the file is as it was before the call.
    virtual int Append(std::span<const std::span<const char>> pieces) = 0;
    // Closes the file and its folder.
    virtual void Close() = 0;
    // Closes the file, removing it first when it is empty and untouched since it was opened.
    virtual void CloseOrDiscard() = 0;
    // The companion list of a file header (CP949, up to its first NUL): the last item of type 1
    // ("01:text") goes, as UTF-8, to the text file beside the photo. Failures are silent.
    virtual void WriteCompanionText(std::string_view list) = 0;
};
