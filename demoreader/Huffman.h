#pragma once
// The fixed Huffman code of Quake III message data and its decode table.
//
// Every whole byte of a message is one code word of this code; the code never
// adapts. Code strings below are written in the order their bits are read from
// the stream. Symbol 256 is the escape leaf that the engine's adaptive coder
// keeps; it never occurs in valid data.

#include <array>
#include <cstdint>
#include <string_view>

namespace fenlark::demoreader {

inline constexpr int HuffmanSymbolCount = 257;
inline constexpr int HuffmanEscapeSymbol = 256;
inline constexpr int HuffmanMaxCodeLength = 11;

// clang-format off
inline constexpr std::array<std::string_view, HuffmanSymbolCount> HuffmanCodes = {
    "01", "11011", "0001001", "0011011", "10000101", "10001000",
    "0000100", "111111", "10101", "0010110", "1001011", "1101000",
    "1100100", "101101", "10011100", "001101010", "1010010", "000110100",
    "000011111", "000111111", "1011101110", "1100111111", "1101010001", "1100010011",
    "001011110", "1011000110", "1101010100", "1100011011", "1101011110", "11000010",
    "111100100", "00101011", "111011", "1100101100", "001000100", "1011001101",
    "1010001111", "1001111111", "1011000011", "1011001111", "001010010", "0011010110",
    "1100110000", "0010100000", "1000111001", "0000111101", "001011111", "00011110",
    "1110010", "11000011", "11110111", "111010011", "11001010", "10001101",
    "101100000", "100001101", "111000000", "100011110", "100110011", "1000100110",
    "1100010010", "001111010", "001000101", "1100111110", "11110011", "0000101",
    "0011111", "0010000", "10000100", "10001010", "000000010", "000011100",
    "101111001", "1100011000", "1110101101", "1000111011", "101110011", "1101010101",
    "1110001110", "1100110011", "001101001", "1011100100", "1101011010", "1101011011",
    "1100101110", "1000111010", "1100011110", "1100110001", "1110101100", "1101001101",
    "000011101", "000101010", "111000110", "101000001", "110101110", "00011011",
    "110011110", "00111100", "110101011", "111100011", "111010010", "0000110",
    "10000010", "111100101", "001110", "00010100", "101111010", "001000110",
    "00011001", "111100010", "00110000", "11001101", "10100001", "00110001",
    "11100010", "10011110", "1001101", "0000001", "11101000", "10011000",
    "11010010", "10000111", "11000101", "11001110", "11110110", "0001011",
    "0001000", "1010011", "111110", "1001010", "0011001", "1011111",
    "11110000", "11000001", "10000000", "11100001", "11100110", "11100111",
    "11101010", "00101110", "110100111", "001000111", "100000010", "101100100",
    "100011001", "1100011010", "000000011", "1110101111", "1101010000", "1010001010",
    "1101011000", "1011110000", "1101010011", "1001111100", "1100011100", "1010001001",
    "1101010010", "1000110000", "1101011111", "1001110110", "001010001", "1001111110",
    "1100110010", "0011010000", "1011101101", "1000001110", "1011100011", "1000101110",
    "000111001", "1000011000", "1100011101", "1010001011", "1101011001", "1011001100",
    "1101001100", "1011001010", "000111000", "1000001111", "1011110001", "0011110111",
    "1010001100", "0011010111", "1100011111", "1001100101", "1100101111", "0010100001",
    "1100000001", "0011110110", "1011100101", "1000000111", "1100011001", "1011000100",
    "00101010", "110000001", "10111010", "000001", "1001000", "1110001111",
    "1110000011", "00011101", "100011111", "0011010001", "1010001000", "1100000000",
    "1011100010", "1010001110", "1011001011", "1011100000", "000000000", "1001110111",
    "1011101100", "1000000110", "1011000010", "1001110100", "1011001110", "0010100111",
    "1011110110", "0010100110", "1011000111", "0001101010", "1011110111", "1000001100",
    "1011101111", "0001111100", "100010110", "100010010", "1001100100", "0001111101",
    "1100010000", "1000111000", "1100101101", "1000100111", "1001001", "1000110001",
    "1110000010", "1000011001", "1100010001", "00011000", "1010000001", "1000001101",
    "1110101110", "0000111100", "1010001101", "0000000011", "1000101111", "0001010111",
    "1011100001", "00000000101", "1010000000", "0001101011", "1001111101", "0001010110",
    "1001110101", "1011000101", "1111010", "001001", "00000000100",
};
// clang-format on

// One entry per possible 11-bit look-ahead (first stream bit = bit 0 of the
// index): the symbol in bits 0..8 and the code length in bits 9..12.
inline constexpr std::uint32_t HuffmanLookAheadMask = (1u << HuffmanMaxCodeLength) - 1u;
inline constexpr unsigned HuffmanLengthShift = 9;
inline constexpr std::uint32_t HuffmanSymbolMask = (1u << HuffmanLengthShift) - 1u;

struct HuffmanDecodeTable {
    std::array<std::uint16_t, 1u << HuffmanMaxCodeLength> entries{};
};

constexpr HuffmanDecodeTable BuildHuffmanDecodeTable() {
    HuffmanDecodeTable table;
    for (int symbol = 0; symbol < HuffmanSymbolCount; ++symbol) {
        const std::string_view code = HuffmanCodes[static_cast<std::size_t>(symbol)];
        unsigned value = 0;
        for (std::size_t bit = 0; bit < code.size(); ++bit) {
            if (code[bit] == '1') {
                value |= 1u << bit;
            }
        }
        const unsigned length = static_cast<unsigned>(code.size());
        const auto entry = static_cast<std::uint16_t>(static_cast<unsigned>(symbol) |
                                                      length << HuffmanLengthShift);
        // Every look-ahead whose low `length` bits equal the code decodes to it.
        for (unsigned rest = 0; rest < (1u << (HuffmanMaxCodeLength - length)); ++rest) {
            table.entries[value | rest << length] = entry;
        }
    }
    return table;
}

inline constexpr HuffmanDecodeTable HuffmanDecode = BuildHuffmanDecodeTable();

// The code lengths alone, for consuming a code word whose symbol is not
// needed: one byte load instead of a load and a shift.
struct HuffmanLengthTable {
    std::array<std::uint8_t, 1u << HuffmanMaxCodeLength> lengths{};
};

constexpr HuffmanLengthTable BuildHuffmanLengthTable() {
    HuffmanLengthTable table;
    for (std::size_t i = 0; i < table.lengths.size(); ++i) {
        table.lengths[i] =
            static_cast<std::uint8_t>(HuffmanDecode.entries[i] >> HuffmanLengthShift);
    }
    return table;
}

inline constexpr HuffmanLengthTable HuffmanLengths = BuildHuffmanLengthTable();

} // namespace fenlark::demoreader
