#include "crypto/CryptoPath.h"

#include <cstdlib>
#include <cstring>

namespace cryptopath {
namespace {

Kernels choose() {
    Kernels k{aesEncryptBlockPortable, aesDecryptBlockPortable, aesCtrXorPortable,
              sha1BlocksPortable, "portable"};
    const char* wanted = std::getenv(CryptoPathVariable);
    const bool portableOnly = wanted && std::strcmp(wanted, "portable") == 0;
    const bool aesOnly = wanted && std::strcmp(wanted, "aesni") == 0;
    const bool shaOnly = wanted && std::strcmp(wanted, "shani") == 0;
    const bool useAes = !portableOnly && !shaOnly && cpuHasAesNi();
    const bool useSha = !portableOnly && !aesOnly && cpuHasShaNi();
    if (useAes) {
        k.aesEncryptBlock = aesEncryptBlockAesNi;
        k.aesDecryptBlock = aesDecryptBlockAesNi;
        k.aesCtrXor = aesCtrXorAesNi;
    }
    if (useSha)
        k.sha1Blocks = sha1BlocksShaNi;
    k.name = useAes ? (useSha ? "aes-ni+sha-ni" : "aes-ni") : (useSha ? "sha-ni" : "portable");
    return k;
}

} // namespace

const Kernels& kernels() {
    // Decided once; constant afterwards.
    static const Kernels chosen = choose();
    return chosen;
}

} // namespace cryptopath

const char* CryptoPathName() {
    return cryptopath::kernels().name;
}
