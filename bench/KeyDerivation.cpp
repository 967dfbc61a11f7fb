// What WinZip AE-2 costs per member before a byte is encrypted: one PBKDF2-HMAC-SHA1 of
// 1,000 rounds for the 66 bytes of an AES-256 member's keys, through the system's CNG, as
// libzip derives them. bench/pack.sh subtracts it from PACK -encrypt's time per member.
// Usage: KeyDerivation COUNT   (prints the milliseconds of one derivation)
#include <windows.h>

#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? _wtoi(argv[1]) : 200;
    BCRYPT_ALG_HANDLE hmac = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA1_ALGORITHM, nullptr,
                                                      BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return 1;
    }
    unsigned char password[] = "a password of some length";
    unsigned char salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    unsigned char key[66] = {};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        salt[0] = static_cast<unsigned char>(i);
        if (!BCRYPT_SUCCESS(::BCryptDeriveKeyPBKDF2(hmac, password, sizeof password - 1, salt,
                                                    sizeof salt, 1000, key, sizeof key, 0))) {
            return 1;
        }
    }
    ::QueryPerformanceCounter(&end);
    std::printf("%.3f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart) / count);
    ::BCryptCloseAlgorithmProvider(hmac, 0);
    return 0;
}
