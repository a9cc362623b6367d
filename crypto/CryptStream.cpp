#include "crypto/CryptStream.h"

#include <cstring>

int64_t MemorySource::read(uint8_t* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const size_t available = m_bytes.size() - m_position;
    const size_t n = size_t(count) < available ? size_t(count) : available;
    if (n)
        std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return int64_t(n);
}

void MemorySource::write(const uint8_t*, int64_t) {
    throw CryptStreamError("the source cannot be written");
}

int64_t MemorySink::read(uint8_t*, int64_t) {
    throw CryptStreamError("the destination cannot be read");
}

void MemorySink::write(const uint8_t* buffer, int64_t count) {
    if (count > 0)
        m_bytes.append(reinterpret_cast<const char*>(buffer), size_t(count));
}
