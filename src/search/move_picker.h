// The move picker of the node and quiescence searches: the table move, then the best
// recapture, then the remaining moves scored and handed out best first by packed ordering keys.
// Lists live on the searcher's move stack; the picker state lives in the ply record.
#pragma once

#include <cstdint>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Suchebene_t;
struct Historie_t;

enum PickerStage : int32_t {
    PickEntry = 0,   // table move or recapture first
    PickScore = 1,   // score what is left
    PickSorted = 2,  // hand out the sorted entries
    PickOneThenScore = 3,
    PickSelect = 4,  // hand out the best of the rest by selection, then sort what is left
};

// Entries keep the move in the low 16 bits and 0xFFFF minus the ordering key in the high
// 16 bits, so that an ascending sort puts the best first and breaks ties by the smaller move.
constexpr uint32_t packKey(uint32_t key, Zug_t move) {
    return ((0xFFFFu - key) << 16) | move;
}

inline void startPicker(Suchebene_t& record, uint32_t* begin, uint32_t* end);

// The next move of the record's list, 0 when none is left. `history` is the side to move's.
Zug_t nextMove(const Stellung_t& pos, Suchebene_t& record, const Historie_t& history);

// Scores the entries from the picker's current position to the list end; nextMove then
// hands them out best first.
void scoreMoves(const Stellung_t& pos, Suchebene_t& record, const Historie_t& history);

// Puts `entry` (inside the list) first, keeping the order of the others, and restarts
// the picker on the sorted list.
void putFirst(Suchebene_t& record, uint32_t* entry);

// Strips the ordering keys and restarts the picker at its first stage.
void resetPicker(Suchebene_t& record);

}  // namespace tolvaren

#include "search/ply_record.h"

namespace tolvaren {

inline void startPicker(Suchebene_t& record, uint32_t* begin, uint32_t* end) {
    record.listBegin = record.current = begin;
    record.listEnd = end;
    record.stage = PickEntry;
}

}  // namespace tolvaren
