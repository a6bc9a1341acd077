#pragma once
// znl-service in-process: the photo service's login server and file server on 127.0.0.1, for the
// demo, the tests and the benchmarks. Every connection is served on its own thread with the
// settings as they were when it was accepted; UpdateSettings changes what later connections get.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "peers/servicejournal.h"
#include "peers/servicesettings.h"

namespace znlservice {

class ZnlService {
public:
    explicit ZnlService(ServiceSettings settings = {});
    ~ZnlService();  // stops
    ZnlService(const ZnlService&) = delete;
    ZnlService& operator=(const ZnlService&) = delete;

    // Binds both servers and starts serving; once per object. False with a reason on failure.
    bool Start(std::string* error = nullptr);
    // Ends every connection and joins every thread; returns promptly whatever the clients do.
    void Stop();

    std::uint16_t LoginPort() const;
    std::uint16_t FilePort() const;

    ServiceSettings Settings() const;
    void UpdateSettings(const std::function<void(ServiceSettings&)>& change);

    std::vector<ReceivedRecord> ReceivedRecords() const;
    std::vector<LoginAttempt> LoginAttempts() const;
    std::vector<FolderListUpload> FolderListUploads() const;
    std::vector<FileTransfer> FileTransfers() const;
    // Every deviation of a client from the record layouts, and every fault of the service's own.
    std::vector<std::string> Problems() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace znlservice
