#pragma once
// The file being received: what the reception logic counts of it, and the store that keeps its
// bytes. The store decides where a file may go; the logic only ever names it as the server did.
#include <cstdint>
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

// Why the store did not do what it was asked. Only a file that can never be stored as named is
// refused; anything the client can wait out ends the connection, so the server keeps the file and
// sends it again on a later connection.
struct StoreFault {
    enum class Kind {
        None,
        Refused,             // this name can never be stored: the header is answered "N"
        NotNow,              // a local problem that may pass: the connection ends
        SaveFolderUnusable,  // the photo save folder cannot be used now: as NotNow, and shown
    };
    Kind kind = Kind::None;
    std::string reason;  // what the activity line says

    bool Failed() const { return kind != Kind::None; }
};

// How much of a stored file may be resumed.
struct ResumeLimit {
    std::int64_t announcedSize = 0;     // the photo's size as its header announced it
    std::int64_t longestResumable = 0;  // a longer stored file cannot be the photo's start
};

struct OpenedFile {
    StoreFault fault;
    std::int64_t storedSize = 0;  // the length the file is resumed from
    std::string note;             // what the store did on its own that a line should say
};

class FileStore {
public:
    virtual ~FileStore() = default;

    // Opens (creating what is missing) the folder levels of `folder` below the save folder, for
    // the file `name`. Nothing is made outside the save folder.
    virtual StoreFault OpenFolder(const std::string& folder, const std::string& name) = 0;
    // Opens the file in the folder: its length, created empty when missing. A stored file that
    // cannot be the start of the photo (longer than the limit, or known as a completed photo of
    // another size) is kept under a free name and the photo starts afresh (the note says so).
    virtual OpenedFile OpenFile(const ResumeLimit& limit) = 0;
    // Appends the pieces at the end of the file in one go: 0, or the error number of a failed
    // write, after which the file is as it was before the call.
    virtual int Append(std::span<const std::span<const char>> pieces) = 0;
    // Whether the file's name in its folder still leads to the file being written.
    virtual StoreFault CheckFile() = 0;
    // Closes the file and its folder.
    virtual void Close() = 0;
    // Closes the file, which is whole as announced and claimed to the server: delivered.
    virtual void CloseCompleted() = 0;
    // Closes the file, removing it first when it is empty and untouched since it was opened.
    virtual void CloseOrDiscard() = 0;
    // The companion list of a file header (CP949, up to its first NUL): the last item of type 1
    // ("01:text") goes, as UTF-8, to the text file beside the photo. Returns a line when there is
    // something to say (the text went under another name, or could not be written); else empty.
    virtual std::string WriteCompanionText(std::string_view list) = 0;
};
