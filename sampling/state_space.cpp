#include "sampling/state_space.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>

namespace {

std::vector<std::string> tokens(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t p = 0;
    while (p < line.size()) {
        while (p < line.size() && std::isspace(static_cast<unsigned char>(line[p])))
            ++p;
        std::size_t q = p;
        while (q < line.size() && !std::isspace(static_cast<unsigned char>(line[q])))
            ++q;
        if (q > p)
            out.push_back(line.substr(p, q - p));
        p = q;
    }
    return out;
}

// An unsigned decimal of at most max, digits only.
bool parseUnsigned(const std::string& text, unsigned long long max, unsigned long long& value)
{
    if (text.empty())
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const unsigned long long d = static_cast<unsigned long long>(c - '0');
        if (value > (max - d) / 10)
            return false;
        value = value * 10 + d;
    }
    return true;
}

int refuse(const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    return -1;
}

std::string where(const char* path, unsigned long line)
{
    return std::string(path) + " at line " + std::to_string(line);
}

}

StateSpace::StateSpace()
    : hashTable(new HashTable())
{
}

StateSpace::~StateSpace()
{
    delete hashTable;
}

int StateSpace::readStateSpace(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file)
        return refuse("ERROR: Can not open state space file: " + std::string(path ? path : "(null)"));
    struct stat info {};
    const unsigned long long fileSize = ::fstat(fileno(file), &info) == 0 ? static_cast<unsigned long long>(info.st_size) : 0;

    auto fail = [&](const std::string& text) {
        std::fclose(file);
        return refuse("ERROR: State space file " + text);
    };
    std::string line;
    unsigned long lineNo = 1;
    unsigned long long species = 0, rows = 0;
    std::vector<std::string> header;
    if (state_files::readLine(file, line))
        header = tokens(line);
    if (header.size() != 2 || !parseUnsigned(header[0], 4294967295ull, species)
        || !parseUnsigned(header[1], 18446744073709551615ull, rows))
        return fail(where(path, lineNo) + ": expected the species count and the state count");
    // A row of n counts takes at least 2n bytes ("0 0 ... 0\n"), an empty row one.
    const unsigned long long rowBytes = species > 0 ? 2 * species : 1;
    if (rows > 0 && (rows > fileSize / rowBytes || species * rows > fileSize))
        return fail(where(path, lineNo) + ": " + std::to_string(rows) + " states of " + std::to_string(species)
                    + " species cannot fit in " + std::to_string(fileSize) + " bytes");

    ++lineNo;
    std::vector<std::string> ids;
    if (!state_files::readLine(file, line) && species > 0)
        return fail(where(path, lineNo) + ": missing species identifiers");
    ids = tokens(line);
    if (ids.size() != species)
        return fail(where(path, lineNo) + ": expected " + std::to_string(species) + " species identifiers");

    std::vector<unsigned int> values(static_cast<std::size_t>(rows * species));
    std::vector<unsigned int> counts;
    for (unsigned long long r = 0; r < rows; ++r) {
        ++lineNo;
        if (!state_files::readLine(file, line))
            return fail(where(path, lineNo) + ": missing rows (" + std::to_string(r) + " of "
                        + std::to_string(rows) + " read)");
        if (!state_files::parseCounts(line, static_cast<unsigned int>(species), counts))
            return fail(where(path, lineNo) + ": expected " + std::to_string(species)
                        + " counts from 0 to 4294967295");
        std::copy(counts.begin(), counts.end(), values.begin() + static_cast<long>(r * species));
    }
    while (state_files::readLine(file, line)) {
        ++lineNo;
        if (!tokens(line).empty())
            return fail(where(path, lineNo) + ": more rows than the header gives");
    }
    std::fclose(file);

    numSpecies = static_cast<unsigned int>(species);
    numStates = rows;
    speciesID = ids;
    states.swap(values);
    hashTable->clear();
    for (unsigned long r = 0; r < numStates; ++r) {
        State* s = new State(numSpecies);
        for (unsigned int k = 0; k < numSpecies; ++k)
            s->setStateValue(k, states[r * numSpecies + k]);
        s->setSN(r);
        if (hashTable->Insert(s) < 0)
            delete s;
    }
    return 0;
}

int StateSpace::writeStateSpace(const char* path)
{
    if (speciesID.size() != numSpecies || states.size() < numStates * numSpecies)
        return refuse("Error: state space incomplete: " + std::to_string(speciesID.size()) + " identifiers and "
                      + std::to_string(states.size()) + " counts for " + std::to_string(numSpecies)
                      + " species and " + std::to_string(numStates) + " states");
    for (const std::string& id : speciesID)
        if (id.empty() || tokens(id).size() != 1 || tokens(id)[0] != id)
            return refuse("Error: species identifier \"" + id + "\" is empty or holds a blank");
    std::FILE* file = path ? std::fopen(path, "w") : nullptr;
    if (!file)
        return refuse("Error: cannot creat file: " + std::string(path ? path : "(null)"));
    std::fprintf(file, "%u %lu\n", numSpecies, numStates);
    for (unsigned int k = 0; k < numSpecies; ++k)
        std::fprintf(file, k + 1 < numSpecies ? "%s " : "%s", speciesID[k].c_str());
    std::fputc('\n', file);
    for (unsigned long r = 0; r < numStates; ++r) {
        for (unsigned int k = 0; k < numSpecies; ++k)
            std::fprintf(file, k + 1 < numSpecies ? "%u " : "%u", states[r * numSpecies + k]);
        std::fputc('\n', file);
    }
    bool ok = !std::ferror(file) && std::fflush(file) == 0;
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        return refuse("Error: cannot write file: " + std::string(path));
    return 1;
}

unsigned int StateSpace::getValue(unsigned int r, unsigned int s) const
{
    if (r >= numStates || s >= numSpecies || static_cast<unsigned long>(r) * numSpecies + s >= states.size())
        return 0;
    return states[static_cast<unsigned long>(r) * numSpecies + s];
}

State* StateSpace::getState(unsigned int r) const
{
    if (r >= numStates || (static_cast<unsigned long>(r) + 1) * numSpecies > states.size())
        return nullptr;
    State* s = new State(numSpecies);
    for (unsigned int k = 0; k < numSpecies; ++k)
        s->setStateValue(k, states[static_cast<unsigned long>(r) * numSpecies + k]);
    return s;
}

int StateSpace::setStates(const unsigned int* values)
{
    if (!values) {
        states.clear();
        return 1;
    }
    states.assign(values, values + numStates * numSpecies);
    return 1;
}

int StateSpace::setSpeciesID(const std::string* ids, unsigned int n)
{
    if (n != numSpecies || (n > 0 && !ids)) {
        std::puts("Error parameters in arg2 of setSpecies().");
        std::fflush(stdout);
        return -1;
    }
    speciesID.assign(ids, ids + n);
    return 1;
}

int InitialConds::readInitialConds(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file) {
        std::printf("cannot open file: %s\n", path ? path : "(null)");
        std::fflush(stdout);
        return -1;
    }
    auto fail = [&](unsigned long line, const std::string& text) {
        std::fclose(file);
        return refuse("ERROR: Initial conditions file " + where(path, line) + ": " + text);
    };
    std::string line;
    std::vector<std::string> header;
    if (state_files::readLine(file, line))
        header = tokens(line);
    unsigned long long species = 0, count = 0;
    if (header.size() != 2 || !parseUnsigned(header[0], 4294967295ull, species)
        || !parseUnsigned(header[1], 4294967295ull, count))
        return fail(1, "expected the species count and the number of initial states");

    std::vector<std::vector<unsigned int>> rows;
    std::vector<double> probabilities;
    double sum = 0.0;
    bool negative = false;
    for (unsigned long long t = 0; t < count; ++t) {
        const unsigned long lineNo = static_cast<unsigned long>(t) + 2;
        if (!state_files::readLine(file, line))
            return fail(lineNo, "missing initial state " + std::to_string(t + 1) + " of " + std::to_string(count));
        const std::vector<std::string> words = tokens(line);
        if (words.size() != species + 1)
            return fail(lineNo, "expected " + std::to_string(species) + " counts and a probability");
        std::vector<unsigned int> row(static_cast<std::size_t>(species));
        for (unsigned long long s = 0; s < species; ++s) {
            unsigned long long v = 0;
            if (!parseUnsigned(words[s], 4294967295ull, v))
                return fail(lineNo, "count " + words[s] + " is not a number from 0 to 4294967295");
            row[s] = static_cast<unsigned int>(v);
        }
        const std::string& text = words.back();
        char* end = nullptr;
        errno = 0;
        // The probability is held in single precision, as the file format has it.
        const float p = std::strtof(text.c_str(), &end);
        if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(p))
            return fail(lineNo, "probability " + text + " is not a number");
        negative = negative || p < 0.0f;
        rows.push_back(row);
        probabilities.push_back(static_cast<double>(p));
        sum += static_cast<double>(p);
    }
    std::fclose(file);

    State* loaded = rows.empty() ? nullptr : new State[rows.size()];
    for (std::size_t t = 0; t < rows.size(); ++t)
        loaded[t].setState(rows[t].data(), static_cast<unsigned int>(species));
    delete[] initialStates;
    initialStates = loaded;
    numInitialStates = static_cast<unsigned int>(rows.size());
    pdv = probabilities;

    if (!negative && std::fabs(sum - 1.0) <= 1e-5)
        return 1;
    std::cout << "Probabilities in initial conditions do not sum to 1. " << sum << std::endl;
    return -2;
}
