#pragma once
// The HTTPS test server of the CTest fixture: its address, and trust for its
// throw-away certificate where the system cannot be told to ignore
// certificate errors.
#include <string>

namespace ornivex::testing {

// True inside Wine.
bool RunningUnderWine();

// "https://127.0.0.1:<port>" of the fixture's server, or empty when it is not
// running. `folder` is where the fixture writes "port" and "cert.pem".
std::string TlsServerUrl(const std::string& folder);

// Adds the fixture's certificate to the machine's trusted roots. Only ever
// done inside Wine, whose prefix belongs to the build folder; false when the
// certificate cannot be read or added.
bool TrustTlsServerCertificate(const std::string& folder);

}  // namespace ornivex::testing
