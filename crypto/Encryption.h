#pragma once

#include "crypto/CryptStream.h"
#include "crypto/FileCipher.h"
#include "crypto/SaltPool.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Reading and writing the protected-file container between two streams:
//
//   salt (S bytes) | verifier (2) | ciphertext (n) | authentication code (10)
//
// with no magic number, no stored length and no padding. The strength, and
// with it S, follows from the pass phrase's length, so the reader must know
// the pass phrase.

// Stages reported through OnProgress.
inline constexpr uint8_t CryptStageDecryptStart = 1; // count: the source size, negated
inline constexpr uint8_t CryptStageEncrypt = 4;      // count: plain bytes read so far
inline constexpr uint8_t CryptStageDecrypt = 5;      // count: bytes in this piece

// Why the last Encrypt or Decrypt returned false.
enum class CryptFailure {
    None,
    PassPhraseTooLong, // over 128 bytes: no container is produced or accepted
    Header,            // verifier differs, or the source is too short for salt and verifier
    AuthCode,          // the stored authentication code differs from the computed one
    SourceEnded,       // the source ended before the size the caller gave
    Stream,            // a stream (or the progress handler) threw
};

// The pass phrase, the work buffer and the cipher state.
class TCrypt {
public:
    // Strength 1 below 32 bytes of pass phrase, 2 below 48, else 3. A buffer
    // size below 1 is taken as 1.
    TCrypt(std::string_view passPhrase, int32_t bufferSize);
    virtual ~TCrypt();
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    int32_t strength() const { return m_strength; }
    int32_t bufferSize() const { return m_bufferSize; }
    // Salt, verifier and code: how much longer the container is than its data.
    int64_t overhead() const { return int64_t(FileCipherOverhead(uint32_t(m_strength))); }

protected:
    int32_t m_strength;
    FileCipherContext m_cipher;
    std::string m_passPhrase;
    int32_t m_bufferSize;
    std::unique_ptr<uint8_t[]> m_buffer;
};

class TEncryption : public TCrypt {
public:
    using ProgressHandler = std::function<void(TEncryption& sender, uint8_t stage, int64_t count)>;

    TEncryption(std::string_view passPhrase, int32_t bufferSize);
    ~TEncryption() override;

    // Writes a container of everything the source holds from its position
    // on. False when a stream threw (the destination keeps what was written)
    // or the pass phrase is too long (nothing is written). Each call draws a
    // new salt.
    [[nodiscard]] bool Encrypt(CryptStream& source, CryptStream& destination);

    // Reads a container of `size` bytes from the source's position on and
    // writes the plain data to the destination, if there is one. True only
    // when the verifier and the authentication code both match. The plain
    // bytes are written before the code can be checked: on false the
    // destination may hold data that must be thrown away (nothing at all
    // when the verifier failed).
    [[nodiscard]] bool Decrypt(CryptStream& source, CryptStream* destination, int64_t size);

    CryptFailure lastFailure() const { return m_failure; }

    // Optional; told about the progress of Encrypt and Decrypt.
    ProgressHandler OnProgress;

protected:
    [[nodiscard]] bool WriteHeader(CryptStream& destination);
    [[nodiscard]] bool WriteAuthCode(CryptStream& destination);
    [[nodiscard]] bool ReadHeader(CryptStream& source);
    [[nodiscard]] bool CheckAuthCode(CryptStream& source);
    void DoProgress(uint8_t stage, int64_t count);

private:
    SaltPool m_saltPool;
    CryptFailure m_failure = CryptFailure::None;
};
