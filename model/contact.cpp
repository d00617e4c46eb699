#include "model/contact.h"

#include "model/edge.h"
#include "model/point3d.h"

#include <algorithm>

namespace {

template <typename T>
void push_unique(std::vector<T*>& list, T* item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

template <typename T>
void remove_first(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

} // namespace

interpair::interpair(int id, cell* cell1, cell* cell2) : id(id), cell1(cell1), cell2(cell2) {}

interpair::~interpair()
{
    // The pair owns its stretches: nothing else deletes those still listed.
    for (mergepair*& m : MP) {
        delete m;
        m = nullptr;
    }
    MP.clear();
}

void interpair::remove_MP(mergepair* mp)
{
    remove_first(MP, mp);
    delete mp;
}

bool interpair::check_detection()
{
    if (MP.empty())
        return false;
    const mergepair* m = MP[0];
    // The edges that continue the stretch beyond each end, on both cells; an end
    // without its ring edge (a broken ring) cannot be closed.
    const edge* beyond[4] = {m->S1->in_edge, m->S2->out_edge, m->T1->in_edge, m->T2->out_edge};
    for (const edge* e : beyond) {
        if (e == nullptr || !e->bonded)
            return false;
    }
    return true;
}

mergepair::mergepair(int id, point3D* S1, point3D* S2, point3D* T1, point3D* T2)
    : id(id), S1(S1), S2(S2), T1(T1), T2(T2)
{
}

mergepair::~mergepair() = default;

node::node(int id) : id(id) {}

node::~node()
{
    std::fill(vertices.begin(), vertices.end(), nullptr);
    vertices.clear();
}

void node::pushvertex(point3D* p)
{
    push_unique(vertices, p);
}

void node::removevertex(point3D* p)
{
    remove_first(vertices, p);
}

rear_fc::rear_fc(int id) : id(id) {}

rear_fc::~rear_fc()
{
    filling_cell = nullptr;
    std::fill(NCs.begin(), NCs.end(), nullptr);
    NCs.clear();
}

void rear_fc::push_NCs(cell* c)
{
    push_unique(NCs, c);
}

void rear_fc::remove_NCs(cell* c)
{
    remove_first(NCs, c);
}

void rear_fc::clear_NCs()
{
    NCs.clear();
}
