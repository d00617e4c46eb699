#ifndef VANTU_SAMPLING_SPILL_STORE_H
#define VANTU_SAMPLING_SPILL_STORE_H

// Containers for very many states: they hold states in an in-memory list and,
// each time a block of states has accumulated, write the whole list to a block
// file (a list file) in a private temporary directory, reading the newest
// block back when memory runs empty. `Stack` pops newest first, across blocks
// too. `Queue` pops what is in memory oldest first, then the newest block
// oldest first, then the block before it: without a spill it is plain
// first-in first-out.
//
// The directory is made with mkdtemp under $TMPDIR (/tmp when unset) on the
// first spill; a container releases its states, block files and directory when
// destroyed. Nothing here draws or seeds random numbers.
//
// A failure never loses a state: a directory or block that cannot be written
// leaves the states in memory (with a message) and is tried again when the
// next block is full; a block that cannot be read back in full leaves `pop`
// answering null (with a message) and the block counted, its file kept.

#include "sampling/path_list.h"

#include <string>
#include <vector>

template <bool Lifo>
class SpillStore {
public:
    // blockSize 0 takes the default: 1,000,000,000 for the stack,
    // 100,000,000 for the queue.
    explicit SpillStore(unsigned long blockSize = 0);
    ~SpillStore();
    SpillStore(const SpillStore&) = delete;
    SpillStore& operator=(const SpillStore&) = delete;

    // The container owns s from now on; a null s is ignored.
    void push(State* s);
    // The next state, now the caller's; null when empty or when the block to
    // reload cannot be read in full.
    State* pop();
    bool isEmpty() const { return numItems == 0; }
    // Species per state when a block is read back. A block to be read back
    // before it is set is refused with a message naming it; pop answers null
    // and the block waits.
    void setNumSpecies(unsigned int n)
    {
        numSpecies = n;
        numSpeciesSet = true;
    }
    // Leaves the directory in place; the destructor removes it.
    void removeDir() {}

    unsigned long getNumItems() const { return numItems; }
    unsigned long getNumFiles() const { return static_cast<unsigned long>(blocks.size()); }
    unsigned long getBlockSize() const { return blockSize; }
    // The temporary directory; empty until the first spill.
    const std::string& getTmpDir() const { return tmpDir; }

private:
    bool makeDir();
    std::string blockName(unsigned long k) const;
    void spill();

    bool spillToDisk = true;          // blocks go to files
    unsigned long blockSize;          // states per block
    unsigned long numInMemory = 0;    // states in memory since the last spill or reload
    unsigned long numItems = 0;       // states held, in memory and in files
    unsigned int numSpecies = 0;      // species per state read back
    bool numSpeciesSet = false;       // setNumSpecies has been called
    SLinkedList* list;                // the states in memory; owned
    std::string tmpDir;               // temporary directory; empty until made
    std::vector<unsigned long> blocks; // state count of each block file not yet read back, by index
};

using Queue = SpillStore<false>;
using Stack = SpillStore<true>;

#endif
