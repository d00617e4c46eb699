#ifndef VANTU_SAMPLING_PATH_LIST_H
#define VANTU_SAMPLING_PATH_LIST_H

// Intrusive lists of states. A state's list links live in the state itself,
// so a state sits in at most one list (or hash bucket) at a time. The same
// template serves `State` (paths, hash buckets of a state space, the spilling
// queue and stack) and `SamplingState` (the sampler's tables and look-ahead
// paths).
//
// `StateChain` is the bare chain: three plain fields and the operations on
// them. It has no constructor or destructor, so a hash table can keep
// millions of them in one zero-filled array that costs nothing until a bucket
// is used. `PathList` owns a chain and the states in it.
//
// List file: one state a line, its counts as unsigned decimals separated by
// single blanks, ended by "\n"; a state of zero species writes nothing.

#include "signalling/sampling_state.h"
#include "signalling/state.h"

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

template <class S>
struct StateChain {
    unsigned long size;   // number of states in the chain
    S* head;              // first state; null when empty
    S* tail;              // last state; null when empty

    // Insertions clear the links of s that they do not set, so a copied state
    // (whose copy constructor copies links) cannot splice a foreign chain in.
    S* addToHead(S* s);
    // Returns the head after the insertion.
    S* addToTail(S* s);
    // The removed state with both links cleared, or null when empty.
    S* removeHead();
    S* removeTail();
    // First state equal (species counts) to s, head first; null when none.
    S* find(const S* s) const;
    // Destroys every state, head first, and leaves the chain empty.
    void destroyAll();
};

template <class S>
class PathList {
public:
    PathList() : chain{0, nullptr, nullptr} {}
    ~PathList() { chain.destroyAll(); }
    PathList(const PathList&) = delete;
    PathList& operator=(const PathList&) = delete;

    S* getHead() const { return chain.head; }
    S* getTail() const { return chain.tail; }
    unsigned long getSize() const { return chain.size; }

    // s (null for a null s).
    S* AddtoHead(S* s) { return chain.addToHead(s); }
    // The head after the insertion (null for a null s).
    S* AddtoTail(S* s) { return s ? chain.addToTail(s) : nullptr; }
    // The removed state, now the caller's; null when empty.
    S* HeadDel() { return chain.removeHead(); }
    S* TailDel() { return chain.removeTail(); }
    S* Find(const S* s) const { return s ? chain.find(s) : nullptr; }

    // The path on one line, " -> " between states, no line end; returns 0.
    int PrintPath() const;
    // One state a line, head first; the states leave the list undestroyed
    // (the caller keeps its own handles). Returns the number printed.
    unsigned long PrintLongPath();
    // One state a line, head first; the states are destroyed.
    unsigned long PrintList();
    void DeleteList() { chain.destroyAll(); }

    // Write the list file head to tail (tail to head for the Q form) and
    // destroy the states once the whole file is written and closed. -1 with a
    // message when the file cannot be created or written; the list is then
    // unchanged.
    int WriteList(const char* path) { return write(path, false); }
    int WriteListQ(const char* path) { return write(path, true); }
    // Appends head to tail; the states leave the list undestroyed once the
    // file is complete. -1 with a message when it cannot be opened or written.
    int WriteListA(const char* path);

    // Reads at most maxCount states of numSpecies counts each and adds them
    // at the tail (ReadList) or the head (ReadListQ); the file is then
    // removed. A line must hold exactly numSpecies unsigned decimal counts
    // (at most 4294967295); trailing blanks and CRLF are accepted, and the
    // end of the file ends the read. A missing file or a malformed line gives
    // -1 with a message naming file and line; the list and the file are then
    // unchanged.
    template <class T = S, std::enable_if_t<std::is_same_v<T, State>, int> = 0>
    int ReadList(const char* path, int numSpecies, unsigned int maxCount) { return read(path, numSpecies, maxCount, false); }
    template <class T = S, std::enable_if_t<std::is_same_v<T, State>, int> = 0>
    int ReadListQ(const char* path, int numSpecies, unsigned int maxCount) { return read(path, numSpecies, maxCount, true); }

    // Every state's total propensity (recomputed) as "%.4f ", head first;
    // returns the number of states.
    template <class T = S, std::enable_if_t<std::is_same_v<T, SamplingState>, int> = 0>
    unsigned long PrintPathA0s();
    // The largest recomputed total propensity of the path; 0.0 when none is
    // positive.
    template <class T = S, std::enable_if_t<std::is_same_v<T, SamplingState>, int> = 0>
    double CalcAllA0();

private:
    int write(const char* path, bool tailFirst);
    int read(const char* path, int numSpecies, unsigned int maxCount, bool atHead);

    StateChain<S> chain; // size, head and tail of the list
};

using SLinkedList = PathList<State>;
using SLinkedListS = PathList<SamplingState>;

namespace state_files {

// Reads up to maxCount states of a list file into out (new states, owned by
// the caller) without touching the file. False with error set (file and
// line) when the file cannot be opened or a line is malformed; out is then
// empty.
bool readStates(const char* path, unsigned int numSpecies, unsigned long maxCount,
                std::vector<State*>& out, std::string& error);

// Parses one line of counts: exactly n unsigned decimals in 0 ... 4294967295
// separated by blanks or tabs, with trailing blanks and a CR allowed.
bool parseCounts(const std::string& line, unsigned int n, std::vector<unsigned int>& counts);

// Reads the next line without its "\n"; false at the end of the file.
bool readLine(std::FILE* file, std::string& line);

}

template <class S>
template <class T, std::enable_if_t<std::is_same_v<T, SamplingState>, int>>
unsigned long PathList<S>::PrintPathA0s()
{
    unsigned long n = 0;
    for (S* s = chain.head; s; s = s->getNext(), ++n) {
        s->calca0();
        std::printf("%.4f ", s->geta0());
    }
    std::fflush(stdout);
    return n;
}

template <class S>
template <class T, std::enable_if_t<std::is_same_v<T, SamplingState>, int>>
double PathList<S>::CalcAllA0()
{
    double largest = 0.0;
    for (S* s = chain.head; s; s = s->getNext()) {
        s->calca0();
        if (s->geta0() > largest)
            largest = s->geta0();
    }
    return largest;
}

#endif
