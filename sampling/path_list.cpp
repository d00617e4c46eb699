#include "sampling/path_list.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

template <class S>
S* StateChain<S>::addToHead(S* s)
{
    if (!s)
        return nullptr;
    s->setPrev(nullptr);
    if (size == 0 || !head || !tail) {
        s->setNext(nullptr);
        head = tail = s;
        size = 1;
        return s;
    }
    s->setNext(head);
    head->setPrev(s);
    head = s;
    ++size;
    return s;
}

template <class S>
S* StateChain<S>::addToTail(S* s)
{
    s->setNext(nullptr);
    if (size == 0 || !head || !tail) {
        s->setPrev(nullptr);
        head = tail = s;
        size = 1;
        return head;
    }
    tail->setNext(s);
    s->setPrev(tail);
    tail = s;
    ++size;
    return head;
}

template <class S>
S* StateChain<S>::removeHead()
{
    if (!head)
        return nullptr;
    S* s = head;
    head = s->getNext();
    s->setNext(nullptr);
    s->setPrev(nullptr);
    if (head)
        head->setPrev(nullptr);
    else
        tail = nullptr;
    --size;
    return s;
}

template <class S>
S* StateChain<S>::removeTail()
{
    if (!tail)
        return nullptr;
    S* s = tail;
    tail = s->getPrev();
    s->setNext(nullptr);
    s->setPrev(nullptr);
    if (tail)
        tail->setNext(nullptr);
    else
        head = nullptr;
    --size;
    return s;
}

template <class S>
S* StateChain<S>::find(const S* s) const
{
    for (S* x = head; x; x = x->getNext())
        if (*s == *x)
            return x;
    return nullptr;
}

template <class S>
void StateChain<S>::destroyAll()
{
    while (S* s = removeHead())
        delete s;
}

template <class S>
int PathList<S>::PrintPath() const
{
    for (S* s = chain.head; s; s = s->getNext()) {
        if (s != chain.head)
            std::cout << " -> ";
        s->PrintState_nonl();
    }
    std::cout.flush();
    return 0;
}

template <class S>
unsigned long PathList<S>::PrintLongPath()
{
    unsigned long n = 0;
    while (S* s = chain.removeHead()) {
        s->PrintState();
        ++n;
    }
    return n;
}

template <class S>
unsigned long PathList<S>::PrintList()
{
    unsigned long n = 0;
    while (S* s = chain.removeHead()) {
        s->PrintState();
        delete s;
        ++n;
    }
    return n;
}

namespace {

template <class S>
void writeLine(std::FILE* file, const S* s)
{
    const unsigned int n = s->getNumSpecies();
    for (unsigned int i = 0; i < n; ++i)
        std::fprintf(file, i + 1 < n ? "%u " : "%u\n", s->getStateValue(i));
}

// Writes the chain in the given direction and closes the file; false when a
// write, the flush or the close failed.
template <class S>
bool writeChain(std::FILE* file, const StateChain<S>& chain, bool tailFirst)
{
    for (S* s = tailFirst ? chain.tail : chain.head; s; s = tailFirst ? s->getPrev() : s->getNext())
        writeLine(file, s);
    bool ok = !std::ferror(file) && std::fflush(file) == 0;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}

template <class S>
int PathList<S>::write(const char* path, bool tailFirst)
{
    std::FILE* file = path ? std::fopen(path, "w") : nullptr;
    if (!file) {
        std::printf("ERROR: Can not create temporary file: %s\n", path ? path : "(null)");
        std::fflush(stdout);
        return -1;
    }
    if (!writeChain(file, chain, tailFirst)) {
        std::printf("ERROR: Can not write file: %s\n", path);
        std::fflush(stdout);
        return -1;
    }
    const int n = static_cast<int>(chain.size);
    chain.destroyAll();
    return n;
}

template <class S>
int PathList<S>::WriteListA(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "a") : nullptr;
    if (!file) {
        std::printf("ERROR: Can not open file: %s\n", path ? path : "(null)");
        std::fflush(stdout);
        return -1;
    }
    if (!writeChain(file, chain, false)) {
        std::printf("ERROR: Can not write file: %s\n", path);
        std::fflush(stdout);
        return -1;
    }
    int n = 0;
    while (chain.removeHead())
        ++n;
    return n;
}

template <class S>
int PathList<S>::read(const char* path, int numSpecies, unsigned int maxCount, bool atHead)
{
    if constexpr (std::is_same_v<S, State>) {
        std::vector<State*> states;
        std::string error;
        if (numSpecies < 0 || !state_files::readStates(path, static_cast<unsigned int>(numSpecies), maxCount, states, error)) {
            if (numSpecies < 0)
                error = "ERROR: negative species count for file: " + std::string(path ? path : "(null)");
            std::printf("%s\n", error.c_str());
            std::fflush(stdout);
            return -1;
        }
        for (State* s : states) {
            if (atHead)
                chain.addToHead(s);
            else
                chain.addToTail(s);
        }
        std::remove(path);
        return static_cast<int>(states.size());
    } else {
        return -1;
    }
}

namespace state_files {

bool readLine(std::FILE* file, std::string& line)
{
    line.clear();
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        if (c == '\n')
            return true;
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

bool parseCounts(const std::string& line, unsigned int n, std::vector<unsigned int>& counts)
{
    counts.assign(n, 0u);
    std::size_t p = 0;
    const std::size_t end = (!line.empty() && line.back() == '\r') ? line.size() - 1 : line.size();
    auto blank = [&](std::size_t i) { return line[i] == ' ' || line[i] == '\t'; };
    for (unsigned int k = 0; k < n; ++k) {
        while (p < end && blank(p))
            ++p;
        if (p >= end || line[p] < '0' || line[p] > '9')
            return false;
        unsigned long long v = 0;
        while (p < end && line[p] >= '0' && line[p] <= '9') {
            v = v * 10 + static_cast<unsigned>(line[p] - '0');
            if (v > 4294967295ull)
                return false;
            ++p;
        }
        if (p < end && !blank(p))
            return false;
        counts[k] = static_cast<unsigned int>(v);
    }
    while (p < end && blank(p))
        ++p;
    return p == end;
}

bool readStates(const char* path, unsigned int numSpecies, unsigned long maxCount,
                std::vector<State*>& out, std::string& error)
{
    out.clear();
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) {
        error = "ERROR: Can not open temporary file: " + std::string(path ? path : "(null)");
        return false;
    }
    std::string line;
    std::vector<unsigned int> counts;
    unsigned long lineNo = 0;
    bool ok = true;
    // A state of no species has no line at all: the states are there by count.
    while (out.size() < maxCount && (numSpecies == 0 || readLine(file, line))) {
        ++lineNo;
        if (numSpecies > 0 && !parseCounts(line, numSpecies, counts)) {
            error = "ERROR: Malformed state in file " + std::string(path) + " at line " + std::to_string(lineNo)
                + ": expected " + std::to_string(numSpecies) + " counts from 0 to 4294967295";
            ok = false;
            break;
        }
        State* s = new State(numSpecies);
        for (unsigned int i = 0; i < numSpecies; ++i)
            s->setStateValue(i, counts[i]);
        out.push_back(s);
    }
    if (ok && std::ferror(file)) {
        error = "ERROR: Can not read file: " + std::string(path);
        ok = false;
    }
    std::fclose(file);
    if (!ok) {
        for (State* s : out)
            delete s;
        out.clear();
    }
    return ok;
}

}

template struct StateChain<State>;
template struct StateChain<SamplingState>;
template class PathList<State>;
template class PathList<SamplingState>;
