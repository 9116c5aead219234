#include "core/archive/LzhHuffman.h"

#include <algorithm>
#include <vector>

namespace romshelf::archive {

namespace {

// Depth of every leaf of a Huffman tree over the (frequency, symbol) pairs, sorted ascending by
// frequency. Two queues (leaves, merged nodes) give the tree in linear time.
std::vector<int> leafDepths(const std::vector<std::pair<std::uint32_t, int>>& leaves) {
    const int n = static_cast<int>(leaves.size());
    // Nodes 0..n-1 are leaves, n..2n-2 internal nodes in creation order.
    std::vector<std::uint64_t> weight(2 * n - 1);
    std::vector<int> parent(2 * n - 1, -1);
    for (int i = 0; i < n; ++i) weight[i] = leaves[i].first;
    int nextLeaf = 0;
    int nextNode = n;
    int created = n;
    auto takeSmallest = [&]() {
        if (nextLeaf < n && (nextNode >= created || weight[nextLeaf] <= weight[nextNode])) {
            return nextLeaf++;
        }
        return nextNode++;
    };
    while (created < 2 * n - 1) {
        int a = takeSmallest();
        int b = takeSmallest();
        weight[created] = weight[a] + weight[b];
        parent[a] = created;
        parent[b] = created;
        ++created;
    }
    // Parents are created after their children, so one backward pass gives every depth.
    std::vector<int> depth(2 * n - 1, 0);
    for (int i = 2 * n - 3; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    depth.resize(n);
    return depth;
}

}  // namespace

int lzhCodeLengths(const std::uint32_t* freq, int count, int maxBits, std::uint8_t* lengths) {
    std::vector<std::pair<std::uint32_t, int>> leaves;
    for (int i = 0; i < count; ++i) {
        lengths[i] = 0;
        if (freq[i] != 0) leaves.emplace_back(freq[i], i);
    }
    const int used = static_cast<int>(leaves.size());
    if (used < 2) return used;
    std::sort(leaves.begin(), leaves.end());

    // How many codes of each length, with overlong ones first cut to maxBits.
    std::vector<int> lengthCount(maxBits + 2, 0);
    for (int d : leafDepths(leaves)) ++lengthCount[std::min(d, maxBits)];

    // Cutting overfills the code space; each step below frees exactly one unit of the deepest
    // level: one maxBits code goes, and a shorter leaf is split into two one level deeper.
    std::uint64_t space = 0;
    for (int len = 1; len <= maxBits; ++len) {
        space += static_cast<std::uint64_t>(lengthCount[len]) << (maxBits - len);
    }
    const std::uint64_t full = std::uint64_t{1} << maxBits;
    while (space > full) {
        --lengthCount[maxBits];
        for (int len = maxBits - 1; len > 0; --len) {
            if (lengthCount[len] != 0) {
                --lengthCount[len];
                lengthCount[len + 1] += 2;
                break;
            }
        }
        --space;
    }

    // Shortest codes to the most frequent symbols.
    int len = 1;
    for (int i = used - 1; i >= 0; --i) {
        while (lengthCount[len] == 0) ++len;
        --lengthCount[len];
        lengths[leaves[i].second] = static_cast<std::uint8_t>(len);
    }
    return used;
}

void lzhCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    int lengthCount[kLzhMaxCodeBits + 2] = {};
    for (int i = 0; i < count; ++i) ++lengthCount[lengths[i]];
    lengthCount[0] = 0;
    unsigned next[kLzhMaxCodeBits + 2] = {};
    for (int len = 1; len <= kLzhMaxCodeBits; ++len) {
        next[len + 1] = (next[len] + lengthCount[len]) << 1;
    }
    for (int i = 0; i < count; ++i) {
        codes[i] = lengths[i] ? static_cast<std::uint16_t>(next[lengths[i]]++) : 0;
    }
}

}  // namespace romshelf::archive
