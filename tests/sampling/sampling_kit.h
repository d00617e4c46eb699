#ifndef VANTU_TESTS_SAMPLING_KIT_H
#define VANTU_TESTS_SAMPLING_KIT_H

// Helpers of the path-sampling tests: states from count lists, files written
// and read whole, and a private $TMPDIR whose leftovers a test can check.

#include "signalling/sampling_state.h"
#include "signalling/state.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace sampling_kit {

inline State* state(std::initializer_list<unsigned int> counts)
{
    State* s = new State(static_cast<unsigned int>(counts.size()));
    unsigned int i = 0;
    for (unsigned int c : counts)
        s->setStateValue(i++, c);
    return s;
}

inline SamplingState* sstate(std::initializer_list<unsigned int> counts, unsigned int columns = 0)
{
    SamplingState* s = new SamplingState(static_cast<unsigned int>(counts.size()), columns);
    unsigned int i = 0;
    for (unsigned int c : counts)
        s->setStateValue(i++, c);
    return s;
}

template <class S>
std::vector<unsigned int> counts(const S* s)
{
    std::vector<unsigned int> out;
    for (unsigned int i = 0; s && i < s->getNumSpecies(); ++i)
        out.push_back(s->getStateValue(i));
    return out;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline bool exists(const std::string& path)
{
    std::ifstream in(path);
    return in.good();
}

// Points $TMPDIR at a fresh directory for the fixture's life.
class PrivateTmp : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TMPDIR");
        hadOld = old != nullptr;
        if (old)
            oldValue = old;
        ::setenv("TMPDIR", tmpPath().c_str(), 1);
    }
    void TearDown() override
    {
        if (hadOld)
            ::setenv("TMPDIR", oldValue.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    std::string tmpPath() const { return tmp.path().toStdString(); }
    std::string file(const std::string& name) const { return tmpPath() + "/" + name; }
    // Names left in the private $TMPDIR.
    QStringList leftovers() const { return QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }

    QTemporaryDir tmp;
    bool hadOld = false;
    std::string oldValue;
};

}

#endif
