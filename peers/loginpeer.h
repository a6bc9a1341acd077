#pragma once
// The login server's side of one connection: one request, one answer.
#include <cstdint>

#include "peers/peerline.h"
#include "peers/servicejournal.h"
#include "peers/servicesettings.h"

namespace znlservice {

void ServeLoginConnection(PeerLine& line, const ServiceSettings& settings, std::uint16_t filePort,
                          ServiceJournal& journal, int connection);

}  // namespace znlservice
