#include "crypto/Encryption.h"

#include "crypto/CryptoMemory.h"

#include <cstring>

namespace {

// Reads until count bytes have come or the source has ended, so a stream
// that returns short pieces before its end cannot cut the data short.
int64_t readFully(CryptStream& source, uint8_t* buffer, int64_t count) {
    int64_t total = 0;
    while (total < count) {
        const int64_t n = source.read(buffer + total, count - total);
        if (n <= 0)
            break;
        total += n;
    }
    return total;
}

// Runs a step that reads or writes the streams. The step sets the failure
// itself when it returns false; a stream that throws ends it as a Stream
// failure.
template <class Step> [[nodiscard]] bool streamStep(CryptFailure& failure, Step&& step) {
    try {
        return step();
    } catch (const std::exception&) {
        failure = CryptFailure::Stream;
        return false;
    }
}

int32_t strengthFor(size_t passPhraseLength) {
    if (passPhraseLength < 32)
        return 1;
    if (passPhraseLength < 48)
        return 2;
    return 3;
}

} // namespace

TCrypt::TCrypt(std::string_view passPhrase, int32_t bufferSize)
    : m_strength(strengthFor(passPhrase.size())), m_cipher{}, m_passPhrase(passPhrase),
      m_bufferSize(bufferSize < 1 ? 1 : bufferSize),
      m_buffer(std::make_unique<uint8_t[]>(size_t(m_bufferSize))) {}

TCrypt::~TCrypt() {
    // The buffer held plain data and the cipher state the keys.
    CryptoWipe(m_buffer.get(), size_t(m_bufferSize));
    CryptoWipe(&m_cipher, sizeof(m_cipher));
    CryptoWipe(m_passPhrase.data(), m_passPhrase.size());
}

TEncryption::TEncryption(std::string_view passPhrase, int32_t bufferSize)
    : TCrypt(passPhrase, bufferSize) {
    SaltPoolStart(ReadPerformanceCounter, &m_saltPool);
}

TEncryption::~TEncryption() {
    SaltPoolWipe(&m_saltPool);
}

void TEncryption::DoProgress(uint8_t stage, int64_t count) {
    if (OnProgress)
        OnProgress(*this, stage, count);
}

bool TEncryption::WriteHeader(CryptStream& destination) {
    const size_t saltLength = FileCipherSaltLength(uint32_t(m_strength));
    uint8_t salt[FileCipherMaxSaltLength];
    uint8_t verifier[FileCipherVerifierLength];
    SaltPoolRead(salt, saltLength, &m_saltPool);
    if (FileCipherStart(uint32_t(m_strength), reinterpret_cast<const uint8_t*>(m_passPhrase.data()),
                        m_passPhrase.size(), salt, verifier, &m_cipher) != 0) {
        m_failure = CryptFailure::PassPhraseTooLong;
        return false;
    }
    return streamStep(m_failure, [&] {
        destination.write(salt, int64_t(saltLength));
        destination.write(verifier, int64_t(sizeof(verifier)));
        return true;
    });
}

bool TEncryption::WriteAuthCode(CryptStream& destination) {
    uint8_t code[32] = {};
    FileCipherFinish(code, &m_cipher);
    return streamStep(m_failure, [&] {
        destination.write(code, int64_t(FileCipherCodeLength));
        return true;
    });
}

bool TEncryption::ReadHeader(CryptStream& source) {
    const size_t saltLength = FileCipherSaltLength(uint32_t(m_strength));
    uint8_t salt[FileCipherMaxSaltLength];
    uint8_t expected[FileCipherVerifierLength];
    uint8_t stored[FileCipherVerifierLength];
    return streamStep(m_failure, [&] {
        if (readFully(source, salt, int64_t(saltLength)) != int64_t(saltLength)) {
            m_failure = CryptFailure::Header;
            return false;
        }
        if (FileCipherStart(uint32_t(m_strength),
                            reinterpret_cast<const uint8_t*>(m_passPhrase.data()),
                            m_passPhrase.size(), salt, expected, &m_cipher) != 0) {
            m_failure = CryptFailure::PassPhraseTooLong;
            return false;
        }
        if (readFully(source, stored, int64_t(sizeof(stored))) != int64_t(sizeof(stored)) ||
            !CryptoEqual(stored, expected, sizeof(stored))) {
            m_failure = CryptFailure::Header;
            return false;
        }
        return true;
    });
}

bool TEncryption::CheckAuthCode(CryptStream& source) {
    uint8_t computed[32] = {};
    uint8_t stored[32] = {};
    FileCipherFinish(computed, &m_cipher);
    return streamStep(m_failure, [&] {
        // All ten code bytes must be there: a container cut short inside its
        // code does not pass, whatever the missing bytes would have been.
        if (readFully(source, stored, int64_t(FileCipherCodeLength)) !=
                int64_t(FileCipherCodeLength) ||
            !CryptoEqual(computed, stored, FileCipherCodeLength)) {
            m_failure = CryptFailure::AuthCode;
            return false;
        }
        return true;
    });
}

bool TEncryption::Encrypt(CryptStream& source, CryptStream& destination) {
    m_failure = CryptFailure::None;
    if (!WriteHeader(destination))
        return false;
    const bool encrypted = streamStep(m_failure, [&] {
        int64_t total = 0;
        // A source whose length is a multiple of the buffer ends with an empty
        // piece, which still passes through once.
        for (;;) {
            const int64_t n = readFully(source, m_buffer.get(), m_bufferSize);
            total += n;
            DoProgress(CryptStageEncrypt, total);
            FileCipherEncrypt(m_buffer.get(), size_t(n), &m_cipher);
            destination.write(m_buffer.get(), n);
            if (n < m_bufferSize)
                return true;
        }
    });
    return encrypted && WriteAuthCode(destination);
}

bool TEncryption::Decrypt(CryptStream& source, CryptStream* destination, int64_t size) {
    m_failure = CryptFailure::None;
    const bool started = streamStep(m_failure, [&] {
        DoProgress(CryptStageDecryptStart, -source.size());
        return true;
    });
    if (!started || !ReadHeader(source))
        return false;
    const bool decrypted = streamStep(m_failure, [&] {
        int64_t remaining = size - overhead();
        do {
            const int64_t chunk = remaining >= m_bufferSize ? m_bufferSize : remaining;
            int64_t n = 0;
            if (chunk > 0) {
                n = source.read(m_buffer.get(), chunk);
                if (n <= 0) {
                    // The source ended before the size the caller promised.
                    m_failure = CryptFailure::SourceEnded;
                    return false;
                }
                if (n > chunk)
                    throw CryptStreamError("the source returned more than was asked");
            }
            DoProgress(CryptStageDecrypt, n);
            FileCipherDecrypt(m_buffer.get(), size_t(n), &m_cipher);
            if (destination)
                destination->write(m_buffer.get(), n);
            remaining -= n;
        } while (remaining > 0);
        return true;
    });
    return decrypted && CheckAuthCode(source);
}
