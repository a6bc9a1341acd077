#pragma once
// An in-process znl-service with one known customer, and deterministic file contents.
#include <gtest/gtest.h>

#include <string>

#include "peers/znlservice.h"
#include "support/testfolder.h"

namespace peertest {

inline constexpr int kCustomerNo = 1234;

using testsupport::PatternBytes;

class ServiceTest : public ::testing::Test {
protected:
    // Starts the service with the account guest / pw1234 / 1234 / nickname 별명 and `settings`,
    // after stopping and checking the one started before, if any.
    void StartService(znlservice::ServiceSettings settings = {});
    void TearDown() override { StopAndCheck(); }

    znlservice::ZnlService* service() { return m_service.get(); }
    // The problems noted so far were expected by the test; TearDown fails on any other.
    void AcceptProblems() { m_acceptedProblems = m_service->Problems().size(); }

private:
    // Fails the test on every problem the service noted that the test did not accept.
    void StopAndCheck();

    std::unique_ptr<znlservice::ZnlService> m_service;
    std::size_t m_acceptedProblems = 0;
};

}  // namespace peertest
