#pragma once

#include <cstddef>
#include <cstdint>

// Which implementation of the hot loops runs: the portable table-driven code
// or the processor's AES and SHA instructions. All paths give bit-identical
// results; the choice is made once, on first use, from the processor's
// features and the environment variable TIPSMITH_CRYPTO_PATH:
//   portable   no special instructions
//   aesni      AES instructions only (SHA-1 portable)
//   shani      SHA instructions only (AES portable)
//   anything else or unset: everything the processor offers.
// A path the processor lacks silently falls back to the portable code.

struct AesContext;

inline constexpr const char* CryptoPathVariable = "TIPSMITH_CRYPTO_PATH";

// A readable name of the path in use, e.g. "portable" or "aes-ni+sha-ni".
const char* CryptoPathName();

namespace cryptopath {

struct Kernels {
    void (*aesEncryptBlock)(const AesContext& context, const uint8_t* input, uint8_t* output);
    void (*aesDecryptBlock)(const AesContext& context, const uint8_t* input, uint8_t* output);
    // Counter mode over whole blocks, in place: before each block the first
    // eight counter bytes are incremented as a little-endian number.
    void (*aesCtrXor)(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks);
    // The SHA-1 compression function over consecutive 64-byte blocks.
    void (*sha1Blocks)(uint32_t* state, const uint8_t* data, size_t blocks);
    const char* name;
};

const Kernels& kernels();

// The portable kernels, always present.
void aesEncryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output);
void aesDecryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output);
void aesCtrXorPortable(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks);
void sha1BlocksPortable(uint32_t* state, const uint8_t* data, size_t blocks);

// The x86-64 kernels; only called when the processor has the instructions.
bool cpuHasAesNi();
bool cpuHasShaNi();
void aesEncryptBlockAesNi(const AesContext& context, const uint8_t* input, uint8_t* output);
void aesDecryptBlockAesNi(const AesContext& context, const uint8_t* input, uint8_t* output);
void aesCtrXorAesNi(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks);
void sha1BlocksShaNi(uint32_t* state, const uint8_t* data, size_t blocks);

} // namespace cryptopath
