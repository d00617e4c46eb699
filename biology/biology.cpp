#include "biology/biology.h"

Biology::Biology() = default;

Biology::~Biology() = default;
