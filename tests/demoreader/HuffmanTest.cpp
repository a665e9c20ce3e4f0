// The code table against its origin: the engine derives its code by feeding
// fixed byte counts into an adaptive Huffman coder. Doing the same here and
// comparing every code word catches a wrong entry even for bytes that no demo
// at hand contains.

#include "demoreader/Huffman.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fenlark::test {
namespace {

using demoreader::HuffmanCodes;

// How often the engine's table says each byte value occurs.
constexpr std::array<std::uint32_t, 256> ByteCounts = {
    250315, 41193, 6292,  7106,  3730,  3750, 6110,  23283, 33317, 6950, 7838, 9714, 9257, 17259,
    3949,   1778,  8288,  1604,  1590,  1663, 1100,  1213,  1238,  1134, 1749, 1059, 1246, 1149,
    1273,   4486,  2805,  3472,  21819, 1159, 1670,  1066,  1043,  1012, 1053, 1070, 1726, 888,
    1180,   850,   960,   780,   1752,  3296, 10630, 4514,  5881,  2685, 4650, 3837, 2093, 1867,
    2584,   1949,  1972,  940,   1134,  1788, 1670,  1206,  5719,  6128, 7222, 6654, 3710, 3795,
    1492,   1524,  2215,  1140,  1355,  971,  2180,  1248,  1328,  1195, 1770, 1078, 1264, 1266,
    1168,   965,   1155,  1186,  1347,  1228, 1529,  1600,  2617,  2048, 2546, 3275, 2410, 3585,
    2504,   2800,  2675,  6146,  3663,  2840, 14253, 3164,  2221,  1687, 3208, 2739, 3512, 4796,
    4091,   3515,  5288,  4016,  7937,  6031, 5360,  3924,  4892,  3743, 4566, 4807, 5852, 6400,
    6225,   8291,  23243, 7838,  7073,  8935, 5437,  4483,  3641,  5256, 5312, 5328, 5370, 3492,
    2458,   1694,  1821,  2121,  1916,  1149, 1516,  1367,  1236,  1029, 1258, 1104, 1245, 1006,
    1149,   1025,  1241,  952,   1287,  997,  1713,  1009,  1187,  879,  1099, 929,  1078, 951,
    1656,   930,   1153,  1030,  1262,  1062, 1214,  1060,  1621,  930,  1106, 912,  1034, 892,
    1158,   990,   1175,  850,   1121,  903,  1087,  920,   1144,  1056, 3462, 2240, 4397, 12136,
    7758,   1345,  1307,  3278,  1950,  886,  1023,  1112,  1077,  1042, 1061, 1071, 1484, 1001,
    1096,   915,   1052,  995,   1070,  876,  1111,  851,   1059,  805,  1112, 923,  1103, 817,
    1899,   1872,  976,   841,   1127,  956,  1159,  950,   7791,  954,  1289, 933,  1127, 3207,
    1020,   927,   1355,  768,   1040,  745,  952,   805,   1073,  740,  1013, 805,  1008, 796,
    996,    1057,  11457, 13504,
};

// The adaptive coder: a tree whose nodes also stand in one "rank order" along
// which weights never decrease. Adding a byte value bumps its leaf (or makes
// one by splitting the "not yet transmitted" leaf) and every node above it,
// keeping the order by swapping a node with the highest-ranked node of equal
// weight before it grows.
class AdaptiveCoder {
public:
    static constexpr int Escape = 256;

    AdaptiveCoder() {
        escape_ = newNode(Escape, 0);
        root_ = escape_;
        rank_.push_back(escape_);
        position_.push_back(0);
        leaves_.fill(-1);
    }

    void add(int value) {
        if (leaves_[static_cast<std::size_t>(value)] >= 0) {
            increment(leaves_[static_cast<std::size_t>(value)]);
            return;
        }
        const int inner = newNode(-1, 1);
        const int leaf = newNode(value, 1);
        leaves_[static_cast<std::size_t>(value)] = leaf;
        // Rank order: escape, leaf, inner, then what was above escape before.
        rank_.insert(rank_.begin() + 1, {leaf, inner});
        renumber();
        // The inner node takes the escape leaf's place in the tree.
        const int parent = node(escape_).parent;
        replaceChild(parent, escape_, inner);
        node(inner).parent = parent;
        node(inner).child = {escape_, leaf};
        node(escape_).parent = inner;
        node(leaf).parent = inner;
        if (parent >= 0) {
            increment(parent);
        }
    }

    // Code strings, first bit on the left.
    std::vector<std::string> codes() const {
        std::vector<std::string> result(257);
        collect(root_, "", result);
        return result;
    }

private:
    struct Node {
        int symbol;
        std::uint32_t weight;
        int parent = -1;
        std::array<int, 2> child{-1, -1};
    };

    Node& node(int index) { return nodes_[static_cast<std::size_t>(index)]; }
    const Node& node(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
    std::size_t& position(int index) { return position_[static_cast<std::size_t>(index)]; }

    int newNode(int symbol, std::uint32_t weight) {
        nodes_.push_back({symbol, weight});
        position_.push_back(0);
        return static_cast<int>(nodes_.size() - 1);
    }
    void renumber() {
        for (std::size_t i = 0; i < rank_.size(); ++i) {
            position_[static_cast<std::size_t>(rank_[i])] = i;
        }
    }
    void replaceChild(int parent, int from, int to) {
        if (parent < 0) {
            root_ = to;
            return;
        }
        for (int& child : node(parent).child) {
            if (child == from) {
                child = to;
                return;
            }
        }
    }
    void swapRanks(int a, int b) {
        std::swap(rank_[position(a)], rank_[position(b)]);
        std::swap(position(a), position(b));
    }
    void swapInTree(int a, int b) {
        Node& na = node(a);
        Node& nb = node(b);
        if (na.parent == nb.parent) {
            std::swap(node(na.parent).child[0], node(na.parent).child[1]);
            return;
        }
        const int parentA = na.parent;
        const int parentB = nb.parent;
        replaceChild(parentA, a, b);
        replaceChild(parentB, b, a);
        na.parent = parentB;
        nb.parent = parentA;
    }
    void increment(int which) {
        std::size_t top = position(which);
        const std::uint32_t weight = node(which).weight;
        while (top + 1 < rank_.size() && node(rank_[top + 1]).weight == weight) {
            ++top;
        }
        const int leader = rank_[top];
        if (leader != which) {
            if (leader != node(which).parent) {
                swapInTree(leader, which);
            }
            swapRanks(leader, which);
        }
        ++node(which).weight;
        const int parent = node(which).parent;
        if (parent >= 0) {
            increment(parent);
            const std::size_t nodeAt = position(which);
            if (nodeAt > 0 && rank_[nodeAt - 1] == parent) {
                swapRanks(which, parent);
            }
        }
    }
    void collect(int which, const std::string& path, std::vector<std::string>& out) const {
        const Node& n = node(which);
        if (n.child[0] < 0) {
            out[static_cast<std::size_t>(n.symbol)] = path;
            return;
        }
        collect(n.child[0], path + "0", out);
        collect(n.child[1], path + "1", out);
    }

    std::vector<Node> nodes_;
    std::vector<int> rank_;
    std::vector<std::size_t> position_;
    std::array<int, 256> leaves_{};
    int escape_ = -1;
    int root_ = -1;
};

TEST(HuffmanCode, IsTheCodeTheEngineDerivesFromItsByteCounts) {
    AdaptiveCoder coder;
    for (int value = 0; value < 256; ++value) {
        for (std::uint32_t i = 0; i < ByteCounts[static_cast<std::size_t>(value)]; ++i) {
            coder.add(value);
        }
    }
    const std::vector<std::string> derived = coder.codes();
    for (std::size_t symbol = 0; symbol < derived.size(); ++symbol) {
        EXPECT_EQ(HuffmanCodes[symbol], derived[symbol]) << "symbol " << symbol;
    }
}

TEST(HuffmanCode, DecodeTableGivesEveryCodeItsSymbol) {
    for (std::size_t symbol = 0; symbol < HuffmanCodes.size(); ++symbol) {
        const std::string_view code = HuffmanCodes[symbol];
        unsigned lookAhead = 0;
        for (std::size_t bit = 0; bit < code.size(); ++bit) {
            lookAhead |= (code[bit] == '1' ? 1u : 0u) << bit;
        }
        // Whatever follows the code must not change the result.
        for (const unsigned rest : {0u, 0x7FFu}) {
            const unsigned index = (lookAhead | rest << code.size()) & 0x7FFu;
            const unsigned entry = demoreader::HuffmanDecode.entries[index];
            EXPECT_EQ(entry & 0x1FFu, symbol);
            EXPECT_EQ(entry >> 9, code.size());
        }
    }
}

} // namespace
} // namespace fenlark::test
