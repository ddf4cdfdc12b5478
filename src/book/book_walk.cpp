#include "book/book_walk.h"

#include <cmath>
#include <fstream>
#include <memory>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "book/book.h"

namespace tolvaren {

namespace {

// Depth-first walk over the book with one state record per ply on the heap, and the
// keys of the current line to stop at cycles.
class BookWalk {
   public:
    explicit BookWalk(const Buch_t& book)
        : book_(book), pos_(std::make_unique<Stellung_t>()), levels_(MaxWalkDepth + 1) {
        setStartPosition(*pos_, levels_[0].state);
    }

    // Reach probabilities: every visit adds its probability to the position's entry.
    void reach(double p, ReachMap& map) {
        const uint64_t key = enter();
        if (key == 0) return;
        map[key] += p;
        const auto [first, last] = book_.entriesOf(key);
        const double total = weightSum(first, last);
        if (total > 0)
            for (const Bucheintrag_t* e = first; e != last; ++e) {
                if (e->weight == 0 || !play(e->move)) continue;
                reach(p * e->weight / total, map);
                back();
            }
        path_.pop_back();
    }

    // End positions: written once (their probability is then cleared).
    void ends(ReachMap& map, std::vector<EndPosition>& out) {
        const uint64_t key = enter();
        if (key == 0) return;
        const auto [first, last] = book_.entriesOf(key);
        if (first != last && weightSum(first, last) > 0) {
            bool allLeaves = true;
            for (const Bucheintrag_t* e = first; e != last; ++e) {
                if (!play(e->move)) continue;
                if (!isLeaf()) {
                    allLeaves = false;
                    ends(map, out);
                }
                back();
            }
            double& p = map[key];
            if (allLeaves && p > 0) {
                out.push_back({p, whiteFen()});
                p = 0;
            }
        }
        path_.pop_back();
    }

   private:
    struct Level {
        Zustand_t state;
        Rueckzug_t undo;
    };

    static double weightSum(const Bucheintrag_t* first, const Bucheintrag_t* last) {
        double total = 0;
        for (const Bucheintrag_t* e = first; e != last; ++e) total += e->weight;
        return total;
    }

    // Puts the position on the line; 0 when it is on it already.
    uint64_t enter() {
        const uint64_t key = whiteViewKey(*pos_, levels_[depth_].state);
        for (uint64_t k : path_)
            if (k == key) return 0;
        path_.push_back(key);
        return key;
    }

    bool isLeaf() const {
        const uint64_t key = whiteViewKey(*pos_, levels_[depth_].state);
        for (uint64_t k : path_)
            if (k == key) return true;
        const auto [first, last] = book_.entriesOf(key);
        return first == last || weightSum(first, last) <= 0 || depth_ == MaxWalkDepth;
    }

    bool play(uint32_t stored) {
        if (depth_ == MaxWalkDepth) return false;
        const Zug_t move = static_cast<Zug_t>(pos_->side == Black ? stored ^ MirrorMoveMask : stored);
        const Zustand_t& state = levels_[depth_].state;
        if (moveKind(move) == ZugKeiner || !isLegal(*pos_, move, state)) return false;
        Level& next = levels_[depth_ + 1];
        if (!playMove(*pos_, move, state, next.state, next.undo)) return false;
        ++depth_;
        return true;
    }
    void back() { takeBack(levels_[depth_--].undo); }

    std::string whiteFen() const {
        char text[FenBufferSize];
        if (pos_->side == White) return writeFen(*pos_, text);
        auto flipped = std::make_unique<Stellung_t>();
        flipColors(*pos_, *flipped);
        return writeFen(*flipped, text);
    }

    const Buch_t& book_;
    std::unique_ptr<Stellung_t> pos_;
    std::vector<Level> levels_;
    std::vector<uint64_t> path_;
    int depth_ = 0;
};

}  // namespace

ReachMap reachProbabilities(const Buch_t& book) {
    ReachMap map;
    if (book.entries().empty()) return map;
    BookWalk(book).reach(1.0, map);
    return map;
}

double bookEntropy(const Buch_t& book) {
    double sum = 0;
    for (const auto& [key, p] : reachProbabilities(book))
        if (p > 0) sum += p * std::log(p);
    // A book of one position sums to 0 * log 1; "-0.00" would look like a fault.
    const double entropy = sum / -std::log(2.0);
    return entropy > 0 ? entropy : 0.0;
}

std::vector<EndPosition> endPositions(const Buch_t& book) {
    std::vector<EndPosition> out;
    ReachMap map = reachProbabilities(book);
    if (map.empty()) return out;
    BookWalk(book).ends(map, out);
    return out;
}

bool writeEndPositions(const Buch_t& book, const std::string& fileName) {
    const std::vector<EndPosition> ends = endPositions(book);
    std::ofstream out(fileName, std::ios::trunc);
    if (!out) return false;
    for (const EndPosition& e : ends) out << e.probability << ' ' << e.fen << '\n';
    out.close();
    return static_cast<bool>(out);
}

}  // namespace tolvaren
