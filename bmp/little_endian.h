// Little-endian fields of a byte buffer, as BMP files store them.
#ifndef VASTRELMON_BMP_LITTLE_ENDIAN_H
#define VASTRELMON_BMP_LITTLE_ENDIAN_H

#include <cstdint>

inline uint16_t read_le16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t read_le32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Two's complement reinterpretation, without relying on a narrowing cast.
inline int32_t read_le32_signed(const uint8_t* bytes)
{
    uint32_t value = read_le32(bytes);
    return value <= INT32_MAX ? static_cast<int32_t>(value)
                              : static_cast<int32_t>(value - 0x80000000u) + INT32_MIN;
}

inline int16_t read_le16_signed(const uint8_t* bytes)
{
    uint16_t value = read_le16(bytes);
    return value <= INT16_MAX ? static_cast<int16_t>(value)
                              : static_cast<int16_t>(static_cast<int>(value) - 0x10000);
}

#endif
