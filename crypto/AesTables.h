#pragma once

// The constant tables of the table-driven AES, computed at compile time from
// the field arithmetic of GF(2^8) so that no table is typed in by hand.

#include <array>
#include <cstdint>

namespace aestables {

using WordTable = std::array<uint32_t, 256>;
using ByteTable = std::array<uint8_t, 256>;

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t gfMul(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
        b >>= 1;
    }
    return product;
}

// The multiplicative inverse is a^254; zero maps to zero.
constexpr uint8_t gfInverse(uint8_t a) {
    uint8_t result = 1;
    uint8_t square = a;
    for (unsigned e = 254; e; e >>= 1) {
        if (e & 1)
            result = gfMul(result, square);
        square = gfMul(square, square);
    }
    return a ? result : 0;
}

constexpr uint8_t rotl8(uint8_t v, unsigned n) {
    return static_cast<uint8_t>((v << n) | (v >> (8 - n)));
}

constexpr ByteTable makeSbox() {
    ByteTable box{};
    for (unsigned x = 0; x < 256; ++x) {
        const uint8_t b = gfInverse(static_cast<uint8_t>(x));
        box[x] =
            static_cast<uint8_t>(b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63);
    }
    return box;
}

constexpr ByteTable invert(const ByteTable& box) {
    ByteTable inverse{};
    for (unsigned x = 0; x < 256; ++x)
        inverse[box[x]] = static_cast<uint8_t>(x);
    return inverse;
}

inline constexpr ByteTable sbox = makeSbox();
inline constexpr ByteTable invSbox = invert(sbox);

static_assert(sbox[0x00] == 0x63 && sbox[0x01] == 0x7c && sbox[0x53] == 0xed && sbox[0xff] == 0x16);
static_assert(invSbox[0x63] == 0x00 && invSbox[0x16] == 0xff);

constexpr uint32_t word(uint8_t top, uint8_t second, uint8_t third, uint8_t bottom) {
    return (uint32_t(top) << 24) | (uint32_t(second) << 16) | (uint32_t(third) << 8) | bottom;
}

constexpr uint32_t rotr32(uint32_t v, unsigned n) {
    return n ? (v >> n) | (v << (32 - n)) : v;
}

// One column of MixColumns (or its inverse) for a byte in row 0, given the
// matrix's first column; the other rows are the same word rotated right.
constexpr WordTable makeRoundTable(const ByteTable& box, const std::array<uint8_t, 4>& column,
                                   unsigned row) {
    WordTable table{};
    for (unsigned x = 0; x < 256; ++x) {
        const uint8_t s = box[x];
        table[x] = rotr32(word(gfMul(s, column[0]), gfMul(s, column[1]), gfMul(s, column[2]),
                               gfMul(s, column[3])),
                          8 * row);
    }
    return table;
}

constexpr WordTable makeLastRoundTable(const ByteTable& box, unsigned row) {
    WordTable table{};
    for (unsigned x = 0; x < 256; ++x)
        table[x] = uint32_t(box[x]) << (24 - 8 * row);
    return table;
}

constexpr ByteTable identity() {
    ByteTable box{};
    for (unsigned x = 0; x < 256; ++x)
        box[x] = static_cast<uint8_t>(x);
    return box;
}

// The four rows' tables of a round: row r's table is row 0's rotated right
// by r bytes.
using RowTables = std::array<WordTable, 4>;

constexpr RowTables makeRoundTables(const ByteTable& box, const std::array<uint8_t, 4>& column) {
    RowTables tables{};
    for (unsigned row = 0; row < 4; ++row)
        tables[row] = makeRoundTable(box, column, row);
    return tables;
}

constexpr RowTables makeLastRoundTables(const ByteTable& box) {
    RowTables tables{};
    for (unsigned row = 0; row < 4; ++row)
        tables[row] = makeLastRoundTable(box, row);
    return tables;
}

inline constexpr std::array<uint8_t, 4> mixColumn = {2, 1, 1, 3};
inline constexpr std::array<uint8_t, 4> invMixColumn = {14, 9, 13, 11};

// Encryption: SubBytes and MixColumns in one look-up per byte, one table per row.
inline constexpr RowTables te = makeRoundTables(sbox, mixColumn);
// Last round and key schedule: the S-box value alone in the row's byte.
inline constexpr RowTables te4 = makeLastRoundTables(sbox);

// Decryption: InvSubBytes and InvMixColumns.
inline constexpr RowTables td = makeRoundTables(invSbox, invMixColumn);
inline constexpr RowTables td4 = makeLastRoundTables(invSbox);

// InvMixColumns alone, for turning encryption round keys into decryption ones.
inline constexpr RowTables imc = makeRoundTables(identity(), invMixColumn);

inline constexpr std::array<uint32_t, 10> rcon = {
    0x01000000, 0x02000000, 0x04000000, 0x08000000, 0x10000000,
    0x20000000, 0x40000000, 0x80000000, 0x1b000000, 0x36000000,
};

static_assert(te[0][0x00] == 0xc66363a5);
static_assert(td[0][0x00] == 0x51f4a750);

} // namespace aestables
