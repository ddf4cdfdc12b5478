// The block encoder. The successor table at any output position depends only on the
// bytes before it, not on the codes that produced them, so the cheapest code sequence
// is a shortest path over the 513 positions: a forward pass notes where successor codes
// fit, a backward pass finds the cheapest stream from each position to the end.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "bitbase/block_codec.h"
#include "bitbase/successor_table.h"

namespace tolvaren {

namespace {

constexpr int MaxCopy = 259;

// The high nibble that occurs least often marks codes; the lowest one among equals.
int chooseMarker(const uint8_t* block) {
    int count[16] = {};
    for (int i = 0; i < BlockBytes; ++i) ++count[block[i] >> 4];
    return static_cast<int>(std::min_element(count, count + 16) - count);
}

// W0 gets the cheap short runs, W1 the long ones: score both choices over the runs of
// 0x00 and 0xFF after byte 0.
uint8_t chooseW0(const uint8_t* block) {
    int score[2] = {0, 0};  // W0 = 0x00, W0 = 0xFF
    for (int i = 1; i < BlockBytes;) {
        const uint8_t b = block[i];
        int j = i + 1;
        while (j < BlockBytes && block[j] == b) ++j;
        const int n = j - i;
        if (b == 0x00 || b == 0xFF) {
            const int own = b == 0xFF ? 1 : 0, other = 1 - own;
            if (n == 2) {
                score[own] += 1;
            } else if (n >= 3 && n <= 9) {
                score[own] += 2;
                score[other] += 1;
            } else if (n >= 10 && n <= 26) {
                score[own] += 1;
                score[other] += 1;
            } else if (n >= 27 && n <= 258) {
                score[other] += 1;
            }
        }
        i = j;
    }
    return score[1] > score[0] ? 0xFF : 0x00;
}

enum class Kind : uint8_t {
    Literal,
    RunW0Short,
    RunW0Long,
    RunW1,
    Three,
    RunOfByte,
    Four,
    Chain,
    CopyB,
    CopyA,
    CopyLong
};

struct Choice {
    Kind kind;
    uint16_t length;
};

class Encoder {
   public:
    explicit Encoder(const uint8_t* block) : block_(block) {}

    int encode(uint8_t* out) {
        marker_ = chooseMarker(block_);
        w0_ = chooseW0(block_);
        findSuccessorCodes();
        findCheapest();
        int size = 0;
        out[size++] = static_cast<uint8_t>(marker_ << 4 | (w0_ == 0xFF ? 1 : 0));
        for (int pos = 0; pos < BlockBytes; pos += choice_[pos].length) size += emit(pos, out + size);
        return size;
    }

   private:
    uint8_t code(int low) const { return static_cast<uint8_t>(marker_ << 4 | low); }

    // Where the four-successor code and the successor chain fit, with their argument bytes.
    void findSuccessorCodes() {
        SuccessorTable table;
        table.reset(w0_);
        uint8_t previous = w0_;
        for (int pos = 0; pos < BlockBytes; ++pos) {
            four_[pos] = -1;
            uint8_t from = previous;
            int ranks = 0;
            for (int i = 0; i < 4 && pos + i < BlockBytes; ++i) {
                const int rank = table.rankOf(from, block_[pos + i]);
                if (rank < 0) break;
                ranks |= rank << (2 * i);
                from = block_[pos + i];
                if (i == 3) four_[pos] = static_cast<int16_t>(ranks);
            }
            from = previous;
            int bits = 0, length = 0;
            for (int i = 0; i < 7 && pos + i < BlockBytes; ++i) {
                const int rank = table.rankOf(from, block_[pos + i]);
                if (rank < 0 || rank > 1) break;
                bits |= rank << i;
                from = block_[pos + i];
                length = i + 1;
            }
            chainLength_[pos] = static_cast<uint8_t>(length);
            chainBits_[pos] = static_cast<uint8_t>(bits);
            table.update(previous, block_[pos]);
            previous = block_[pos];
        }
    }

    // Cheapest cost of cost_[pos + lo .. pos + hi] and the first length giving it.
    int cheapest(int pos, int lo, int hi, int* length) const {
        uint16_t best = 0xFFFF;
        for (int n = lo; n <= hi; ++n) best = std::min(best, cost_[pos + n]);
        int n = lo;
        while (cost_[pos + n] != best) ++n;
        *length = n;
        return best;
    }

    void consider(int pos, int lo, int hi, int size, Kind kind) {
        if (lo > hi) return;
        int n;
        const int total = cheapest(pos, lo, hi, &n) + size;
        if (total < bestCost_) {
            bestCost_ = total;
            choice_[pos] = {kind, static_cast<uint16_t>(n)};
        }
    }

    void findCheapest() {
        for (int i = 0; i < BlockBytes; ++i) rev_[i] = block_[BlockBytes - 1 - i];
        std::fill(match_, match_ + BlockBytes + 1, 0);
        cost_[BlockBytes] = 0;
        int run = 0;
        for (int pos = BlockBytes - 1; pos >= 0; --pos) {
            const uint8_t b = block_[pos];
            run = pos + 1 < BlockBytes && block_[pos + 1] == b ? run + 1 : 1;
            updateMatches(pos);

            bestCost_ = 0xFFFF;
            consider(pos, 1, 1, (b >> 4) == marker_ ? 2 : 1, Kind::Literal);
            if (b == w0_) {
                consider(pos, 2, std::min(run, 9), 1, Kind::RunW0Short);
                consider(pos, 19, std::min(run, 26), 2, Kind::RunW0Long);
            }
            if (b == (w0_ ^ 0xFF)) consider(pos, 3, std::min(run, 258), 2, Kind::RunW1);
            consider(pos, 3, std::min(run, 3), 2, Kind::Three);
            consider(pos, 4, std::min(run, 259), 3, Kind::RunOfByte);
            if (four_[pos] >= 0) consider(pos, 4, 4, 2, Kind::Four);
            consider(pos, 3, chainLength_[pos], 2, Kind::Chain);
            considerCopies(pos);
            cost_[pos] = static_cast<uint16_t>(bestCost_);
        }
    }

    // match_[d]: how many bytes from pos equal those d positions earlier (at most MaxCopy).
    void updateMatches(int pos) {
        const uint8_t c = block_[pos];
        const uint8_t* earlier = rev_ + (BlockBytes - 1 - pos);  // earlier[d] = block_[pos - d]
        for (int d = 1; d <= pos; ++d)
            match_[d] =
                earlier[d] == c ? static_cast<uint16_t>(std::min(match_[d] + 1, MaxCopy)) : uint16_t{0};
        match_[pos + 1] = 0;  // no longer a distance inside the block
    }

    // A copy of n bytes at distance d = gap + n needs n <= d (no overlap), n within the
    // match at d and the gap within the code's range.
    bool copyFits(int pos, int n, int maxGap) const {
        uint16_t best = 0;
        for (int d = n; d <= std::min(n + maxGap, pos); ++d) best = std::max(best, match_[d]);
        return best >= n;
    }

    void considerCopies(int pos) {
        if (pos < 3) return;
        for (int n = 3; n <= 6; ++n)
            if (copyFits(pos, n, 63)) consider(pos, n, n, 2, Kind::CopyB);
        for (int n = 7; n <= 21; ++n)
            if (copyFits(pos, n, 15)) consider(pos, n, n, 2, Kind::CopyA);

        // Long copies: every distance up to 259 allows lengths 4 .. min(d, match); a
        // longer distance d only lengths from d - 255 on.
        int reach = 0;
        for (int d = 1; d <= std::min(pos, MaxCopy); ++d)
            reach = std::max(reach, std::min<int>(d, match_[d]));
        consider(pos, 4, reach, 3, Kind::CopyLong);
        int farthest = -1;
        for (int d = MaxCopy + 1; d <= pos; ++d) farthest = std::max(farthest, match_[d] + 255 - d);
        if (farthest < 0) return;
        for (int d = MaxCopy + 1; d <= pos; ++d)
            if (match_[d] + 255 >= d)
                consider(pos, d - 255, std::min<int>(match_[d], MaxCopy), 3, Kind::CopyLong);
    }

    // The distance of a chosen copy: the first one whose bytes match within the gap range.
    int distanceFor(int pos, int n, int maxGap) const {
        for (int d = n; d <= std::min(n + maxGap, pos); ++d)
            if (std::memcmp(block_ + pos, block_ + pos - d, static_cast<size_t>(n)) == 0) return d;
        return -1;  // cannot happen: the search above saw one
    }

    int emit(int pos, uint8_t* out) const {
        const int n = choice_[pos].length;
        const uint8_t b = block_[pos];
        switch (choice_[pos].kind) {
            case Kind::Literal:
                if ((b >> 4) != marker_) {
                    out[0] = b;
                    return 1;
                }
                out[0] = code(0);
                out[1] = b & 15;
                return 2;
            case Kind::RunW0Short:
                out[0] = code(n + 6);
                return 1;
            case Kind::RunW0Long:
                out[0] = code(3);
                out[1] = static_cast<uint8_t>(n - 19);
                return 2;
            case Kind::RunW1:
                out[0] = code(7);
                out[1] = static_cast<uint8_t>(n - 3);
                return 2;
            case Kind::Three:
                out[0] = code(5);
                out[1] = b;
                return 2;
            case Kind::RunOfByte:
                out[0] = code(6);
                out[1] = static_cast<uint8_t>(n - 4);
                out[2] = b;
                return 3;
            case Kind::Four:
                out[0] = code(4);
                out[1] = static_cast<uint8_t>(four_[pos]);
                return 2;
            case Kind::Chain:
                out[0] = code(3);
                out[1] = static_cast<uint8_t>((chainBits_[pos] & ((1 << n) - 1)) | 1 << n);
                return 2;
            case Kind::CopyB:
                out[0] = code(1);
                out[1] = static_cast<uint8_t>((n - 3) << 6 | (distanceFor(pos, n, 63) - n));
                return 2;
            case Kind::CopyA:
                out[0] = code(0);
                out[1] = static_cast<uint8_t>((n - 6) << 4 | (distanceFor(pos, n, 15) - n));
                return 2;
            case Kind::CopyLong:
                out[0] = code(2);
                out[1] = static_cast<uint8_t>(n - 4);
                out[2] = static_cast<uint8_t>(distanceFor(pos, n, 255) - n);
                return 3;
        }
        return 0;
    }

    const uint8_t* block_;
    int marker_ = 0;
    uint8_t w0_ = 0;
    int bestCost_ = 0;
    uint8_t rev_[BlockBytes];
    uint16_t match_[BlockBytes + 1];
    uint16_t cost_[BlockBytes + 1];
    int16_t four_[BlockBytes];
    uint8_t chainLength_[BlockBytes], chainBits_[BlockBytes];
    Choice choice_[BlockBytes];
};

}  // namespace

int compressBlock(const uint8_t* block, uint8_t* out) {
    Encoder encoder(block);
    return encoder.encode(out);
}

}  // namespace tolvaren
