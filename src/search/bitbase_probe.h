// A searcher's way to the bitbases: its private block cache in front of the loader
// that reads the files, which the main searcher owns and its helpers share; the sizing
// at the start of a search and the probe of a position.
#pragma once

#include <cstdint>
#include <memory>

#include "bitbase/bitbase_cache.h"
#include "board/position.h"

namespace tolvaren {

class Optionen_t;

class BitbaseProbe {
   public:
    // The main searcher's, owning the loader.
    BitbaseProbe();
    // A helper's, reading through the loader of `main`.
    explicit BitbaseProbe(BitbaseProbe& main);
    BitbaseProbe(const BitbaseProbe&) = delete;
    BitbaseProbe& operator=(const BitbaseProbe&) = delete;

    // At the start of a search, on the main searcher's probe: sizes and points the
    // loader, this cache and the helpers' caches by "BitbaseCache", "NumberOfProcessors"
    // and "BitbasePath", and clears their hit counts. False when the memory could not be
    // had; every cache then probes nothing.
    bool configure(const Optionen_t& options, BitbaseProbe* const* helpers, int helperCount);

    // The verdict for `pos`: +1 White wins, 0 draw, -1 Black wins; false when unknown
    // (result untouched). With onlyCached, blocks not in a cache count as unknown.
    bool probe(const Stellung_t& pos, bool onlyCached, int32_t& result);

    bool hasBuckets() const { return cache_->hasBuckets(); }
    int32_t pieceLimit() const { return cache_->pieceLimit(); }
    // Probes this cache answered since configure; read by the main searcher while its
    // helpers probe, hence a relaxed atomic underneath.
    uint32_t hits() const { return cache_->hits(); }

   private:
    std::unique_ptr<BitbaseCache_t> ownLoader_;
    BitbaseCache_t* loader_;
    std::unique_ptr<BitbaseCache_t> cache_;
};

}  // namespace tolvaren
