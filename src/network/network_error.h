#pragma once

#include <stdexcept>

namespace varnelo::network {

// The errors that the network layer raises to its callers. Network failures themselves are never
// raised (the operations report them through their success flags); only these are: a proxy
// setting that cannot be used, and preference files that cannot be read or written.
class ENetworkError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The system proxy settings name an http proxy whose port is not a decimal number: no client can be
// created. The message names the value, e.g. `invalid proxy port "31x8" in ProxyServer "p:31x8"`.
class EProxySettingsError : public ENetworkError {
public:
  using ENetworkError::ENetworkError;
};

// A Firefox `prefs.js` (or its `profiles.ini`) that cannot be read or written; the file is left as it was.
class EFirefoxPrefsError : public ENetworkError {
public:
  using ENetworkError::ENetworkError;
};

}  // namespace varnelo::network
