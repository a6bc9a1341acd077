#pragma once
// A delivery ledger made by SQL, shaped as the client's writer of either version leaves it, for
// the suites that read one; and the rows of a ledger as a test reads them.
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct LedgerPhoto {
    std::string saveFolder;
    std::string path;
    long long size = 0;
    std::string completedAt;
    int resumes = 0;
    std::optional<std::string> pictureCheck;  // a first-version ledger has no such column
    std::string sha256 = std::string(64, 'a');
};

enum class LedgerVersion { First, Second };

// Makes the file (write-ahead log) with the photos in the order given, oldest first.
void MakeLedger(const std::filesystem::path& file, LedgerVersion version,
                const std::vector<LedgerPhoto>& photos);

// The rows a statement gives on the ledger file, read-only, each with its values joined by "|";
// none when it cannot be read (not there yet, or busy).
QStringList LedgerRows(const std::filesystem::path& file, const char* statement);

}  // namespace testsupport
