// Every tuned number of the evaluation in one place: piece values by count, square
// tables, mobility tables and the named weights of the pawn, piece and king terms.
// Tables are written from White's side (a8 = 0); Black reads them at 63 - square.
#pragma once

#include <array>
#include <cstdint>

#include "eval/score.h"

namespace tolvaren {
namespace weights_detail {

struct Pair {
    int mg, eg;
};

// Expands a table given for files a-d (rows rank 8 to rank 1) to all 64 squares,
// mirroring e-h onto d-a.
constexpr std::array<Wert_t, 64> mirrorFiles(const Pair (&quarter)[8][4]) {
    std::array<Wert_t, 64> t{};
    for (int row = 0; row < 8; ++row)
        for (int file = 0; file < 8; ++file) {
            const Pair p = quarter[row][file < 4 ? file : 7 - file];
            t[row * 8 + file] = makeScore(p.mg, p.eg);
        }
    return t;
}

// Expands a plain table given for the quarter a8-d5 to all four quarters.
constexpr std::array<int, 64> mirrorQuarters(const int (&quarter)[4][4]) {
    std::array<int, 64> t{};
    for (int row = 0; row < 8; ++row)
        for (int file = 0; file < 8; ++file)
            t[row * 8 + file] = quarter[row < 4 ? row : 7 - row][file < 4 ? file : 7 - file];
    return t;
}

template <size_t N>
constexpr std::array<Wert_t, N> pairs(const Pair (&p)[N]) {
    std::array<Wert_t, N> t{};
    for (size_t i = 0; i < N; ++i) t[i] = makeScore(p[i].mg, p[i].eg);
    return t;
}

}  // namespace weights_detail

// ---- Material ----------------------------------------------------------------

// Total value of n pieces of a type, by type (1 pawn .. 5 queen) and count.
constexpr int32_t MaterialValue[6][16] = {
    {},
    {0, 1083, 2033, 2771, 3482, 4192, 4902, 5612, 6322},
    {0, 2975, 5964, 8894, 11824, 14754, 17684, 20614, 23544, 26474, 29404},
    {0, 3129, 6259, 9339, 12219, 15099, 17979, 20859, 23739, 26619, 29499},
    {0, 4820, 9359, 13809, 18259, 22709, 27159, 31609, 36059, 40509, 44959},
    {0, 9792, 17596, 23196, 28796, 34396, 39996, 45596, 51196, 56796},
};

constexpr Wert_t BishopPair = makeScore(0, 130);

// Phase: below EndgameMaterial the game is a pure endgame.
constexpr int EndgameMaterial = 25000;
constexpr int PhaseSlope = 986;  // per 65536 units of material
constexpr int MaxPhase = 256;
// Material-score correction K = (ImbalanceScale * D + PawnBalanceScale * (PB - PW))
// * (EndgameMaterial - M) / 2^ImbalanceShift.
constexpr int64_t ImbalanceScale = 275;
constexpr int64_t PawnBalanceScale = 1339;
constexpr int ImbalanceShift = 28;

// ---- Pawn structure ------------------------------------------------------------

inline constexpr std::array<Wert_t, 64> PawnSquare = weights_detail::mirrorFiles({
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{200, 300}, {200, 300}, {200, 300}, {200, 300}},
    {{107, 198}, {247, 291}, {230, 297}, {273, 308}},
    {{6, 95}, {146, 288}, {129, 194}, {172, 204}},
    {{-48, 55}, {92, 146}, {75, 154}, {118, 164}},
    {{-68, 40}, {72, 133}, {55, 139}, {98, 149}},
    {{-76, 35}, {64, 128}, {47, 134}, {90, 144}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
});

inline constexpr std::array<Wert_t, 64> PassedPawnSquare = weights_detail::mirrorFiles({
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{435, 933}, {439, 922}, {438, 847}, {460, 776}},
    {{231, 508}, {235, 487}, {234, 422}, {256, 351}},
    {{118, 325}, {122, 304}, {121, 239}, {143, 168}},
    {{50, 158}, {54, 137}, {53, 72}, {75, 1}},
    {{34, 33}, {38, 12}, {37, -53}, {59, -124}},
    {{42, -13}, {46, -34}, {45, -99}, {67, -170}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
});

// By the pawn's rank as its owner sees it (index 1..8).
inline constexpr std::array<Wert_t, 9> ConnectedPasser = weights_detail::pairs<9>(
    {{0, 0}, {0, 0}, {12, 7}, {12, 7}, {24, 13}, {46, 26}, {78, 46}, {111, 66}, {0, 0}});

constexpr Wert_t TripledPawn = makeScore(-300, -300);
constexpr Wert_t IsolatedEdgeFile = makeScore(-19, -30);
constexpr Wert_t IsolatedFile = makeScore(-80, -99);
constexpr Wert_t IsolatedDoubledFile = makeScore(-116, -114);
constexpr Wert_t DisconnectedPawn = makeScore(-11, -11);
constexpr Wert_t DoubledPawn = makeScore(-151, -139);
constexpr Wert_t BackwardPawn = makeScore(-42, -21);
constexpr Wert_t BackwardBehindBlocked = makeScore(-10, -34);
constexpr Wert_t HalfBackwardPawn = makeScore(-20, -7);
constexpr Wert_t CandidateRank6 = makeScore(381, 284);
constexpr Wert_t CandidateRank5 = makeScore(170, 76);

// ---- Mobility and piece placement ----------------------------------------------

// King-attack weights summed by mobility and spent by king safety.
constexpr int PawnAttackWeight = 56;
constexpr int KnightAttackWeight = 26;
constexpr int BishopAttackWeight = 7;
constexpr int RookAttackWeight = 29;
constexpr int QueenAttackWeight = 29;

inline constexpr std::array<Wert_t, 13> KnightMobility = weights_detail::pairs<13>(
    {{-408, -246}, {-204, -123}, {-120, -72}, {-55, -33}, {0, 0}, {48, 29}, {92, 55},
     {132, 79}, {169, 102}, {204, 123}, {237, 143}, {269, 162}, {299, 180}});
inline constexpr std::array<Wert_t, 23> BishopMobility = weights_detail::pairs<23>(
    {{-264, -168}, {-132, -84}, {-77, -49}, {-35, -23}, {0, 0},     {31, 20},
     {59, 38},     {85, 54},    {109, 70},  {132, 84},  {153, 98},  {174, 111},
     {193, 123},   {212, 135},  {230, 146}, {247, 157}, {264, 168}, {280, 178},
     {296, 188},   {311, 198},  {326, 208}, {341, 217}, {355, 226}});
inline constexpr std::array<Wert_t, 15> RookMobility = weights_detail::pairs<15>(
    {{-360, -296}, {-180, -148}, {-105, -87}, {-48, -40}, {0, 0}, {42, 35}, {81, 67}, {116, 96},
     {149, 123}, {180, 148}, {209, 172}, {237, 195}, {264, 217}, {289, 238}, {313, 258}});
inline constexpr std::array<Wert_t, 28> QueenMobility = weights_detail::pairs<28>(
    {{-278, -230}, {-139, -115}, {-81, -67}, {-37, -31}, {0, 0},     {33, 27},   {62, 52},
     {90, 74},     {115, 95},    {139, 115}, {162, 134}, {183, 151}, {204, 168}, {223, 185},
     {242, 200},   {260, 215},   {278, 230}, {295, 244}, {312, 258}, {328, 271}, {344, 284},
     {359, 297},   {374, 309},   {389, 322}, {403, 333}, {417, 345}, {431, 356}, {444, 368}});

inline constexpr std::array<Wert_t, 64> KnightSquare = weights_detail::mirrorFiles({
    {{-1, -2}, {64, 62}, {79, 91}, {92, 101}},
    {{89, 63}, {102, 80}, {115, 90}, {128, 98}},
    {{134, 77}, {145, 75}, {156, 72}, {168, 78}},
    {{21, 55}, {32, 51}, {42, 46}, {50, 39}},
    {{-16, 15}, {-5, 11}, {4, 6}, {12, -1}},
    {{-38, -38}, {-26, -40}, {-16, -43}, {-3, -37}},
    {{-39, -73}, {-27, -56}, {-13, -46}, {0, -38}},
    {{-125, -176}, {-59, -112}, {-45, -83}, {-31, -73}},
});

inline constexpr std::array<Wert_t, 64> KnightOutpost = weights_detail::mirrorFiles({
    {{0, 0}, {10, 14}, {24, 32}, {31, 42}},
    {{0, 0}, {35, 46}, {80, 106}, {104, 139}},
    {{0, 0}, {35, 46}, {80, 106}, {104, 139}},
    {{0, 0}, {21, 28}, {52, 69}, {83, 111}},
    {{0, 0}, {7, 9}, {14, 19}, {42, 56}},
    {{0, 0}, {0, 0}, {0, 0}, {7, 9}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
});

inline constexpr std::array<Wert_t, 64> BishopOutpost = weights_detail::mirrorFiles({
    {{0, 0}, {3, 14}, {6, 34}, {8, 43}},
    {{0, 0}, {9, 48}, {21, 110}, {28, 144}},
    {{0, 0}, {9, 48}, {21, 110}, {28, 144}},
    {{0, 0}, {6, 29}, {14, 72}, {22, 115}},
    {{0, 0}, {2, 10}, {4, 19}, {11, 58}},
    {{0, 0}, {0, 0}, {0, 0}, {2, 10}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
});

constexpr int RookSeventhMg = 136;
constexpr int RookSeventhEgWithPawns = 66;  // enemy pawns still on their second rank
constexpr int RookSeventhEg = 44;
constexpr int RookSeventhKingEg = 88;  // enemy king confined to its back rank
constexpr Wert_t RookVsBackwardPawn = makeScore(10, 11);
constexpr Wert_t TrappedBishop = makeScore(-315, -375);

// Support of advanced passed pawns, indexed by the pawn's relative rank (5..7).
struct PasserSupport {
    Wert_t defended, frontOccupied, enemyAttack, enemyDoubleAttack, ownAttack, ownDoubleAttack;
};
constexpr PasserSupport PasserSupportByRank[8] = {
    {}, {}, {}, {}, {},
    {makeScore(11, 12), makeScore(24, 26), makeScore(4, 5), makeScore(1, 3), makeScore(39, 38),
     makeScore(34, 35)},
    {makeScore(41, 45), makeScore(92, 99), makeScore(15, 21), makeScore(4, 13), makeScore(149, 144),
     makeScore(130, 134)},
    {makeScore(55, 60), makeScore(123, 132), makeScore(21, 28), makeScore(6, 18), makeScore(199, 193),
     makeScore(174, 179)},
};

constexpr Wert_t BadBishopPerPawn = makeScore(5, 23);
constexpr Wert_t BadBishopSameColourPawn = makeScore(-10, -46);
constexpr Wert_t BareKingAgainstQueen = makeScore(-166, -350);
constexpr Wert_t PinnedPiece = makeScore(111, 247);

inline constexpr std::array<Wert_t, 17> HangingPieces = weights_detail::pairs<17>(
    {{0, 0}, {97, 93}, {238, 238}, {380, 378}, {523, 517}, {665, 600}, {800, 600},
     {800, 600}, {800, 600}, {800, 600}, {800, 600}, {800, 600}, {800, 600}, {800, 600},
     {800, 600}, {800, 600}, {800, 600}});

// ---- King safety -----------------------------------------------------------------

inline constexpr std::array<int, 64> KingSquareSafety = {
    0,  0,  0, 0,  0,  0, 0,  0,   //
    0,  0,  0, 0,  0,  0, 0,  0,   //
    0,  0,  0, 0,  0,  0, 0,  0,   //
    0,  0,  0, 0,  0,  0, 0,  0,   //
    31, 0,  0, 0,  0,  0, 0,  31,  //
    30, 28, 0, 0,  0,  0, 28, 30,  //
    47, 49, 7, -2, -2, 7, 49, 47,  //
    43, 81, 37, 7, 7,  37, 81, 43,
};

constexpr int RingDoubleAttackedOne = 62;
constexpr int RingDoubleAttackedMany = 100;
constexpr int QueenContactFewEscapes = 99;  // at most one escape square left
constexpr int QueenContactEscapes = 61;
constexpr int OpenKingFilePerQueen = 18;
constexpr int OpenKingFilePerRook = 15;
constexpr int PinnedRingSquare = 8;
constexpr int ShelterTable[6] = {1, -74, -78, -79, -90, -139};
constexpr int CastledShelterWeight = 9;  // out of 16; the current shelter gets the rest
constexpr int CastlingRightBonus = 35;
constexpr int KingDangerGrowth = 26;  // k -= 26 * k * (k + 10) / 8192
constexpr int KingDangerOffset = 10;
constexpr int KingDangerShift = 13;
constexpr int MaxKingDangerGrowth = 1500;
constexpr int KingSafetyMaterialBase = 5000;  // f(M) = (M - 5000) / 256
constexpr int KingSafetyScale = 20;           // r = 20 * k * f / 1024
constexpr int BlockedCentrePawn = 40;
constexpr int UndevelopedMinor = 50;
constexpr int UndevelopedMinorEarlyQueen = 42;

// ---- King in the endgame -------------------------------------------------------

inline constexpr std::array<int, 64> KingCentralisation = weights_detail::mirrorQuarters({
    {252, 206, 166, 129},
    {206, 148, 111, 79},
    {166, 111, 64, 36},
    {129, 79, 36, 0},
});

inline constexpr std::array<int, 50> KingReach = {
    -148, -112, -52, -27, -16, -10, -7, -5, -4, -3, -3, -2, -2, -2, -1,
    -1,   -1,   -1,  -1,  -1,  -1,  -1, -1,  // 15..22
};

constexpr int KingOnEdge = 153;
constexpr int PawnInReach2 = 48;
constexpr int PawnInReach1 = 22;
constexpr int StalematedKingInPawnEnding = 300;
constexpr int NoPasserFrontInReach = 76;
constexpr int PasserFrontInReach3 = 46;
constexpr int PasserFrontInReach1 = 129;
constexpr int PasserFrontInReach2 = 79;
constexpr int PasserInPawnEnding = 253;
constexpr int RunawayPasser[2] = {169, 284};  // by whether the passer's side is to move
constexpr int RunawayQueenChecks = 247;
constexpr int RunawayPerRank = 101;

// ---- Scaling -----------------------------------------------------------------------

constexpr int OppositeBishopsFactor = 112;
constexpr int OppositeBishopsClosePassers = 17;  // passers within three files
constexpr int OppositeBishopsSpreadPassers = 13;
constexpr int OppositeBishopsRooksFactor = 16;
constexpr int PawnlessSideDiscount = 614;

}  // namespace tolvaren
