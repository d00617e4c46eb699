#include "model/mesh.h"

triangle::triangle(int id, point3D* a, point3D* b, point3D* c) : id(id), a(a), b(b), c(c) {}

triangle::~triangle() = default;

le_sm::le_sm(int id) : id(id) {}

le_sm::~le_sm()
{
    a = nullptr;
    b = nullptr;
}
