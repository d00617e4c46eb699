#include "sampling/destination_set.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

const unsigned int kLongestLine = 255;

// As atoi converts (leading blanks, a sign, digits up to the first other
// character, 0 when there are none), but into 64 bits, so bounds up to
// 4294967295 and beyond are kept.
int64_t atoiWide(const std::string& text)
{
    std::size_t p = 0;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    int64_t v = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9' && v < INT64_MAX / 10 - 9)
        v = v * 10 + (text[p++] - '0');
    return negative ? -v : v;
}

// The species count: a decimal integer alone on its line (blanks around it).
bool parseCount(const std::string& line, long long& count)
{
    const char* begin = line.c_str();
    char* end = nullptr;
    count = std::strtoll(begin, &end, 10);
    if (end == begin)
        return false;
    while (*end && std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    return *end == '\0';
}

// The next line without its line end; false at the end of the file. Sets
// tooLong for a line of more than 255 characters.
bool nextLine(std::FILE* file, std::string& line, bool& tooLong)
{
    if (!state_files::readLine(file, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    tooLong = line.size() > kLongestLine;
    return true;
}

bool hasEightSpecies(const SamplingState* s, const char* who)
{
    if (s && s->getNumSpecies() >= 8)
        return true;
    std::printf("ERROR: %s needs states of at least 8 species (the border lies in species 7 and 8)\n", who);
    std::fflush(stdout);
    return false;
}

}

int DestinationSet::readDestinationSet(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "r") : nullptr;
    std::string fault;
    long long count = -1;
    std::vector<std::string> tokens;
    bool speciesLine = false;
    if (!file) {
        fault = "cannot open the file";
    } else {
        std::string line;
        bool tooLong = false;
        unsigned long number = 0, dataLines = 0;
        while (fault.empty() && dataLines < 2 && nextLine(file, line, tooLong)) {
            ++number;
            if (tooLong)
                fault = "line " + std::to_string(number) + " is longer than 255 characters";
            else if (!line.empty() && line[0] == '#')
                continue;
            else if (dataLines++ == 0) {
                if (!parseCount(line, count))
                    fault = "line " + std::to_string(number) + " holds no species count";
                else if (count < 0 || count > 4294967295ll)
                    fault = "line " + std::to_string(number) + " holds the species count " + std::to_string(count);
            } else {
                speciesLine = true;
                std::size_t p = 0;
                while (true) {
                    const std::size_t q = line.find(' ', p);
                    tokens.push_back(line.substr(p, q == std::string::npos ? std::string::npos : q - p));
                    if (q == std::string::npos)
                        break;
                    p = q + 1;
                }
                if (tokens.size() < static_cast<unsigned long long>(count))
                    fault = "line " + std::to_string(number) + " gives " + std::to_string(tokens.size())
                        + " species of " + std::to_string(count);
            }
        }
        if (fault.empty() && count < 0)
            fault = "no species count";
        std::fclose(file);
    }
    if (!fault.empty()) {
        std::printf("File read error in %s %u\n", path ? path : "(null)", numSpecies);
        std::printf("ERROR: %s\n", fault.c_str());
        std::fflush(stdout);
        return -1;
    }

    numSpecies = static_cast<unsigned int>(count);
    range.assign(numSpecies, {0, 0});
    effective.assign(numSpecies, 0);
    // A file that ends after the count leaves every species free.
    for (unsigned int i = 0; speciesLine && i < numSpecies; ++i) {
        const std::string& token = tokens[i];
        const std::size_t colon = token.find(':');
        if (colon == std::string::npos) {
            range[i] = {atoiWide(token), -1};
        } else {
            range[i] = {atoiWide(token.substr(0, colon)), atoiWide(token.substr(colon + 1))};
            effective[i] = 1;
        }
    }
    return 1;
}

std::vector<int>* DestinationSet::geteffspecies() const
{
    auto* eff = new std::vector<int>();
    for (unsigned int i = 0; i < numSpecies; ++i)
        if (effective[i] == 1)
            eff->push_back(static_cast<int>(i));
    return eff;
}

template <class S>
double DestinationSet::distance(const S* x) const
{
    double d = 0.0;
    for (unsigned int i = 0; x && i < numSpecies; ++i) {
        if (effective[i] != 1)
            continue;
        const int64_t c = x->getStateValue(i);
        if (c < range[i][0] || c > range[i][1])
            d += std::fabs(static_cast<double>(c) - (static_cast<double>(range[i][0]) + static_cast<double>(range[i][1])) * 0.5);
    }
    return d;
}

template <class S>
double DestinationSet::between(const S* x, const S* y) const
{
    double d = 0.0;
    for (unsigned int i = 0; x && y && i < numSpecies; ++i)
        if (effective[i] == 1)
            d += std::fabs(static_cast<double>(x->getStateValue(i)) - static_cast<double>(y->getStateValue(i)));
    return d;
}

int DestinationSet::getDistance2Edge(const SamplingState* s) const
{
    if (!hasEightSpecies(s, "getDistance2Edge"))
        return INT_MIN;
    return static_cast<int>(s->getStateValue(7)) - 50;
}

double DestinationSet::getDistanceFromPath(const SLinkedListS* list) const
{
    double best = 100000000.0;
    for (const SamplingState* s = list ? list->getHead() : nullptr; s; s = s->getNext())
        best = std::min(best, distance(s));
    return best;
}

double DestinationSet::getPathDistanceToDest(const SamplingState* ref, SamplingState** path, unsigned int n) const
{
    return pathDistance(nullptr, ref, path, n);
}

double DestinationSet::getPathDistanceToBegin(const SamplingState* begin, const SamplingState* ref,
                                              SamplingState** path, unsigned int n) const
{
    return pathDistance(begin, ref, path, n);
}

// Without begin, each path state is measured from the destination; with it,
// from begin. A state strictly on the other side of the level 50 than ref in
// species 6 or 7 ends the walk with the distance of the state before it.
double DestinationSet::pathDistance(const SamplingState* begin, const SamplingState* ref, SamplingState** path,
                                    unsigned int n) const
{
    if (n == 0)
        return -1.0;
    const char* who = begin ? "getPathDistanceToBegin" : "getPathDistanceToDest";
    if (!path) {
        std::printf("ERROR: %s was given no path\n", who);
        std::fflush(stdout);
        return -1.0;
    }
    if (!hasEightSpecies(ref, who))
        return -1.0;
    for (unsigned int k = 0; k < n; ++k)
        if (!hasEightSpecies(path[k], who))
            return -1.0;
    const int64_t r6 = 50 - static_cast<int64_t>(ref->getStateValue(6));
    const int64_t r7 = 50 - static_cast<int64_t>(ref->getStateValue(7));
    double previous = -1.0, d = -1.0;
    for (unsigned int k = 0; k < n; ++k) {
        d = begin ? between(begin, path[k]) : distance(path[k]);
        const int64_t p6 = 50 - static_cast<int64_t>(path[k]->getStateValue(6));
        const int64_t p7 = 50 - static_cast<int64_t>(path[k]->getStateValue(7));
        std::cout << ">>>> " << p7 << "; >>>> " << r7 << std::endl;
        // Signs compared, not products, so counts far from 50 cannot overflow.
        if ((p6 < 0 && r6 > 0) || (p6 > 0 && r6 < 0) || (p7 < 0 && r7 > 0) || (p7 > 0 && r7 < 0)) {
            std::cout << "YEAH... CROSSING THE BORDER" << std::endl;
            return previous;
        }
        previous = d;
    }
    return d;
}

template double DestinationSet::distance<State>(const State*) const;
template double DestinationSet::between<State>(const State*, const State*) const;
template double DestinationSet::distance<SamplingState>(const SamplingState*) const;
template double DestinationSet::between<SamplingState>(const SamplingState*, const SamplingState*) const;
