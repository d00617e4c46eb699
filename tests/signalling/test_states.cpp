#include "signalling/sampling_state.h"
#include "signalling/state.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {
std::string readAll(const QString& path)
{
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
}

TEST(State, PrintingComparisonAndCopies)
{
    State three(3);
    testing::internal::CaptureStdout();
    three.PrintState();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "0 0 0\n");

    QTemporaryDir dir;
    const QString path = dir.filePath("state.txt");
    {
        std::ofstream file(path.toStdString());
        three.PrintState(file);
    }
    EXPECT_EQ(readAll(path), "0 0 0 \n");

    State other(3);
    other.setSN(42);
    other.setNext(&three);
    EXPECT_TRUE(other == three);
    EXPECT_FALSE(State(2) == three);

    const int values[] = {4, 5, 6};
    State listed(values, 3);
    listed.setPrev(&three);
    State copy;
    copy.CopyfromState(&listed);
    EXPECT_EQ(copy.getPrev(), &three);
    EXPECT_EQ(copy.getStateValue(2), 6u);
    EXPECT_EQ(copy.getStateValue(7), 0u);
    EXPECT_EQ(copy.setStateValue(7, 1), -1);
}

TEST(State, SetStateAndAssignmentFollowTheNewSize)
{
    State small(2);
    small.setSN(9);
    const unsigned int five[] = {1, 2, 3, 4, 5};
    small.setState(five, 5);
    EXPECT_EQ(small.getSN(), 0u);
    EXPECT_EQ(small.getNumSpecies(), 5u);
    EXPECT_EQ(small.getStateValue(4), 5u);

    State tiny(1);
    tiny = small;
    EXPECT_EQ(tiny.getNumSpecies(), 5u);
    EXPECT_EQ(tiny.getStateValue(3), 4u);
    tiny.initialize();
    EXPECT_EQ(tiny.getStateValue(3), 0u);
}

TEST(SamplingState, CopiesKeepRatesProbabilitiesAndVisits)
{
    SamplingState source(2, 3);
    source.setStateValue(0, 7);
    source.setRatesA(0, 1.5);
    source.setRatesA(2, 2.5);
    source.setRatesB(1, 4.0);
    source.setGamma(2, 0.5);
    source.setpFn(1, 0.25);
    source.setpBn(2, 0.75);
    source.calca0();
    source.calcB0();
    source.setnVisits(11);
    source.setSN(3);

    SamplingState copy(&source);
    EXPECT_EQ(copy.geta0(), 4.0);
    EXPECT_EQ(copy.getb0(), 4.0);
    EXPECT_EQ(copy.getnVisits(), 11u);
    EXPECT_EQ(copy.getSN(), 3u);
    EXPECT_EQ(copy.getpBn(2), 0.75);
    copy.setRatesA(0, 9.0);
    EXPECT_EQ(source.getRatesA(0), 1.5);

    SamplingState cut(&source, 1);
    EXPECT_EQ(cut.getNumStoiReactions(), 1u);
    EXPECT_EQ(cut.getRatesA(0), 1.5);
    EXPECT_EQ(cut.getRatesA(2), 0.0);

    SamplingState target(2, 3);
    target.setnVisits(5);
    target = source;
    EXPECT_EQ(target.getpFn(1), 0.25);
    EXPECT_EQ(target.getpBn(2), 0.75);
    EXPECT_EQ(target.getnVisits(), 5u);
    EXPECT_TRUE(target == source);

    // A larger source count array and more columns than the target had.
    SamplingState bigger(6, 8);
    bigger.setStateValue(5, 1);
    bigger.setRatesA(7, 2.0);
    target = bigger;
    EXPECT_EQ(target.getStateValue(5), 1u);
    EXPECT_EQ(target.getRatesA(7), 2.0);

    SamplingState none(2, 0);
    testing::internal::CaptureStdout();
    target = none;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Zero number of reactions in SamplingState.\n");
    EXPECT_EQ(target.getNumStoiReactions(), 0u);
    EXPECT_EQ(target.getRatesA(0), 0.0);
    EXPECT_EQ(target.setRatesA(0, 1.0), -1);

    SamplingState empty;
    empty.calca0();
    EXPECT_EQ(empty.geta0(), 0.0);
}

TEST(SamplingState, PrintsFullLine)
{
    const int values[] = {1, 2};
    SamplingState s(values, 2, 1);
    s.setRatesA(0, 1.0);
    s.setRatesB(0, 2.0);
    s.setGamma(0, 0.5);
    s.setpFn(0, 0.25);
    s.setpBn(0, 0.125);
    testing::internal::CaptureStdout();
    s.PrintState_Full();
    std::cout.unsetf(std::ios::floatfield);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "1 2, a1=1.000000e+00  b1=2.000000e+00  g1=5.000000e-01;  a0=0.000000e+00, b0=0.000000e+00, "
              "nV=0, pfn1=2.500000e-01, pbn1=1.250000e-01\n");

    State plain(&s);
    EXPECT_EQ(plain.getStateValue(1), 2u);
    SamplingState back(&plain, 2);
    EXPECT_EQ(back.getStateValue(0), 1u);
    EXPECT_EQ(back.getNumStoiReactions(), 2u);
}
