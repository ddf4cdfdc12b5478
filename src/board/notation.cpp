// Placeholder until the board lands: writes a move from its code alone.
#include "board/notation.h"

namespace tolvaren {

char* writeCoordinate(const Stellung_t&, Zug_t move, char* buffer) {
    if (move == 0) {
        buffer[0] = buffer[1] = buffer[2] = buffer[3] = '0';
        buffer[4] = '\0';
        return buffer;
    }
    const int from = moveFrom(move);
    const int to = moveTo(move);
    char* p = buffer;
    *p++ = static_cast<char>('a' + (from & 7));
    *p++ = static_cast<char>('8' - (from >> 3));
    *p++ = static_cast<char>('a' + (to & 7));
    *p++ = static_cast<char>('8' - (to >> 3));
    if (isPromotion(move)) *p++ = "nbrq"[moveKind(move) - ZugUmwSpringer];
    *p = '\0';
    return buffer;
}

}  // namespace tolvaren
