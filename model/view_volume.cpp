#include "model/view_volume.h"

viewVolume::viewVolume()
{
    for (double& d : zeroed_block)
        d = 0.0;
}

viewVolume::~viewVolume()
{
    // A loader that reads a vector twice must delete the first array itself.
    delete[] VPN;
    delete[] VUP;
    delete[] VRP;
    delete[] PRP;
}
