#include "servicefixture.h"

namespace peertest {

void ServiceTest::StartService(znlservice::ServiceSettings settings) {
    StopAndCheck();
    settings.accounts.push_back({"guest", "pw1234", kCustomerNo, "별명"});
    m_service = std::make_unique<znlservice::ZnlService>(std::move(settings));
    std::string error;
    ASSERT_TRUE(m_service->Start(&error)) << error;
}

void ServiceTest::StopAndCheck() {
    if (!m_service) return;
    m_service->Stop();
    const std::vector<std::string> problems = m_service->Problems();
    for (std::size_t i = m_acceptedProblems; i < problems.size(); ++i) ADD_FAILURE() << problems[i];
    m_service.reset();
    m_acceptedProblems = 0;
}

}  // namespace peertest
