#include "book/book_learning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <unordered_map>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "pgn/pgn_reader.h"

namespace tolvaren {

namespace {

uint32_t forWhite(Zug_t move, int side) {
    return side == Black ? move ^ MirrorMoveMask : uint32_t{move};
}
Zug_t forSide(uint32_t stored, int side) {
    return static_cast<Zug_t>(side == Black ? stored ^ MirrorMoveMask : stored);
}

// Expected score of a player rated `own` against `other`.
double expectedScore(int own, int other) {
    return 1.0 / (1.0 + std::pow(10.0, (other - own) / 400.0));
}

// Little-endian encoding, whatever the machine's order.
void putBytes(std::string& out, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putDouble(std::string& out, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    putBytes(out, bits, 8);
}

class ByteReader {
   public:
    explicit ByteReader(const std::string& data) : data_(data) {}
    bool get(uint64_t& v, int n) {
        if (data_.size() - pos_ < static_cast<size_t>(n)) return false;
        v = 0;
        for (int i = 0; i < n; ++i) v |= uint64_t{static_cast<unsigned char>(data_[pos_ + i])} << (8 * i);
        pos_ += n;
        return true;
    }
    bool getDouble(double& d) {
        uint64_t bits;
        if (!get(bits, 8)) return false;
        std::memcpy(&d, &bits, 8);
        return std::isfinite(d);
    }
    size_t left() const { return data_.size() - pos_; }

   private:
    const std::string& data_;
    size_t pos_ = 0;
};

void encodeRecord(std::string& out, const Lerneintrag_t& r) {
    putDouble(out, r.games);
    putDouble(out, r.points);
    putDouble(out, r.scored);
    putDouble(out, r.analysed);
    uint32_t bits;
    std::memcpy(&bits, &r.value, 4);
    putBytes(out, bits, 4);
    putBytes(out, r.move, 4);
    putBytes(out, r.written, 1);
    putBytes(out, 0, 7);
}

bool decodeRecord(ByteReader& in, Lerneintrag_t& r) {
    uint64_t v, move, written, reserved;
    if (!in.getDouble(r.games) || !in.getDouble(r.points) || !in.getDouble(r.scored) ||
        !in.getDouble(r.analysed) || !in.get(v, 4) || !in.get(move, 4) || !in.get(written, 1) ||
        !in.get(reserved, 7))
        return false;
    const uint32_t bits = static_cast<uint32_t>(v);
    std::memcpy(&r.value, &bits, 4);
    r.move = static_cast<uint32_t>(move);
    r.written = 0;
    std::memset(r.reserved, 0, sizeof r.reserved);
    // What this program never writes marks a foreign or damaged file.
    return r.games >= 0 && r.points >= 0 && r.scored <= r.games + 1e-9 && r.points <= r.scored + 1e-9 && r.move <= 0xFFFF &&
           moveKind(static_cast<Zug_t>(r.move)) != ZugKeiner && std::isfinite(r.value);
}

// The position of a walk over the learned tree, with one state record per ply.
class Walk {
   public:
    Walk() : pos_(std::make_unique<Stellung_t>()), levels_(MaxLearnPly + 1) {
        setStartPosition(*pos_, levels_[0].state);
    }
    const Stellung_t& pos() const { return *pos_; }
    const Zustand_t& state() const { return levels_[depth_].state; }
    int depth() const { return depth_; }
    uint64_t key() const { return whiteViewKey(*pos_, state()); }
    bool canDeepen() const { return depth_ < MaxLearnPly; }

    // The stored move made for the side to move, when it is legal here.
    bool play(uint32_t stored, Zug_t* made = nullptr) {
        if (!canDeepen()) return false;
        const Zug_t move = forSide(stored, pos_->side);
        if (moveKind(move) == ZugKeiner || !isLegal(*pos_, move, state())) return false;
        Level& next = levels_[depth_ + 1];
        if (!playMove(*pos_, move, state(), next.state, next.undo)) return false;
        ++depth_;
        if (made) *made = move;
        return true;
    }
    void back() { takeBack(levels_[depth_--].undo); }

   private:
    struct Level {
        Zustand_t state;
        Rueckzug_t undo;
    };
    std::unique_ptr<Stellung_t> pos_;
    std::vector<Level> levels_;
    int depth_ = 0;
};

}  // namespace

int bookWeight(double value, double best, double width) {
    if (width <= 0) return value >= best ? 99 : 0;
    return std::max(0, static_cast<int>(((value - best) + width) * 99 / width));
}

void Buchlernen_t::learn(uint64_t key, uint32_t move, double games, double points, bool scored,
                         bool analysed) {
    std::vector<Lerneintrag_t>& moves = records_[key];
    auto it =
        std::find_if(moves.begin(), moves.end(), [&](const Lerneintrag_t& r) { return r.move == move; });
    if (it == moves.end()) {
        moves.push_back(Lerneintrag_t{});
        it = moves.end() - 1;
        it->move = move;
    }
    it->games += games;
    if (scored) {
        it->points += points;
        it->scored += games;
    }
    if (analysed) it->analysed += games;
}

size_t Buchlernen_t::recordCount() const {
    size_t n = 0;
    for (const auto& [key, moves] : records_) n += moves.size();
    return n;
}

long Buchlernen_t::addGames(const std::string& fileName, unsigned value, bool calcElo) {
    PgnLeser_t reader;
    if (!reader.open(fileName)) return 0;
    auto game = std::make_unique<Partie_t>();
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t states[2];
    const double weight = value / 1000.0;
    long learned = 0;
    while (!reader.atEnd()) {
        int result = 3, whiteElo = 0, blackElo = 0;
        std::string fen;
        if (!readGameFiltered(reader, *game, 0, &result, &whiteElo, &blackElo, &fen)) {
            if (reader.atEnd()) break;
            reader.skipToNextGame();
            continue;
        }
        // The tree grows from the standard start: set-up games could not be reached.
        if (!fen.empty()) continue;
        // White's score. A game without a result still counts for its moves (opening
        // collections have none), but says nothing about how they score.
        double white = result == 0 ? 1.0 : result == 1 ? 0.0 : 0.5;
        const bool scored = result != 3;
        if (scored && calcElo && whiteElo > 0 && blackElo > 0)
            white = std::clamp(white - expectedScore(whiteElo, blackElo) + 0.5, 0.0, 1.0);
        *pos = game->start;
        states[0] = game->startState;
        int current = 0;
        const int plies = std::min<int>(static_cast<int>(game->moves.size()), MaxLearnPly);
        for (int ply = 0; ply < plies; ++ply) {
            const Zug_t move = game->moves[ply];
            const int side = pos->side;
            learn(whiteViewKey(*pos, states[current]), forWhite(move, side), weight,
                  weight * (side == White ? white : 1.0 - white), scored, false);
            Rueckzug_t undo;
            if (!playMove(*pos, move, states[current], states[current ^ 1], undo)) break;
            current ^= 1;
        }
        ++learned;
    }
    return learned;
}

long Buchlernen_t::addPositions(const std::string& fileName, unsigned value) {
    std::ifstream in(fileName);
    if (!in) {
        std::cerr << "info string error opening file: " << fileName << std::endl;
        return 0;
    }
    const double weight = value / 1000.0;
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    std::string line;
    long learned = 0;
    while (std::getline(in, line)) {
        long centipawns = 0;
        char moveText[16], *end = nullptr;
        centipawns = std::strtol(line.c_str(), &end, 10);
        int used = 0;
        if (end == line.c_str() || std::sscanf(end, " %15s %n", moveText, &used) != 1) continue;
        if (!readFen(*pos, state, std::string_view(end + used))) continue;
        const Zug_t move = readCoordinate(*pos, moveText);
        if (move == 0 || !isLegal(*pos, move, state)) continue;
        const uint64_t key = whiteViewKey(*pos, state);
        if (!keys_.insert(key).second) continue;
        // The search's score as an expected score, on the usual logistic scale.
        const double expected = 1.0 / (1.0 + std::pow(10.0, -std::clamp(centipawns, -2000L, 2000L) / 400.0));
        learn(key, forWhite(move, pos->side), weight, weight * expected, true, true);
        ++learned;
    }
    return learned;
}

bool Buchlernen_t::writeMemory(const std::string& fileName) const {
    std::string out;
    putBytes(out, lock_, 1);
    putDouble(out, prior_);
    putDouble(out, threshold_);
    putBytes(out, keys_.size(), 4);
    for (uint64_t key : keys_) putBytes(out, key, 8);
    putBytes(out, recordCount(), 4);
    for (const auto& [key, moves] : records_)
        for (const Lerneintrag_t& r : moves) {
            putBytes(out, key, 8);
            encodeRecord(out, r);
        }
    // Written beside the old file and renamed over it: an interrupted write leaves
    // the previous memory intact.
    const std::string temporary = fileName + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::cerr << "info string error opening the output file " << fileName << std::endl;
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::cerr << "info string error writing file: " << fileName << std::endl;
        return false;
    }
    return true;
}

bool Buchlernen_t::readMemory(const std::string& fileName) {
    std::string data;
    {
        std::ifstream in(fileName, std::ios::binary);
        if (in) data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) data.clear();
    }
    // Everything is read into a fresh object first: a bad file changes nothing.
    Buchlernen_t fresh;
    ByteReader r(data);
    uint64_t lock, keyCount, recordTotal;
    bool ok = r.get(lock, 1) && lock <= 1 && r.getDouble(fresh.prior_) && r.getDouble(fresh.threshold_) &&
              r.get(keyCount, 4) && keyCount <= r.left() / 8;
    for (uint64_t i = 0; ok && i < keyCount; ++i) {
        uint64_t key;
        ok = r.get(key, 8) && fresh.keys_.insert(key).second;
    }
    ok = ok && r.get(recordTotal, 4) && recordTotal * 56 == r.left();
    for (uint64_t i = 0; ok && i < recordTotal; ++i) {
        uint64_t key;
        Lerneintrag_t rec{};
        ok = r.get(key, 8) && decodeRecord(r, rec);
        if (ok) fresh.records_[key].push_back(rec);
    }
    if (!ok) {
        std::cerr << "info string error reading file: " << fileName << std::endl;
        return false;
    }
    fresh.lock_ = static_cast<uint8_t>(lock);
    *this = std::move(fresh);
    return true;
}

namespace {

// The writer's work: values over the tree, then the text.
class BookWriter {
   public:
    BookWriter(Buchlernen_t::Records& records, double threshold, double prior, double width)
        : records_(records), threshold_(threshold), prior_(prior), width_(width) {}

    // The best known value of the walk's position (negative when none is known), over
    // the moves written and the moves a search chose. Each position is valued once; one
    // on the current line counts as unknown, so a cycle of records ends.
    double valuePosition(Walk& walk) {
        const uint64_t key = walk.key();
        const auto known = values_.find(key);
        if (known != values_.end()) return known->second;
        const auto it = records_.find(key);
        if (it == records_.end()) return -1;
        values_[key] = -1;  // on the line
        double best = -1;
        for (Lerneintrag_t& r : it->second) {
            // The move's own score, drawn towards even by the prior's worth of games.
            const double weight = r.scored + prior_;
            const double own = weight > 0 ? 100.0 * (r.points + prior_ / 2) / weight : 50.0;
            double value = own;
            double reply = -1;
            if (walk.play(r.move)) {
                reply = valuePosition(walk);
                walk.back();
            }
            // The opponent's best answer counts as much as the prior: it settles a move
            // with few scored games and hardly moves one with many.
            if (reply >= 0 && weight > 0) value = (r.scored * own + prior_ * (100.0 - reply)) / weight;
            r.value = static_cast<float>(value);
            const bool valued = r.scored > 0 || reply >= 0;
            if (valued && (r.games >= threshold_ || r.analysed > 0)) best = std::max(best, value);
        }
        values_[key] = best;
        return best;
    }

    void write(Walk& walk, std::ostream& out) {
        const auto it = records_.find(walk.key());
        if (it == records_.end() || it->second.empty() || it->second.front().written) return;
        std::vector<Lerneintrag_t*> kept;
        for (Lerneintrag_t& r : it->second) {
            r.written = 1;
            if (r.games >= threshold_) kept.push_back(&r);
        }
        std::stable_sort(kept.begin(), kept.end(),
                         [](const Lerneintrag_t* a, const Lerneintrag_t* b) { return a->value > b->value; });
        const int depth = walk.depth();
        bool first = true;
        for (const Lerneintrag_t* r : kept) {
            Zug_t move;
            // A record that is no legal move here (a damaged file) is not written:
            // the book would not load.
            if (!walk.play(r->move, &move)) continue;
            walk.back();
            if (!first) {
                out << '\n';
                if (depth > 0) out << std::string(static_cast<size_t>(depth) * 10, ' ');
            }
            first = false;
            char text[8];
            writeCoordinate(walk.pos(), move, text);
            char head[32];
            std::snprintf(head, sizeof head, "%6s%3d ", text,
                          bookWeight(r->value, kept.front()->value, width_));
            out << head;
            walk.play(r->move);
            write(walk, out);
            walk.back();
            out << " *";
        }
    }

   private:
    Buchlernen_t::Records& records_;
    double threshold_, prior_, width_;
    std::unordered_map<uint64_t, double> values_;
};

}  // namespace

bool Buchlernen_t::writeBook(const std::string& fileName, int thresholdMilli, int width) {
    threshold_ = thresholdMilli / 1000.0;
    prior_ = width < 3 ? width / 2.0 : 3.0;
    for (auto& [key, moves] : records_)
        for (Lerneintrag_t& r : moves) r.written = 0;
    BookWriter writer(records_, threshold_, std::max(prior_, 0.0), width);
    {
        Walk walk;
        writer.valuePosition(walk);
    }
    std::ofstream out(fileName, std::ios::trunc);
    if (!out) {
        std::cerr << "info string error opening the output file " << fileName << std::endl;
        return false;
    }
    Walk walk;
    writer.write(walk, out);
    out << " * -1\n";
    out.close();
    if (!out) {
        std::cerr << "info string error writing file: " << fileName << std::endl;
        return false;
    }
    return true;
}

}  // namespace tolvaren
