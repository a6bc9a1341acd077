#include "peers/filecatalog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "peers/cp949text.h"

namespace znlservice {
namespace fs = std::filesystem;
namespace {

constexpr const char* kCompanionSuffix = ".companion";

std::string ReadCompanion(const fs::path& file) {
    std::ifstream in(file.string() + kCompanionSuffix, std::ios::binary);
    if (!in) return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return WireText(text);
}

bool IsCompanion(const fs::path& file) {
    const std::string name = file.filename().string();
    const std::size_t suffix = std::strlen(kCompanionSuffix);
    return name.size() > suffix &&
           name.compare(name.size() - suffix, suffix, kCompanionSuffix) == 0;
}

std::string BackslashFolder(const fs::path& relativeFolder) {
    std::string joined;
    for (const fs::path& part : relativeFolder) {
        if (!joined.empty()) joined += '\\';
        joined += part.string();
    }
    return joined;
}

std::vector<fs::path> TreeFiles(const fs::path& root) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file(error) && !IsCompanion(it->path()))
            files.push_back(it->path().lexically_relative(root));
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::vector<ServedFile> CatalogFiles(const ServiceSettings& settings,
                                     std::vector<std::string>& problems) {
    std::vector<ServedFile> served;
    if (!settings.folder.empty()) {
        for (const fs::path& relative : TreeFiles(settings.folder)) {
            const std::optional<std::string> folder =
                ToCp949(BackslashFolder(relative.parent_path()));
            const std::optional<std::string> name = ToCp949(relative.filename().string());
            if (!folder || !name) {
                problems.push_back("not served, no CP949 name: " + relative.string());
                continue;
            }
            const fs::path source = settings.folder / relative;
            served.push_back({*folder, *name, ReadCompanion(source), source, {}});
        }
    }
    for (const VerbatimFile& file : settings.verbatimFiles)
        served.push_back({file.wireFolder, file.wireName, file.wireCompanion, {}, file.bytes});
    return served;
}

FileSource::FileSource(const ServedFile& file) {
    if (file.source.empty()) {
        m_bytes = &file.bytes;
        m_size = static_cast<std::int64_t>(file.bytes.size());
        return;
    }
    m_fd = open(file.source.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (m_fd >= 0 && fstat(m_fd, &status) == 0) m_size = status.st_size;
}

FileSource::~FileSource() {
    if (m_fd >= 0) close(m_fd);
}

bool FileSource::Read(std::int64_t offset, std::size_t count, char* into) const {
    if (m_bytes) {
        if (offset < 0 || offset + static_cast<std::int64_t>(count) > m_size) return false;
        std::memcpy(into, m_bytes->data() + offset, count);
        return true;
    }
    while (count > 0) {
        const ssize_t got = pread(m_fd, into, count, offset);
        if (got <= 0) return false;
        into += got;
        offset += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace znlservice
