#include "search/move_picker.h"

#include <algorithm>

#include "board/attack_tables.h"
#include "board/movegen.h"
#include "search/draw_rules.h"
#include "search/history.h"
#include "search/ply_record.h"

namespace tolvaren {

namespace {

// Ordering key parts, in units of 0x10000 of the 32-bit key (here as plain 16-bit values).
constexpr uint32_t FirstKiller = 32;
constexpr uint32_t SecondKiller = 24;
constexpr uint32_t VictimValue[7] = {0, 2048, 6144, 6400, 8192, 16384, 16384};
constexpr uint32_t AttackerValue[7] = {0, 16, 48, 48, 64, 128, 16};
constexpr uint32_t EqualTradeValue[7] = {0, 1024, 1280, 1280, 1536, 7168, 0};
constexpr uint32_t LastMoveSquareBonus = 8;
constexpr uint32_t PromotionBonus[4] = {2048, 16, 32, 10240};  // knight, bishop, rook, queen
constexpr uint32_t CastlingBonus = 16;
constexpr uint32_t EnPassantBonus = 256;
// King-and-pawn endings: every move gets a base above the largest history part.
constexpr uint32_t PawnEndingBase = 513;
constexpr uint32_t PawnCaptureValue = 2048;
constexpr uint32_t UndefendedPawnBonus = 32;
constexpr uint32_t SupportedSquareBonus = 16;
constexpr uint32_t KingNearPawnBonus = 4;

// Recapture preference by move kind (index 0 unused); pawns from the queen's side
// capturing toward the centre score 11 instead of 9.
constexpr int RecaptureValue[13] = {0, 9, 8, 6, 4, 3, 5, 2, 1, 1, 12, 0, 10};

int recaptureValue(Zug_t move) {
    const int kind = moveKind(move);
    if (kind == ZugBauer && fileOf(moveFrom(move)) <= 2 && fileOf(moveTo(move)) > fileOf(moveFrom(move)))
        return 11;
    return RecaptureValue[kind];
}

uint32_t killerBonus(const Suchebene_t& record, Zug_t move) {
    if (move == record.killer1) return FirstKiller;
    if (move == record.killer2) return SecondKiller;
    return 0;
}

uint32_t normalKey(const Stellung_t& pos, const Suchebene_t& record, const Historie_t& history, Zug_t move) {
    const Zustand_t& state = record.state();
    const int us = pos.side, them = us ^ 1;
    const int kind = moveKind(move);
    const int to = moveTo(move);
    uint32_t key = history.component(move);
    int mover = kind <= ZugKoenig ? kind : (kind == ZugEnPassant ? Pawn : King);
    if (isPromotion(move)) {
        key += PromotionBonus[kind - ZugUmwSpringer];
        mover = promotionType(move);
    }
    const Bitboard target = bit(to);
    if (pos.sides[them].pieces[AllPieces] & target) {
        const int victim = typeOn(pos.sides[them], target);
        if (to == moveTo(static_cast<Zug_t>(record.lastMove()))) key += LastMoveSquareBonus;
        if (mover < victim || !(state.by(them).attacked & target)) {
            key += VictimValue[victim] - AttackerValue[mover];
        } else if (mover == victim ||
                   (mover == Bishop && victim == Knight && pos.sides[us].count[Bishop] == 1)) {
            key += EqualTradeValue[mover];
        }
    }
    if (kind == ZugRochade) key += CastlingBonus;
    if (kind == ZugEnPassant) key += EnPassantBonus;
    return key + killerBonus(record, move);
}

// Squares beside a set on the same rank.
Bitboard beside(Bitboard b) {
    return ((b & ~FileA) >> 1) | ((b & ~FileH) << 1);
}

uint32_t pawnEndingKey(const Stellung_t& pos, const Suchebene_t& record, const Historie_t& history,
                       Zug_t move, Bitboard kingGoals) {
    const Zustand_t& state = record.state();
    const int us = pos.side, them = us ^ 1;
    const int kind = moveKind(move);
    const int to = moveTo(move);
    uint32_t key = history.component(move) + PawnEndingBase;
    if (isPromotion(move)) {
        key += PromotionBonus[kind - ZugUmwSpringer];
    } else if (kind == ZugEnPassant) {
        key += EnPassantBonus;
    } else {
        const Bitboard target = bit(to);
        if (pos.sides[them].pieces[Pawn] & target) {
            key += PawnCaptureValue;
            if (to == moveTo(static_cast<Zug_t>(record.lastMove()))) key += LastMoveSquareBonus;
            if (!(state.by(them).attacked & target)) key += UndefendedPawnBonus;
        }
        if (state.by(us).attacked & target) key += SupportedSquareBonus;
        if (kind == ZugKoenig && (kingGoals & target)) key += KingNearPawnBonus;
    }
    return key + killerBonus(record, move);
}

}  // namespace

void scoreMoves(const Stellung_t& pos, Suchebene_t& record, const Historie_t& history) {
    uint32_t* const begin = record.current;
    uint32_t* const end = record.listEnd;
    if (onlyKingsAndPawns(pos)) {
        // The king walks toward undefended enemy pawns: beside them, one rank toward
        // the enemy's side of them, or next to such a square.
        const int them = pos.side ^ 1;
        const Bitboard weak = pos.sides[them].pieces[Pawn] & ~record.state().by(them).attacked;
        const Bitboard ahead = pos.side == White ? weak >> 8 : weak << 8;
        const Bitboard near = beside(weak) | ahead;
        const Bitboard goals = near | beside(near);
        for (uint32_t* e = begin; e < end; ++e) {
            const Zug_t m = moveOf(*e);
            *e = packKey(pawnEndingKey(pos, record, history, m, goals), m);
        }
    } else {
        for (uint32_t* e = begin; e < end; ++e) {
            const Zug_t m = moveOf(*e);
            *e = packKey(normalKey(pos, record, history, m), m);
        }
    }
}

namespace {

// Most nodes that cut off do so within their first few scored moves: those are found by
// selection, and only a list that goes on is sorted.
constexpr int SelectedPicks = 3;

// The keys are unique (they hold the move), so the order does not depend on the method;
// lists are short, and an insertion sort beats the library's set-up there.
void sortEntries(uint32_t* begin, uint32_t* end) {
    if (end - begin > 48) {
        std::sort(begin, end);
        return;
    }
    for (uint32_t* e = begin + 1; e < end; ++e) {
        const uint32_t key = *e;
        uint32_t* hole = e;
        for (; hole > begin && hole[-1] > key; --hole) *hole = hole[-1];
        *hole = key;
    }
}

// Swaps the best (smallest) entry of a non-empty range to its front.
void selectBest(uint32_t* begin, uint32_t* end) {
    uint32_t* best = begin;
    for (uint32_t* e = begin + 1; e < end; ++e)
        if (*e < *best) best = e;
    std::swap(*best, *begin);
}

}  // namespace

Zug_t nextMove(const Stellung_t& pos, Suchebene_t& record, const Historie_t& history) {
    // The common case first: a branch, not the switch's jump table.
    if (record.stage == PickSorted) return record.current < record.listEnd ? moveOf(*record.current++) : 0;
    switch (record.stage) {
        case PickEntry: {
            record.stage = PickScore;
            uint32_t* const begin = record.listBegin;
            if (begin == record.listEnd) return 0;
            uint32_t* chosen = nullptr;
            if (record.tt.move != 0) {
                for (uint32_t* e = begin; e < record.listEnd; ++e)
                    if (moveOf(*e) == record.tt.move) {
                        chosen = e;
                        break;
                    }
            }
            const Zug_t last = static_cast<Zug_t>(record.lastMove());
            if (!chosen && last != 0 && (record.state().occupancy & bit(moveTo(last)))) {
                int bestValue = 0;
                for (uint32_t* e = begin; e < record.listEnd; ++e) {
                    const Zug_t m = moveOf(*e);
                    if (moveTo(m) != moveTo(last) && moveKind(m) != ZugEnPassant) continue;
                    const int v = recaptureValue(m);
                    if (v > bestValue) {
                        bestValue = v;
                        chosen = e;
                    }
                }
            }
            if (!chosen) return nextMove(pos, record, history);
            std::swap(*chosen, *begin);
            record.current = begin + 1;
            return moveOf(*begin);
        }
        case PickScore:
            scoreMoves(pos, record, history);
            record.stage = PickSelect;
            [[fallthrough]];
        case PickSelect:
            if (record.current >= record.listEnd) return 0;
            // The table move or recapture, if any, counts among the first picks.
            if (record.current - record.listBegin < SelectedPicks) {
                selectBest(record.current, record.listEnd);
                return moveOf(*record.current++);
            }
            sortEntries(record.current, record.listEnd);
            record.stage = PickSorted;
            [[fallthrough]];
        case PickSorted:
            if (record.current >= record.listEnd) return 0;
            return moveOf(*record.current++);
        case PickOneThenScore:
            record.stage = PickScore;
            if (record.current >= record.listEnd) return 0;
            return moveOf(*record.current++);
        default:
            return 0;
    }
}

void putFirst(Suchebene_t& record, uint32_t* entry) {
    // The scored entries not handed out yet may be unsorted (the entry itself was handed
    // out, so it stays in place); the order below must be complete.
    sortEntries(record.current, record.listEnd);
    const uint32_t chosen = *entry;
    std::copy_backward(record.listBegin, entry, entry + 1);
    *record.listBegin = chosen;
    record.current = record.listBegin;
    record.stage = PickSorted;
}

void resetPicker(Suchebene_t& record) {
    for (uint32_t* e = record.listBegin; e < record.listEnd; ++e) *e = moveOf(*e);
    record.current = record.listBegin;
    record.stage = PickEntry;
}

}  // namespace tolvaren
