#include "gui/receptiontexts.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/sessionstatus.h"

namespace {
constexpr std::string_view kNamePrefix = "파일명:";
constexpr std::string_view kSizeMark = "  사이즈:";
}  // namespace

AnnouncementParts SplitAnnouncement(const std::string& text) {
    // The size is the text after the last mark: a name may hold the mark itself, a size never.
    const size_t mark = text.rfind(kSizeMark);
    if (!text.starts_with(kNamePrefix) || mark == std::string::npos || mark < kNamePrefix.size()) {
        return {text, {}};
    }
    return {text.substr(kNamePrefix.size(), mark - kNamePrefix.size()),
            "사이즈: " + text.substr(mark + kSizeMark.size())};
}

std::string FormatTimeLeft(double seconds) {
    const long long whole = std::llround(std::max(seconds, 0.0));
    std::string text = "남은 시간 ";
    if (whole < 60) return text + std::to_string(whole) + "초";
    if (whole < 3600) {
        return text + std::to_string(whole / 60) + "분 " + std::to_string(whole % 60) + "초";
    }
    return text + std::to_string(whole / 3600) + "시간 " + std::to_string(whole % 3600 / 60) + "분";
}

std::string BurstText(const std::optional<PhotoCount>& count) {
    if (!count) return {};
    if (count->arriving) return "사진 " + std::to_string(count->completed + 1) + "장째 수신 중";
    if (count->completed > 0) return "사진 " + std::to_string(count->completed) + "장 수신 완료";
    return {};
}
