#include "core/deliveryburst.h"

namespace {

std::filesystem::path CommonFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::filesystem::path common;
    for (auto left = a.begin(), right = b.begin(); left != a.end() && right != b.end();
         ++left, ++right) {
        if (*left != *right) break;
        common /= *left;
    }
    return common;
}

}  // namespace

void DeliveryBurst::FileStarted() {
    m_receiving = true;
}

void DeliveryBurst::FileStored(const std::filesystem::path& path, Clock::time_point now) {
    const std::filesystem::path folder = path.parent_path();
    m_delivery.folder = m_delivery.photos == 0 ? folder : CommonFolder(m_delivery.folder, folder);
    ++m_delivery.photos;
    m_receiving = false;
    m_lastActivity = now;
}

void DeliveryBurst::FileAbandoned(Clock::time_point now) {
    if (!m_receiving) return;
    m_receiving = false;
    m_lastActivity = now;
}

std::optional<DeliveryBurst::Clock::time_point> DeliveryBurst::EndsAt() const {
    if (!Open() || m_receiving) return std::nullopt;
    return m_lastActivity + m_quiet;
}

std::optional<Delivery> DeliveryBurst::End(Clock::time_point now) {
    const std::optional<Clock::time_point> endsAt = EndsAt();
    if (!endsAt || now < *endsAt) return std::nullopt;
    const Delivery delivery = m_delivery;
    m_delivery = {};
    if (delivery.photos == 0) return std::nullopt;
    return delivery;
}
