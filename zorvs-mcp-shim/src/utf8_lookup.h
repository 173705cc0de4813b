// The lookup tables of the vector UTF-8 checks (utf8_avx2.h, utf8_neon.h).
#pragma once

namespace zorvs_mcp::utf8_lookup {

// Blocks of bytes at a time, by the classification of each pair of adjacent
// bytes with three table lookups (after Keiser and Lemire, "Validating UTF-8
// in less than one instruction per byte", 2021). Each bit below names one
// way a pair can be wrong; a pair is wrong when the three lookups, by the
// high and low half of the first byte and the high half of the second,
// share a bit. Continuations that must follow a three- or four-byte lead two
// or three bytes back are then matched against pairs of continuations.
inline constexpr char kTooShort = 1 << 0;                     // lead or ASCII after a lead
inline constexpr char kTooLong = 1 << 1;                      // continuation after ASCII
inline constexpr char kOverlong3 = 1 << 2;                    // E0 80..9F
inline constexpr char kTooLarge = 1 << 3;                     // F4 90..BF, F5..FF 90..BF
inline constexpr char kSurrogate = 1 << 4;                    // ED A0..BF
inline constexpr char kOverlong2 = 1 << 5;                    // C0..C1 80..BF
inline constexpr char kTooLarge1000 = 1 << 6;                 // F5..FF 80..8F
inline constexpr char kOverlong4 = 1 << 6;                    // F0 80..8F
inline constexpr char kTwoConts = static_cast<char>(1 << 7);  // continuation after continuation
inline constexpr char kCarry = kTooShort | kTooLong | kTwoConts;
inline constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
inline constexpr char kCont80 =
    kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
inline constexpr char kCont90 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
inline constexpr char kContA0 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;

// By the high half of the first byte of a pair.
inline constexpr char kFirstHigh[16] = {
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // 0___
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 10__
    kTooShort | kOverlong2,                                                          // 1100
    kTooShort,                                                                       // 1101
    kTooShort | kOverlong3 | kSurrogate,                                             // 1110
    kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};                             // 1111

// By the low half of the first byte.
inline constexpr char kFirstLow[16] = {
    kCarry | kOverlong3 | kOverlong2 | kOverlong4,                   // ___0000
    kCarry | kOverlong2,                                             // ___0001
    kCarry, kCarry,                                                  // ___001_
    kCarry | kTooLarge,                                              // ___0100
    kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,  // ___0101 to ___1100
    kLarge | kSurrogate,                                             // ___1101
    kLarge, kLarge};

// By the high half of the second byte.
inline constexpr char kSecondHigh[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,  // 0___
    kCont80, kCont90, kContA0, kContA0,                                                      // 10__
    kTooShort, kTooShort, kTooShort, kTooShort};                                             // 11__

}  // namespace zorvs_mcp::utf8_lookup
