#pragma once
// The texts of the reception rows that the form makes from what the reception reports.
#include <string>

#include <optional>

struct PhotoCount;

// A file announcement "파일명:<name>  사이즈:<size>" as the form shows it: the name alone in its
// row, the size beside it. Any other text (a state of the reception) is all name and no size.
struct AnnouncementParts {
    std::string name;
    std::string size;  // "사이즈: 1,234", or empty
};
AnnouncementParts SplitAnnouncement(const std::string& text);

// The time a file still needs, as a person says it: "남은 시간 12초", "남은 시간 3분 5초",
// "남은 시간 2시간 10분".
std::string FormatTimeLeft(double seconds);

// The count of a delivery's photos: "사진 3장째 수신 중" while one arrives, "사진 3장 수신 완료"
// after; empty before the first.
std::string BurstText(const std::optional<PhotoCount>& count);
