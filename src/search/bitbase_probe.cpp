#include "search/bitbase_probe.h"

#include <algorithm>
#include <new>
#include <string>

#include "board/data_path.h"
#include "search/options.h"

namespace tolvaren {

BitbaseProbe::BitbaseProbe()
    : ownLoader_(std::make_unique<BitbaseCache_t>()),
      loader_(ownLoader_.get()),
      cache_(std::make_unique<BitbaseCache_t>(0, loader_)) {}

BitbaseProbe::BitbaseProbe(BitbaseProbe& main)
    : loader_(main.loader_), cache_(std::make_unique<BitbaseCache_t>(0, main.loader_)) {}

bool BitbaseProbe::configure(const Optionen_t& options, BitbaseProbe* const* helpers, int helperCount) {
    const uint64_t total = static_cast<uint64_t>(std::max(0, options.number(OptionBitbaseCache))) << 20;
    const BitbaseCacheSizes sizes = splitBitbaseMemory(total, options.number(OptionProcessors));
    // A relative folder is looked for like the book, so an installed engine finds its set.
    const std::string path = resolveDataFolders(options.text(OptionBitbasePath), "bitbases");
    bool sized = true;
    try {
        loader_->setSize(sizes.shared);
        cache_->setSize(sizes.perThread);
        for (int i = 0; i < helperCount; ++i) helpers[i]->cache_->setSize(sizes.perThread);
    } catch (const std::bad_alloc&) {
        // Searching without bitbases is still searching.
        loader_->setSize(0);
        cache_->setSize(0);
        for (int i = 0; i < helperCount; ++i) helpers[i]->cache_->setSize(0);
        sized = false;
    }
    loader_->setPath(path);
    loader_->resetHits();
    cache_->setPath(path);
    cache_->resetHits();
    for (int i = 0; i < helperCount; ++i) {
        helpers[i]->cache_->setPath(path);
        helpers[i]->cache_->resetHits();
    }
    return sized;
}

bool BitbaseProbe::probe(const Stellung_t& pos, bool onlyCached, int32_t& result) {
    // White is side 0; each list holds the king, then the pieces by falling type.
    int types[2][MaxBitbasePieces + 1] = {};
    int squares[2][MaxBitbasePieces] = {};
    constexpr int Order[6] = {King, Queen, Rook, Bishop, Knight, Pawn};
    for (int color = White; color <= Black; ++color) {
        const Seite_t& side = pos.sides[color];
        int n = 0;
        for (const int type : Order)
            for (int k = 0; k < side.count[type]; ++k) {
                if (n == MaxBitbasePieces) return false;
                types[color][n] = type;
                squares[color][n++] = side.squares(type)[k];
            }
    }
    int answer = 0;
    if (!cache_->probe(types[White], types[Black], squares[White], squares[Black], pos.side,
                       pos.epSquare != 0 ? pos.epSquare : -1, onlyCached, answer))
        return false;
    result = answer;
    return true;
}

}  // namespace tolvaren
