#include "sampling/hash_table.h"

#include <cstdlib>
#include <new>

namespace {
// 13^i as pow(13.0, i) converted from double: exact up to i = 14, rounded to
// double for 15 to 17. 13^18 exceeds 2^64, whose conversion C++ leaves
// undefined: those weights are 0 by an explicit bound instead.
constexpr unsigned int kWeighted = 18;
constexpr unsigned long kWeights[kWeighted] = {
    1ul, 13ul, 169ul, 2197ul, 28561ul, 371293ul, 4826809ul, 62748517ul, 815730721ul, 10604499373ul,
    137858491849ul, 1792160394037ul, 23298085122481ul, 302875106592253ul, 3937376385699289ul,
    static_cast<unsigned long>(51185893014090757.0), static_cast<unsigned long>(665416609183179841.0),
    static_cast<unsigned long>(8650415919381337933.0)};
}


namespace state_hash {

unsigned long weight(unsigned int i)
{
    return i < kWeighted ? kWeights[i] : 0ul;
}

}

template <class S>
StateTable<S>::StateTable(unsigned long n)
    : numBuckets(n == 0 ? 1 : n)
{
    // calloc leaves the pages untouched until a bucket is used; an all-zero
    // chain is an empty one.
    buckets = static_cast<StateChain<S>*>(std::calloc(numBuckets, sizeof(StateChain<S>)));
    if (!buckets)
        throw std::bad_alloc();
}

template <class S>
StateTable<S>::~StateTable()
{
    clear();
    std::free(buckets);
}

template <class S>
void StateTable<S>::clear()
{
    for (unsigned int b : used)
        buckets[b].destroyAll();
    used.clear();
    numTotalItems = 0;
}

template <class S>
unsigned long StateTable<S>::hashfunc(const S* s) const
{
    unsigned long h = 0;
    const unsigned int n = s->getNumSpecies();
    for (unsigned int i = 0; i < n && i < 18; ++i)
        h += static_cast<unsigned long>(s->getStateValue(i)) * kWeights[i];
    return h % numBuckets;
}

template <class S>
S* StateTable<S>::lookup(const S* s) const
{
    const StateChain<S>& chain = buckets[bucketOf(s)];
    return chain.size ? chain.find(s) : nullptr;
}

template <class S>
int StateTable<S>::Insert(S* s)
{
    if (!s)
        return -1;
    const unsigned int b = bucketOf(s);
    StateChain<S>& chain = buckets[b];
    if (chain.size && chain.find(s))
        return -1;
    if (chain.size == 0)
        used.push_back(b);
    chain.addToTail(s);
    ++numTotalItems;
    return 1;
}

template class StateTable<State>;
template class StateTable<SamplingState>;

unsigned int HashTable::Find(const State* s) const
{
    const State* x = s ? lookup(s) : nullptr;
    return x ? static_cast<unsigned int>(x->getSN()) : 4294967295u;
}

HashTableS::HashTableS(std::vector<int>* eff)
    : StateTable(1000001ul)
{
    if (eff)
        *effSpecies = *eff;
}

unsigned long HashTableS::hashfunc1(const SamplingState* s) const
{
    unsigned long h = 0;
    for (std::size_t k = 0; k < effSpecies->size() && k < 18; ++k)
        h += static_cast<unsigned long>(s->getStateValue(static_cast<unsigned int>((*effSpecies)[k])))
            * state_hash::weight(static_cast<unsigned int>(k));
    return h % numBuckets;
}

std::vector<SamplingState*>* HashTableS::BatchFind(const SamplingState* s) const
{
    if (!s)
        return nullptr;
    const StateChain<SamplingState>& chain = buckets[bucketOf(s)];
    if (chain.size == 0)
        return nullptr;
    auto* found = new std::vector<SamplingState*>();
    for (SamplingState* x = chain.head; x; x = x->getNext()) {
        bool agree = true;
        for (int e : *effSpecies)
            if (x->getStateValue(static_cast<unsigned int>(e)) != s->getStateValue(static_cast<unsigned int>(e))) {
                agree = false;
                break;
            }
        if (agree)
            found->push_back(x);
    }
    return found;
}
