#include "sampling/spill_store.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

std::string tempRoot()
{
    const char* dir = std::getenv("TMPDIR");
    return (dir && *dir) ? std::string(dir) : std::string("/tmp");
}

}

template <bool Lifo>
SpillStore<Lifo>::SpillStore(unsigned long size)
    : blockSize(size ? size : (Lifo ? 1000000000ul : 100000000ul)), list(new SLinkedList())
{
}

template <bool Lifo>
SpillStore<Lifo>::~SpillStore()
{
    delete list;
    for (unsigned long k = 0; k < blocks.size(); ++k)
        std::remove(blockName(k).c_str());
    if (!tmpDir.empty())
        ::rmdir(tmpDir.c_str());
}

template <bool Lifo>
std::string SpillStore<Lifo>::blockName(unsigned long k) const
{
    char index[24];
    std::snprintf(index, sizeof index, "%lx", k);
    return tmpDir + "/" + index;
}

template <bool Lifo>
bool SpillStore<Lifo>::makeDir()
{
    if (!tmpDir.empty())
        return true;
    std::string pattern = tempRoot() + "/_tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        std::printf("ERROR: cannot creating temporary dir under %s.\n", tempRoot().c_str());
        std::fflush(stdout);
        return false;
    }
    tmpDir = name.data();
    return true;
}

// Writes everything in memory as the next block. The block file keeps the
// list's order when read back: the stack writes head first and reads each
// state to the tail, the queue writes tail first and reads each to the head.
template <bool Lifo>
void SpillStore<Lifo>::spill()
{
    if (!makeDir())
        return;
    const unsigned long count = list->getSize();
    const std::string name = blockName(blocks.size());
    const int written = Lifo ? list->WriteList(name.c_str()) : list->WriteListQ(name.c_str());
    if (written < 0) {
        std::remove(name.c_str());
        return;
    }
    blocks.push_back(count);
    numInMemory = 0;
}

template <bool Lifo>
void SpillStore<Lifo>::push(State* s)
{
    if (!s)
        return;
    if (Lifo)
        list->AddtoHead(s);
    else
        list->AddtoTail(s);
    ++numItems;
    if (!spillToDisk)
        return;
    ++numInMemory;
    // A failed spill is tried again one block later, not at every push.
    if (numInMemory >= blockSize && numInMemory % blockSize == 0)
        spill();
}

template <bool Lifo>
State* SpillStore<Lifo>::pop()
{
    if (numItems == 0)
        return nullptr;
    if (spillToDisk && list->getSize() == 0 && !blocks.empty()) {
        const unsigned long k = blocks.size() - 1;
        const std::string name = blockName(k);
        if (!numSpeciesSet) {
            std::printf("ERROR: Block file %s cannot be read back: the species count of its states is not set "
                        "(setNumSpecies)\n",
                        name.c_str());
            std::fflush(stdout);
            return nullptr;
        }
        std::vector<State*> states;
        std::string error;
        if (!state_files::readStates(name.c_str(), numSpecies, blocks[k] + 1, states, error)
            || states.size() != blocks[k]) {
            if (error.empty())
                error = "ERROR: Block file " + name + " holds " + std::to_string(states.size())
                    + " states instead of " + std::to_string(blocks[k]);
            for (State* s : states)
                delete s;
            std::printf("%s\n", error.c_str());
            std::fflush(stdout);
            return nullptr;
        }
        for (State* s : states) {
            if (Lifo)
                list->AddtoTail(s);
            else
                list->AddtoHead(s);
        }
        std::remove(name.c_str());
        blocks.pop_back();
        numInMemory = states.size();
    }
    State* s = list->HeadDel();
    if (!s)
        return nullptr;
    --numItems;
    if (spillToDisk && numInMemory > 0)
        --numInMemory;
    return s;
}

template class SpillStore<false>;
template class SpillStore<true>;
