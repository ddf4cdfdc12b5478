// The block encoder. The successor table at any output position depends only on the
// bytes before it, not on the codes that produced them, so the cheapest code sequence
// is a shortest path over the 513 positions, found in one forward pass.
#include <algorithm>
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

// The code that ends the cheapest stream reaching an output position.
struct Step {
    uint16_t cost;
    uint16_t from;
    uint8_t size;
    uint8_t bytes[3];
};

class Encoder {
   public:
    Encoder(const uint8_t* block) : block_(block) {}

    int encode(uint8_t* out) {
        marker_ = chooseMarker(block_);
        w0_ = chooseW0(block_);
        findSteps();
        // Walk back from the end, then emit the codes in order.
        int order[BlockBytes];
        int n = 0;
        for (int pos = BlockBytes; pos > 0; pos = step_[pos].from) order[n++] = pos;
        int size = 0;
        out[size++] = static_cast<uint8_t>(marker_ << 4 | (w0_ == 0xFF ? 1 : 0));
        while (n > 0) {
            const Step& s = step_[order[--n]];
            std::memcpy(out + size, s.bytes, s.size);
            size += s.size;
        }
        return size;
    }

   private:
    uint8_t code(int low) const { return static_cast<uint8_t>(marker_ << 4 | low); }

    void relax(int pos, int n, int size, uint8_t b0, uint8_t b1 = 0, uint8_t b2 = 0) {
        const int cost = step_[pos].cost + size;
        Step& s = step_[pos + n];
        if (cost >= s.cost) return;
        s = {static_cast<uint16_t>(cost),
             static_cast<uint16_t>(pos),
             static_cast<uint8_t>(size),
             {b0, b1, b2}};
    }

    void findSteps() {
        for (int pos = 0; pos <= BlockBytes; ++pos) step_[pos].cost = 0xFFFF;
        step_[0].cost = 0;
        int runLength[BlockBytes];
        runLength[BlockBytes - 1] = 1;
        for (int i = BlockBytes - 2; i >= 0; --i)
            runLength[i] = block_[i] == block_[i + 1] ? runLength[i + 1] + 1 : 1;

        table_.reset(w0_);
        uint8_t previous = w0_;
        for (int pos = 0; pos < BlockBytes; ++pos) {
            const uint8_t b = block_[pos];
            if ((b >> 4) != marker_)
                relax(pos, 1, 1, b);
            else
                relax(pos, 1, 2, code(0), b & 15);
            addRuns(pos, runLength[pos]);
            addSuccessors(pos, previous);
            updateMatches(pos);
            addCopies(pos);
            table_.update(previous, b);
            previous = b;
        }
    }

    void addRuns(int pos, int n) {
        const uint8_t b = block_[pos];
        if (b == w0_) {
            for (int k = 2; k <= std::min(n, 9); ++k) relax(pos, k, 1, code(k + 6));
            for (int k = 19; k <= std::min(n, 26); ++k)
                relax(pos, k, 2, code(3), static_cast<uint8_t>(k - 19));
        }
        if (b == (w0_ ^ 0xFF))
            for (int k = 3; k <= std::min(n, 258); ++k)
                relax(pos, k, 2, code(7), static_cast<uint8_t>(k - 3));
        if (n >= 3) relax(pos, 3, 2, code(5), b);
        for (int k = 4; k <= std::min(n, 259); ++k) relax(pos, k, 3, code(6), static_cast<uint8_t>(k - 4), b);
    }

    // Successor codes read the table as it stands before them, that is table_ here.
    void addSuccessors(int pos, uint8_t previous) {
        uint8_t from = previous;
        int ranks = 0;
        for (int i = 0; i < 4 && pos + i < BlockBytes; ++i) {
            const int rank = table_.rankOf(from, block_[pos + i]);
            if (rank < 0) break;
            ranks |= rank << (2 * i);
            from = block_[pos + i];
            if (i == 3) relax(pos, 4, 2, code(4), static_cast<uint8_t>(ranks));
        }
        from = previous;
        int bits = 0;
        for (int i = 0; i < 7 && pos + i < BlockBytes; ++i) {
            const int rank = table_.rankOf(from, block_[pos + i]);
            if (rank < 0 || rank > 1) break;
            bits |= rank << i;
            from = block_[pos + i];
            if (i >= 2) relax(pos, i + 1, 2, code(3), static_cast<uint8_t>(bits | 1 << (i + 1)));
        }
    }

    // match_[d]: how many bytes from pos equal those d positions earlier (at most MaxCopy).
    void updateMatches(int pos) {
        const int limit = std::min(MaxCopy, BlockBytes - pos);
        for (int d = 1; d <= pos; ++d) {
            const int before = d < pos ? match_[d] : 0;
            if (before >= 1 && before < MaxCopy) {
                match_[d] = before - 1;
                continue;
            }
            int t = 0;
            while (t < limit && block_[pos + t] == block_[pos - d + t]) ++t;
            match_[d] = t;
        }
    }

    // A copy of n bytes at distance d = gap + n needs n <= d (no overlap), gap within the
    // code's range and n within the match. The lower ends of these ranges rise with d,
    // so one sweep over n finds, for every length, a distance that allows it.
    void copyKind(int pos, int minLength, int maxLength, int maxGap, int low, int size) {
        int d = 1, bestHigh = 0, bestD = 0;
        for (int n = minLength; n <= maxLength; ++n) {
            for (; d <= pos && std::max(minLength, d - maxGap) <= n; ++d) {
                const int high = std::min({maxLength, d, match_[d]});
                if (high > bestHigh) {
                    bestHigh = high;
                    bestD = d;
                }
            }
            if (bestHigh < n) {
                if (d > pos) return;
                continue;
            }
            const int gap = bestD - n;
            if (low == 0)
                relax(pos, n, size, code(0), static_cast<uint8_t>((n - 6) << 4 | gap));
            else if (low == 1)
                relax(pos, n, size, code(1), static_cast<uint8_t>((n - 3) << 6 | gap));
            else
                relax(pos, n, size, code(2), static_cast<uint8_t>(n - 4), static_cast<uint8_t>(gap));
        }
    }

    void addCopies(int pos) {
        if (pos < 3) return;
        copyKind(pos, 3, 6, 63, 1, 2);
        copyKind(pos, 7, 21, 15, 0, 2);
        copyKind(pos, 4, std::min(MaxCopy, BlockBytes - pos), 255, 2, 3);
    }

    const uint8_t* block_;
    int marker_ = 0;
    uint8_t w0_ = 0;
    SuccessorTable table_;
    Step step_[BlockBytes + 1];
    int match_[BlockBytes];
};

}  // namespace

int compressBlock(const uint8_t* block, uint8_t* out) {
    Encoder encoder(block);
    return encoder.encode(out);
}

}  // namespace tolvaren
