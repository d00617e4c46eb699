#ifndef VANTU_SAMPLING_HASH_TABLE_H
#define VANTU_SAMPLING_HASH_TABLE_H

// Chained hash sets of states keyed by their species counts, with a fixed
// bucket count (no rehashing). `HashTable` indexes an enumerated state space
// and answers a lookup with the stored state's serial number; `HashTableS`
// is the sampler's table of visited states and answers with the stored state
// itself, and can also find every stored state of a bucket that agrees with a
// given one on a list of effective species.
//
// Bucket of a state: h = sum of count_i * 13^i over the species (unsigned
// 64-bit wrap-around, weights 0 from species 18 on, where 13^i no longer fits
// in 64 bits), modulo the bucket count, low 32 bits.
//
// The buckets are one zero-filled array of bare chains, so an untouched
// table costs address space but no memory (the default `HashTable` has
// 70,000,001 buckets). The table owns every state it accepted and keeps a
// record of the buckets in use, so destruction visits only those.

#include "sampling/path_list.h"

#include <vector>

template <class S>
class StateTable {
public:
    explicit StateTable(unsigned long n);
    ~StateTable();
    StateTable(const StateTable&) = delete;
    StateTable& operator=(const StateTable&) = delete;

    unsigned long getNumTotalItems() const { return numTotalItems; }
    unsigned long getNumBuckets() const { return numBuckets; }
    // 0 / null for a bucket outside the table.
    unsigned long getSizeofBucket(unsigned long b) const { return b < numBuckets ? buckets[b].size : 0; }
    S* getHeadofBucket(unsigned int b) const { return b < numBuckets ? buckets[b].head : nullptr; }

    unsigned long hashfunc(const S* s) const;
    // 1 inserted (the table now owns s), -1 when an equal state is stored
    // (s stays with the caller), -1 for a null s.
    int Insert(S* s);
    // No removal: the table keeps what it accepted.
    void Delete(S*) {}
    // Releases every state; the bucket count stays.
    void clear();

protected:
    // The stored state equal to s, or null.
    S* lookup(const S* s) const;
    unsigned int bucketOf(const S* s) const { return static_cast<unsigned int>(hashfunc(s)); }

    unsigned long numTotalItems = 0;  // states inserted
    unsigned long numBuckets;         // bucket count, at least 1
    StateChain<S>* buckets;           // zero-filled array of numBuckets chains; owned
    std::vector<unsigned int> used;   // indices of the buckets that hold states
};

namespace state_hash {
// Weight of position i: 13^i as converted from double, 0 from i = 18 on.
unsigned long weight(unsigned int i);
}

class HashTable : public StateTable<State> {
public:
    HashTable() : StateTable(70000001ul) {}
    // n buckets; 0 is taken as 1.
    explicit HashTable(unsigned long n) : StateTable(n) {}

    // Serial number (low 32 bits) of the stored equal state, or 4294967295.
    unsigned int Find(const State* s) const;
};

class HashTableS : public StateTable<SamplingState> {
public:
    HashTableS() : StateTable(1000001ul) {}
    // Copies the effective species, in order; the caller keeps its vector.
    explicit HashTableS(std::vector<int>* eff);
    // n buckets; 0 is taken as 1.
    explicit HashTableS(unsigned long n) : StateTable(n) {}
    ~HashTableS() { delete effSpecies; }

    SamplingState* Find(const SamplingState* s) const { return s ? lookup(s) : nullptr; }
    // Bucket over the effective species (weight by list position); 0 for an
    // empty list.
    unsigned long hashfunc1(const SamplingState* s) const;
    // New vector (the caller's) of the states in s's bucket that agree with s
    // on every effective species; null when the bucket is empty.
    std::vector<SamplingState*>* BatchFind(const SamplingState* s) const;
    const std::vector<int>* getEffSpecies() const { return effSpecies; }

private:
    std::vector<int>* effSpecies = new std::vector<int>(); // effective species indices; owned
};

#endif
