#include "state_hash.h"

#include "model/dbreader.h"

#include <cstring>

namespace {

// FNV-1a over the bytes of every value fed.
class Hasher {
public:
    template <typename T>
    void add(const T& value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) {
            h ^= b;
            h *= 1099511628211ull;
        }
    }
    std::uint64_t value() const { return h; }

private:
    std::uint64_t h = 1469598103934665603ull;
};

}  // namespace

std::uint64_t finalStateHash(const dbReader& engine)
{
    Hasher h;
    h.add(engine.cells.size());
    h.add(engine.points.size());
    h.add(engine.edges.size());
    h.add(engine.nodes.size());
    h.add(engine.interpairs.size());
    for (const cell* c : engine.cells) {
        if (c->dead)
            continue;
        h.add(c->id);
        h.add(c->cell_type);
        h.add(c->behavior);
        for (int s : c->species)
            h.add(s);
        for (const edge* e : c->sides) {
            h.add(e->p1->x);
            h.add(e->p1->y);
        }
    }
    for (double v : engine.division_log)
        h.add(v);
    for (double v : engine.migrate_angles)
        h.add(v);
    return h.value();
}
