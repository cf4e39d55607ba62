#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "config/config_store.h"

namespace varnelo::network {

// Certificate checks of https connections. Certificates and host names are verified against the
// system store unless the `[general]` key `tlsverify` of the home's robotconfig.ini is "0".

inline constexpr std::string_view kTlsVerifyKey = "tlsverify";
// A PEM file of extra trusted CA certificates, added to the system store (tests point it at the
// certificate authority of their loopback server). Read at every client creation.
inline constexpr std::string_view kExtraCaFileVariable = "VARNELO_EXTRA_CA_FILE";

// Start-up names the home's robotconfig.ini once; every client then reads `tlsverify` from it when it
// is created, so a change applies to the next request. An empty path (the initial state) means no
// configuration: certificates are verified.
void SetTlsConfigFile(const std::filesystem::path& robotConfig);

// False only when `[general]` `tlsverify` of the named file is "0".
bool ReadTlsVerify();
bool ReadTlsVerify(const config::TConfigStore& robotConfig);

// The value of VARNELO_EXTRA_CA_FILE, "" when unset.
std::string ExtraCaFileFromEnvironment();

}  // namespace varnelo::network
