#ifndef VANTU_TESTS_SAMPLING_KIT_H
#define VANTU_TESTS_SAMPLING_KIT_H

// Helpers of the path-sampling tests: states from count lists, files written
// and read whole, and a private $TMPDIR whose leftovers a test can check.

#include "sampling/destination_set.h"
#include "signalling/network.h"
#include "signalling/sampling_state.h"
#include "signalling/state.h"
#include "signalling/sbml_text.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
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

// Networks and destination sets written by the test into its $TMPDIR.
class NetworkFiles : public PrivateTmp {
protected:
    static std::string cn(const std::string& v) { return "<cn>" + v + "</cn>"; }
    Network& load(const std::string& speciesList, const std::string& reactions)
    {
        const std::string path = file("model" + std::to_string(count++) + ".xml");
        writeFile(path, sbml_text::document(speciesList, "", "", reactions));
        networks.push_back(std::make_unique<Network>());
        EXPECT_EQ(networks.back()->initializeNetwork(path.c_str()), 0);
        return *networks.back();
    }
    // Birth of X (nothing consumed) at law `up`, death at law `down`.
    Network& birthDeath(const std::string& up, const std::string& down)
    {
        using namespace sbml_text;
        return load(species("X"), reaction("up", false, "", ref("X"), "", up)
                                      + reaction("down", false, ref("X"), "", "", down));
    }
    DestinationSet& destination(const std::string& text)
    {
        const std::string path = file("dest" + std::to_string(count++) + ".txt");
        writeFile(path, text);
        sets.push_back(std::make_unique<DestinationSet>());
        EXPECT_EQ(sets.back()->readDestinationSet(path.c_str()), 1);
        return *sets.back();
    }
    // One species at count x, with room for the given columns.
    static SamplingState one(unsigned int x, unsigned int columns)
    {
        SamplingState s(1u, columns);
        s.setStateValue(0, x);
        return s;
    }

    std::vector<std::unique_ptr<Network>> networks;
    std::vector<std::unique_ptr<DestinationSet>> sets;
    int count = 0;
};

}

#endif
