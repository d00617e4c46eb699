// Junction nodes: welded vertices of different cells move as one through
// their shared node. Nodes are never deleted; an absorbed or emptied node
// is only marked dead and stays in the engine's list.
#include "model/dbreader.h"

void dbReader::node_merge(point3D* p, point3D* q)
{
    if (p->node == q->node)
        return;
    // A vertex outside every node simply joins the other one's node.
    if (!p->node || !q->node) {
        point3D* lone = p->node ? q : p;
        node* host = p->node ? p->node : q->node;
        host->pushvertex(lone);
        lone->node = host;
        return;
    }
    // The node of the vertex with the smaller id survives, whatever the order
    // of the arguments.
    node* survivor = (p->id < q->id) ? p->node : q->node;
    node* absorbed = (survivor == p->node) ? q->node : p->node;
    for (point3D* v : absorbed->vertices) {
        survivor->pushvertex(v);
        v->node = survivor;
    }
    absorbed->active = 0;
}

void dbReader::node_remove_0(point3D* p)
{
    if (!p->node || p->node->vertices.size() < 2)
        return;
    p->node->removevertex(p);
    auto* n = new node(static_cast<int>(nodes.size()));
    nodes.push_back(n);
    n->pushvertex(p);
    n->active = 1;
    p->node = n;
}

void dbReader::node_remove_1(point3D* p)
{
    node* n = p->node;
    if (!n)
        return;
    const std::size_t count = n->vertices.size();
    if (count == 1) {
        p->alive = 0;
        p->in_node = 0;
        n->active = 0;
    } else if (count >= 2) {
        p->alive = 0;
        n->removevertex(p);
        p->node = nullptr;
        p->in_node = 0;
    }
}
