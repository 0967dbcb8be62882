#include "tests/http/support/tls_trust.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace ornivex::testing {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string TlsServerUrl(const std::string& folder) {
  std::ifstream file(folder + "/port");
  std::string port;
  if (!(file >> port)) return {};
  return "https://localhost:" + port;
}

bool TrustTlsServerCertificate(const std::string& folder) {
  if (!RunningUnderWine()) return false;
  std::ifstream file(folder + "/cert.pem", std::ios::binary);
  std::stringstream pem;
  pem << file.rdbuf();
  std::string text = pem.str();
  if (text.empty()) return false;
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                            nullptr, nullptr))
    return false;
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                            &size, nullptr, nullptr))
    return false;
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!root) return false;
  BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  return added != FALSE;
}

}  // namespace ornivex::testing
