#pragma once
// The files the file server pushes to a customer: the settings' folder tree, then the verbatim
// files.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "peers/servicesettings.h"

namespace znlservice {

struct ServedFile {
    std::string wireFolder;  // backslash-separated, as the header carries it
    std::string wireName;
    std::string wireCompanion;
    std::filesystem::path source;  // the bytes are read from here when it is set,
    std::string bytes;             // else they are these
};

// Problems (names CP949 cannot hold) are appended to `problems`; such files are left out.
std::vector<ServedFile> CatalogFiles(const ServiceSettings& settings,
                                     std::vector<std::string>& problems);

// Reads a served file's bytes at any offset; a file on disk is opened once.
class FileSource {
public:
    explicit FileSource(const ServedFile& file);
    ~FileSource();
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return m_fd >= 0 || m_bytes != nullptr; }
    std::int64_t Size() const { return m_size; }
    bool Read(std::int64_t offset, std::size_t count, char* into) const;

private:
    int m_fd = -1;
    const std::string* m_bytes = nullptr;
    std::int64_t m_size = 0;
};

}  // namespace znlservice
