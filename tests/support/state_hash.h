#ifndef VANTU_TESTS_SUPPORT_STATE_HASH_H
#define VANTU_TESTS_SUPPORT_STATE_HASH_H

// A hash of a tissue's final state, for comparing two seeded runs: the live
// cells' ids, types, behaviour codes and counts, the exact coordinates of
// their boundary vertices in ring order, the sizes of the engine's lists and
// both engine logs (division and migration).

#include <cstdint>

class dbReader;

std::uint64_t finalStateHash(const dbReader& engine);

#endif
