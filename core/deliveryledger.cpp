#include "core/deliveryledger.h"

#include <sys/stat.h>

#include <QDateTime>
#include <utility>

#include "core/filedigest.h"
#include "platform/clock.h"
#include "platform/threadname.h"

namespace {

// Changes handed over within this time are written in one transaction.
constexpr int kBatchMs = 250;
// A file that is locked or failing is tried again after this pause, and set aside and made anew
// when it has failed this long: a ledger must not hold rows in memory for ever.
constexpr int kRetryMs = 5000;
constexpr int kLongestFailureMs = 60000;

constexpr char kDamaged[] = "수신 기록 파일이 손상되어 새로 만듭니다";
constexpr char kFailingTooLong[] = "수신 기록 파일에 1분 넘게 쓸 수 없어 새로 만듭니다";

std::chrono::milliseconds Scaled(int milliseconds) {
    return std::chrono::milliseconds(platform::ScaledMilliseconds(milliseconds));
}

std::string NowText() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::pair<std::string, std::string> KeyOf(const PhotoPlace& place) {
    return {place.saveFolder, place.path};
}

}  // namespace

DeliveryLedger::DeliveryLedger(std::string filePath, LineSink sink)
    : m_filePath(std::move(filePath)),
      m_database(QString::fromStdString(m_filePath)),
      m_sink(std::move(sink)),
      m_writer([this] { Run(); }) {}

DeliveryLedger::~DeliveryLedger() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

std::optional<StoredPhoto> DeliveryLedger::CompletedAt(const PhotoPlace& place) const {
    std::unique_lock lock(m_mutex);
    m_indexRead.wait(lock, [this] { return m_indexIsRead; });
    const auto found = m_completed.find(KeyOf(place));
    if (found == m_completed.end()) return {};
    return found->second;
}

void DeliveryLedger::FileOpened(const PhotoPlace& place, bool resumed) {
    Hand({resumed ? LedgerChange::Kind::FileResumed : LedgerChange::Kind::FileStarted,
          place,
          {},
          {},
          {},
          NowText(),
          {}});
}

void DeliveryLedger::PhotoCompleted(const PhotoPlace& place, UniqueFd file) {
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return;
    const StoredPhoto photo{status.st_size, status.st_dev, status.st_ino};
    {
        std::unique_lock lock(m_mutex);
        m_indexRead.wait(lock, [this] { return m_indexIsRead; });
        StoredPhoto& known = m_completed[KeyOf(place)];
        if (known == photo) {
            lock.unlock();
            // Sent again whole: no new delivery; the resume it was counted as is forgotten.
            Hand({LedgerChange::Kind::FileStarted, place, {}, {}, {}, NowText(), {}});
            return;
        }
        known = photo;
    }
    Hand({LedgerChange::Kind::PhotoCompleted, place, {}, photo, {}, NowText(), {}},
         std::move(file));
}

void DeliveryLedger::CompanionWritten(const PhotoPlace& place) {
    Hand({LedgerChange::Kind::CompanionWritten, place, {}, {}, {}, NowText(), {}});
}

void DeliveryLedger::PhotoMoved(const PhotoPlace& place, const std::string& movedTo) {
    {
        const std::lock_guard lock(m_mutex);
        auto entry = m_completed.extract(KeyOf(place));
        if (!entry.empty()) {
            entry.key().second = movedTo;
            m_completed.insert_or_assign(entry.key(), entry.mapped());
        }
    }
    Hand({LedgerChange::Kind::PhotoMoved, place, movedTo, {}, {}, NowText(), {}});
}

void DeliveryLedger::PictureChecked(const PhotoPlace& place, const StoredPhoto& photo,
                                    std::string verdict) {
    // No time: the verdict goes into the photo's row, and the checker's thread stays out of the C
    // library's time-zone state.
    Hand({LedgerChange::Kind::PictureChecked, place, {}, photo, {}, {}, std::move(verdict)});
}

void DeliveryLedger::Hand(LedgerChange change, UniqueFd file) {
    {
        const std::lock_guard lock(m_mutex);
        m_handed.push_back({std::move(change), std::move(file)});
    }
    m_wake.notify_one();
}

bool DeliveryLedger::Flush() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = ++m_flushWanted;
    m_wake.notify_one();
    m_attemptDone.wait(lock, [&] { return m_attempts >= ticket; });
    return m_allWritten;
}

void DeliveryLedger::Mute() {
    const std::lock_guard lock(m_sinkMutex);
    m_sink = nullptr;
}

void DeliveryLedger::Say(const std::string& line) {
    const std::lock_guard lock(m_sinkMutex);
    if (m_sink) m_sink(line);
}

void DeliveryLedger::MarkIndexRead() {
    {
        const std::lock_guard lock(m_mutex);
        m_indexIsRead = true;
    }
    m_indexRead.notify_all();
}

void DeliveryLedger::Run() {
    platform::NameThisThread("ledger");
    const LedgerResult opened = OpenFile();
    if (opened.fault != LedgerFault::None) {
        m_failingSince = Clock::now();
        m_toldFailing = true;
        Say("수신 기록 파일을 열 수 없어 나중에 다시 엽니다: " + m_filePath + " [" +
            opened.error.toStdString() + "]");
    }
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto writeNow = [this] { return m_stopping || m_flushWanted > m_attempts; };
        m_wake.wait(lock, [&] { return writeNow() || !m_handed.empty() || !m_unwritten.empty(); });
        // A short pause gathers a batch; a file that failed is given a longer one.
        m_wake.wait_for(lock, Scaled(m_unwritten.empty() ? kBatchMs : kRetryMs), writeNow);
        const std::uint64_t flushes = m_flushWanted;
        const bool stopping = m_stopping;
        std::deque<Handed> batch = std::exchange(m_handed, {});
        lock.unlock();
        for (Handed& handed : batch) {
            if (handed.change.kind == LedgerChange::Kind::PhotoCompleted) {
                handed.change.sha256 = Sha256OfFile(handed.file.Get()).value_or("");
                handed.file.Reset();
            }
            m_unwritten.push_back(std::move(handed.change));
        }
        WriteUnwritten();
        if (stopping && !m_unwritten.empty()) {
            Say("수신 기록 " + std::to_string(m_unwritten.size()) +
                "건을 쓰지 못하고 끝냅니다: " + m_filePath);
            m_unwritten.clear();
        }
        lock.lock();
        m_allWritten = m_unwritten.empty() && m_handed.empty();
        m_attempts = flushes;
        m_attemptDone.notify_all();
        if (stopping && m_handed.empty()) break;
    }
    lock.unlock();
    m_database.Close();
}

LedgerResult DeliveryLedger::OpenFile() {
    LedgerResult result = m_database.Open();
    if (result.fault == LedgerFault::Damaged) result = Rebuild(kDamaged, result.error);
    m_fileOpen = result.fault == LedgerFault::None;
    if (m_fileOpen) {
        LedgerResult read;
        auto photos = m_database.CompletedPhotos(read);
        const std::lock_guard lock(m_mutex);
        // What this run completed meanwhile is newer than the file.
        for (auto& [place, photo] : photos) m_completed.try_emplace(KeyOf(place), photo);
    }
    MarkIndexRead();
    return result;
}

void DeliveryLedger::WriteUnwritten() {
    if (m_unwritten.empty()) return;
    LedgerResult result;
    if (!m_fileOpen) result = OpenFile();
    if (result.fault == LedgerFault::None) result = m_database.Write(m_unwritten);
    if (result.fault == LedgerFault::Damaged) {
        Rebuild(kDamaged, result.error);
        if (m_fileOpen) result = m_database.Write(m_unwritten);
    }
    if (result.fault == LedgerFault::None) {
        m_unwritten.clear();
        if (m_toldFailing) Say("수신 기록 파일에 다시 씁니다: " + m_filePath);
        m_failingSince.reset();
        m_toldFailing = false;
        return;
    }
    const Clock::time_point now = Clock::now();
    if (!m_failingSince) m_failingSince = now;
    if (!m_toldFailing) {
        m_toldFailing = true;
        Say("수신 기록 파일에 지금 쓸 수 없어 나중에 씁니다: " + m_filePath + " [" +
            result.error.toStdString() + "]");
    }
    if (now - *m_failingSince < Scaled(kLongestFailureMs)) return;
    Rebuild(kFailingTooLong, result.error);
    if (m_fileOpen && m_database.Write(m_unwritten).fault == LedgerFault::None) {
        m_unwritten.clear();
        m_failingSince.reset();
        m_toldFailing = false;
        return;
    }
    // Not even a new file can be written: these rows are given up, the next ones tried afresh.
    Say("수신 기록 " + std::to_string(m_unwritten.size()) + "건을 쓰지 못했습니다: " + m_filePath);
    m_unwritten.clear();
    m_failingSince.reset();
    m_toldFailing = false;
}

LedgerResult DeliveryLedger::Rebuild(const char* why, const QString& error) {
    const QString aside = m_database.SetAside();
    Say(std::string(why) + ": " + m_filePath +
        (aside.isEmpty() ? "" : " (이전 파일: " + aside.toStdString() + ")") + " [" +
        error.toStdString() + "]");
    const LedgerResult result = m_database.Open();
    m_fileOpen = result.fault == LedgerFault::None;
    return result;
}
