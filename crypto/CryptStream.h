#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// The three things the container code needs of a stream. It never seeks: a
// container is read or written from the current position on, in file order.
// A stream reports an error by throwing; the container code turns that into
// the result false.
class CryptStream {
public:
    virtual ~CryptStream() = default;
    // Reads up to count bytes; returns how many were read, 0 at the end.
    virtual int64_t read(uint8_t* buffer, int64_t count) = 0;
    virtual void write(const uint8_t* buffer, int64_t count) = 0;
    // The whole length of the stream in bytes.
    virtual int64_t size() = 0;
};

class CryptStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads from bytes in memory that outlive the stream.
class MemorySource : public CryptStream {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    int64_t read(uint8_t* buffer, int64_t count) override;
    void write(const uint8_t* buffer, int64_t count) override;
    int64_t size() override { return int64_t(m_bytes.size()); }
    int64_t position() const { return int64_t(m_position); }

private:
    std::string_view m_bytes;
    size_t m_position = 0;
};

// Appends everything written to a byte string.
class MemorySink : public CryptStream {
public:
    explicit MemorySink(std::string& bytes) : m_bytes(bytes) {}
    int64_t read(uint8_t* buffer, int64_t count) override;
    void write(const uint8_t* buffer, int64_t count) override;
    int64_t size() override { return int64_t(m_bytes.size()); }

private:
    std::string& m_bytes;
};
