// Decrypt must survive any input: no crash, no read or write out of bounds,
// no hang, and no container accepted that it should refuse.
//
// The first byte steers the run:
//   bits 0-1  pass phrase: the program's (strength 1), 40 bytes (2), 60 (3), 130 (too long)
//   bits 2-3  work buffer: 1, 7, 64 or 262144 bytes
//   bit 4     no destination (check only)
//   bit 5     the source hands out pieces of at most 3 bytes
//   bit 6     the caller's size is off by a signed amount taken from the next byte
//   bit 7     seal: the rest is encrypted first, then the byte at the position
//             in the next two bytes is XORed with the byte after them (0 keeps
//             the container intact)
// Everything after those bytes is the container (or the plain data to seal).

#include "crypto/Encryption.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

class PiecewiseSource : public CryptStream {
public:
    PiecewiseSource(std::string_view bytes, int64_t piece) : m_bytes(bytes), m_piece(piece) {}
    int64_t read(uint8_t* buffer, int64_t count) override {
        const int64_t left = int64_t(m_bytes.size()) - m_position;
        const int64_t n = std::min({count, m_piece, left});
        if (n <= 0)
            return 0;
        std::memcpy(buffer, m_bytes.data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    void write(const uint8_t*, int64_t) override { throw CryptStreamError("read only"); }
    int64_t size() override { return int64_t(m_bytes.size()); }

private:
    std::string_view m_bytes;
    int64_t m_piece;
    int64_t m_position = 0;
};

std::string passPhraseFor(int choice) {
    switch (choice) {
    case 0:
        return "rqtnvwhzep";
    case 1:
        return std::string(40, 'm');
    case 2:
        return std::string(60, 'l');
    default:
        return std::string(130, 'x');
    }
}

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    ++data;
    --size;
    const std::string pass = passPhraseFor(control & 3);
    static const int32_t buffers[] = {1, 7, 64, 262144};
    const int32_t bufferSize = buffers[(control >> 2) & 3];
    const bool checkOnly = control & 0x10;
    const int64_t piece = (control & 0x20) ? 3 : INT64_MAX;

    int64_t sizeDelta = 0;
    if (control & 0x40) {
        if (size < 1)
            return 0;
        sizeDelta = int8_t(data[0]);
        ++data;
        --size;
    }

    const bool seal = control & 0x80;
    std::string container;
    std::string plain;
    uint8_t flip = 0;
    if (seal) {
        if (size < 3)
            return 0;
        const size_t at = size_t(data[0]) | size_t(data[1]) << 8;
        flip = data[2];
        plain.assign(reinterpret_cast<const char*>(data + 3), size - 3);
        TEncryption writer(pass, bufferSize);
        MemorySource source(plain);
        MemorySink sink(container);
        const bool written = writer.Encrypt(source, sink);
        // An overlong pass phrase gives nothing; any other gives a container.
        require(written == (pass.size() <= 128));
        require(written ? container.size() == plain.size() + size_t(writer.overhead())
                        : container.empty());
        if (!written || container.empty())
            return 0;
        container[at % container.size()] ^= char(flip);
    } else {
        container.assign(reinterpret_cast<const char*>(data), size);
    }

    TEncryption reader(pass, bufferSize);
    PiecewiseSource source(container, piece);
    std::string out;
    MemorySink sink(out);
    const bool opened =
        reader.Decrypt(source, checkOnly ? nullptr : &sink, int64_t(container.size()) + sizeDelta);

    if (checkOnly || reader.lastFailure() == CryptFailure::Header ||
        reader.lastFailure() == CryptFailure::PassPhraseTooLong)
        require(out.empty());
    if (opened && sizeDelta == 0 && !checkOnly)
        require(out.size() == container.size() - size_t(reader.overhead()));
    if (seal && sizeDelta == 0) {
        // An intact container opens to its data; a changed one never opens.
        require(opened == (flip == 0));
        if (opened && !checkOnly)
            require(out == plain);
    }
    return 0;
}
