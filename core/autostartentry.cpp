#include "core/autostartentry.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <string_view>

#include "core/programfolders.h"
#include "protocol/programinfo.h"

namespace fs = std::filesystem;

namespace {

constexpr char kEntryName[] = "znlclient.desktop";
constexpr char kNoConfigFolder[] = "XDG_CONFIG_HOME도 HOME도 절대 경로가 아닙니다";

std::optional<fs::path> EntryPath() {
    const std::optional<fs::path> config = UserBaseFolders::Config();
    if (!config) return std::nullopt;
    return *config / "autostart" / kEntryName;
}

std::string Reason(const fs::path& path, const std::string& what) {
    return path.string() + ": " + what;
}

// A link or anything else by that name counts as there: removing it is what disabling asks.
AutostartState PresenceAt(const fs::path& entry) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(entry, error);
    // A missing entry or folder sets the error too, but tells its type.
    if (status.type() == fs::file_type::none) return {false, Reason(entry, error.message())};
    return {fs::exists(status), std::nullopt};
}

AutostartState Failed(const fs::path& entry, std::string reason) {
    AutostartState state = PresenceAt(entry);
    state.failure = std::move(reason);
    return state;
}

// A string value of a desktop entry: the backslash and the characters a line cannot hold are
// escaped.
std::string StringValue(std::string_view text) {
    std::string value;
    for (const char c : text) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                value += c;
        }
    }
    return value;
}

// The executable as the one argument of the Exec key: in double quotes when it holds a reserved
// character, with '"', '`', '$' and '\' escaped inside them, and '%' doubled so that it opens no
// field code. The quoted argument is then written as a string value, which doubles every
// backslash once more.
std::string ExecValue(const std::string& executable) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    constexpr std::string_view kEscapedInQuotes = "\"`$\\";
    const bool quoted = executable.find_first_of(kReserved) != std::string::npos;
    std::string argument;
    for (const char c : executable) {
        if (c == '%') {
            argument += '%';
        } else if (quoted && kEscapedInQuotes.find(c) != std::string_view::npos) {
            argument += '\\';
        }
        argument += c;
    }
    return StringValue(quoted ? '"' + argument + '"' : argument);
}

std::string EntryText(const fs::path& executable) {
    std::string text = "[Desktop Entry]\nType=Application\nName=ZNLClient\n";
    text += "Name[ko]=" + std::string(APP_TITLE) + "\n";
    text += "Exec=" + ExecValue(executable.string()) + "\n";
    text += "Icon=znlclient\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

}  // namespace

AutostartState QueryAutostart() {
    const std::optional<fs::path> entry = EntryPath();
    if (!entry) return {false, kNoConfigFolder};
    return PresenceAt(*entry);
}

AutostartState EnableAutostart(const fs::path& executable) {
    const std::optional<fs::path> entry = EntryPath();
    if (!entry) return {false, kNoConfigFolder};
    if (!executable.is_absolute()) {
        return Failed(*entry,
                      "실행 파일 경로가 절대 경로가 아닙니다: '" + executable.string() + "'");
    }
    std::error_code error;
    fs::create_directories(entry->parent_path(), error);
    if (error) return Failed(*entry, Reason(entry->parent_path(), error.message()));

    // A temporary file beside the entry, renamed over it when complete.
    QSaveFile file(QString::fromStdString(entry->string()));
    const QByteArray text = QByteArray::fromStdString(EntryText(executable));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        return Failed(*entry, Reason(*entry, file.errorString().toStdString()));
    }
    return {true, std::nullopt};
}

AutostartState DisableAutostart() {
    const std::optional<fs::path> entry = EntryPath();
    if (!entry) return {false, kNoConfigFolder};
    const AutostartState before = PresenceAt(*entry);
    if (before.failure || !before.present) return before;
    std::error_code error;
    fs::remove(*entry, error);
    if (error) return Failed(*entry, Reason(*entry, error.message()));
    return {false, std::nullopt};
}
