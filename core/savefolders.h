#pragma once
// The save-folder list without its window: how names are ordered and searched, and how the list and
// the photo save folder are kept in the settings file.
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

// Orders folder names without regard to letter case, by Unicode case folding and then code point,
// the same on every machine whatever its locale (Hangul syllables thereby fall in 가나다 order).
// A locale collator was not taken: its order changes with the user's locale, and its notion of
// "equal" (ignoring accents or punctuation at some strengths) would make names the user keeps
// apart count as the same one.
int CompareFolderNames(const QString& left, const QString& right);
// The index at which `name` keeps the ordered `names` in order; after the names equal to it.
qsizetype SortedFolderPosition(const QStringList& names, const QString& name);
// The first of `names` equal to `name` in the sense of CompareFolderNames; -1 when none is. Only
// the same name counts as already saved: "Stu" is a folder of its own beside "studio".
qsizetype FindFolderName(const QStringList& names, const QString& name);

// A folder text in a form that the settings file gives back unchanged: characters CP949 cannot
// hold become '?', line breaks become blanks, surrounding blanks go and the CP949 form is cut to
// 259 bytes. Taking this form up front keeps screen, file and upload in agreement.
std::string StoredFolderText(std::string_view text);

// "ZNL" in the user's home folder: where photos go until the user picks a folder.
std::string DefaultSaveFolder();
// Whether photos can be stored below `folder` as it is written: an absolute path of this system.
// A text the Windows program stored ("D:\Photos\Shop", "\\server\share"), any other backslash or
// a relative path would name a folder below whatever folder the program was started from.
bool IsUsableSaveFolder(std::string_view folder);
struct SaveFolderSetting {
    std::string folder;                   // where photos go
    std::optional<std::string> setAside;  // a stored value that is not usable, left in the file
};
// The stored photo save folder; the default when none (or an empty one) is stored, or when the
// stored one is not usable.
SaveFolderSetting ReadSaveFolderSetting(const SettingsFile& settings,
                                        const std::string& defaultFolder);
// False when the settings file could not be written.
bool WriteSaveFolderSetting(const SettingsFile& settings, const std::string& folder);
// Creates every missing level of the folder, ignoring each level that cannot be made.
void CreateFolderLevels(const std::string& folder);

// A stored count above this is damage, not a list anyone kept: loading stops here rather than
// reading the file millions of times. It is about twice what one upload record can carry.
inline constexpr int MAX_FOLDER_COUNT = 1000;
// The stored names, keys 1 to the stored count; a missing key reads as an empty name.
QStringList ReadFolderList(const SettingsFile& settings);
// The count, then keys 1 to n in list order, in one write: the file holds the whole list or its
// old one. Keys above n stay in the file; reading stops at n. False when it could not be written.
bool WriteFolderList(const SettingsFile& settings, const QStringList& names);
