// Makes the Wine prefix trust a test certificate authority: adds the DER file
// named on the command line to the local machine's Root store (the prefix's
// registry), replacing an earlier copy. The Linux trust store is untouched.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: trust_test_ca CERTIFICATE.der\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"trust_test_ca: cannot open %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::vector<BYTE> der(64 * 1024);
    DWORD size = 0;
    BOOL read = ReadFile(file, der.data(), DWORD(der.size()), &size, nullptr);
    CloseHandle(file);
    if (!read || size == 0 || size == der.size()) {
        fwprintf(stderr, L"trust_test_ca: %ls is no certificate file\n", argv[1]);
        return 1;
    }
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!root) {
        fwprintf(stderr, L"trust_test_ca: cannot open the Root store (error %lu)\n", GetLastError());
        return 1;
    }
    BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    DWORD error = GetLastError();
    CertCloseStore(root, 0);
    if (!added) {
        fwprintf(stderr, L"trust_test_ca: the certificate was not added (error %lu)\n", error);
        return 1;
    }
    return 0;
}
