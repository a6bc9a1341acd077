#include "core/savefolders.h"

#include <QDir>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/settings.h"
#include "protocol/cp949.h"

int CompareFolderNames(const QString& left, const QString& right) {
    return QString::compare(left, right, Qt::CaseInsensitive);
}

qsizetype SortedFolderPosition(const QStringList& names, const QString& name) {
    const auto at = std::upper_bound(names.begin(), names.end(), name,
                                     [](const QString& left, const QString& right) {
                                         return CompareFolderNames(left, right) < 0;
                                     });
    return at - names.begin();
}

qsizetype FindFolderName(const QStringList& names, const QString& name) {
    for (qsizetype index = 0; index < names.size(); ++index) {
        if (CompareFolderNames(names[index], name) == 0) return index;
    }
    return -1;
}

namespace {

constexpr size_t kFolderTextLimit = ini::FOLDER_TEXT_SIZE - 1;

// The blanks the settings file drops around a value. Neither byte can be half of a CP949 character.
std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string StoredFolderText(std::string_view text) {
    std::string cp949 = platform::Utf8ToCp949(text);
    std::replace_if(
        cp949.begin(), cp949.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    // Trimmed again after the cut, so that storing the result once more changes nothing.
    return platform::Cp949ToUtf8(
        TrimBlanks(platform::CutCp949(TrimBlanks(cp949), kFolderTextLimit)));
}

std::string DefaultSaveFolder() {
    return QDir::home().filePath(QStringLiteral("ZNL")).toStdString();
}

bool IsUsableSaveFolder(std::string_view folder) {
    return folder.starts_with('/') && folder.find('\\') == std::string_view::npos;
}

SaveFolderSetting ReadSaveFolderSetting(const SettingsFile& settings,
                                        const std::string& defaultFolder) {
    std::string stored =
        settings.ReadText(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER, "", ini::FOLDER_TEXT_SIZE);
    if (stored.empty()) return {defaultFolder, std::nullopt};
    if (IsUsableSaveFolder(stored)) return {std::move(stored), std::nullopt};
    return {defaultFolder, std::move(stored)};
}

bool WriteSaveFolderSetting(const SettingsFile& settings, const std::string& folder) {
    return settings.WriteText(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER, folder);
}

void CreateFolderLevels(const std::string& folder) {
    std::filesystem::path level;
    for (const std::filesystem::path& part : std::filesystem::path(folder)) {
        level /= part;
        std::error_code ignored;
        std::filesystem::create_directory(level, ignored);
    }
}

QStringList ReadFolderList(const SettingsFile& settings) {
    const int count = std::min(settings.ReadInt(ini::SAVE_FOLDER_SECTION, ini::FOLDER_COUNT, 0),
                               MAX_FOLDER_COUNT);
    QStringList names;
    for (int key = 1; key <= count; ++key) {
        names << QString::fromStdString(settings.ReadText(
            ini::SAVE_FOLDER_SECTION, std::to_string(key), "", ini::FOLDER_TEXT_SIZE));
    }
    return names;
}

bool WriteFolderList(const SettingsFile& settings, const QStringList& names) {
    std::vector<platform::ProfileKeyValue> values{
        {ini::FOLDER_COUNT, std::to_string(names.size())}};
    for (qsizetype index = 0; index < names.size(); ++index) {
        values.push_back({std::to_string(index + 1), names[index].toStdString()});
    }
    return settings.WriteTexts(ini::SAVE_FOLDER_SECTION, values);
}
