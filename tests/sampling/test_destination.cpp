// Destination sets: their file, the distances they measure and the border
// test of the path distances.
#include "sampling/destination_set.h"

#include "sampling_kit.h"

#include <climits>
#include <memory>

using namespace sampling_kit;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class Destinations : public PrivateTmp {
protected:
    int read(DestinationSet& d, const std::string& text)
    {
        writeFile(file("dest.txt"), text);
        return d.readDestinationSet(file("dest.txt").c_str());
    }
};

// Eight species with species 6 and 7 at the given counts.
SamplingState* border(unsigned int s6, unsigned int s7, unsigned int s0 = 0)
{
    return sstate({s0, 0, 0, 0, 0, 0, s6, s7});
}

}

TEST_F(Destinations, FileGivesFlagsRangesAndDistances)
{
    DestinationSet d;
    ASSERT_EQ(read(d, "# target\n3\n# species\n0 10:20 5\n# after\nignored 1:2\n"), 1);
    EXPECT_EQ(d.getNumSpecies(), 3u);
    std::unique_ptr<std::vector<int>> eff(d.geteffspecies());
    EXPECT_EQ(*eff, std::vector<int>{1});
    EXPECT_EQ(d.getLower(1), 10);
    EXPECT_EQ(d.getUpper(1), 20);

    ASSERT_EQ(read(d, "3\n1:5 0 2:4\n"), 1);
    eff.reset(d.geteffspecies());
    EXPECT_EQ(*eff, (std::vector<int>{0, 2}));
    EXPECT_EQ((std::vector<int>{d.getEffective(0), d.getEffective(1), d.getEffective(2)}), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ((std::vector<int64_t>{d.getLower(0), d.getUpper(0), d.getLower(1), d.getUpper(1), d.getLower(2), d.getUpper(2)}),
              (std::vector<int64_t>{1, 5, 0, -1, 2, 4}));
    std::unique_ptr<SamplingState> a(sstate({3, 9, 9})), b(sstate({0, 0, 4})), c(sstate({3, 1000, 9}));
    std::unique_ptr<State> plain(state({3, 9, 9}));
    EXPECT_DOUBLE_EQ(d.getDistanceFromState(a.get()), 6.0);
    EXPECT_DOUBLE_EQ(d.getDistanceFromState(plain.get()), 6.0);
    EXPECT_DOUBLE_EQ(d.getDistanceFromState(b.get()), 3.0);
    EXPECT_DOUBLE_EQ(d.getDistanceBtwTwoStates(a.get(), c.get()), 0.0) << "free species never count";
    EXPECT_DOUBLE_EQ(d.getDistanceBtwTwoStates(a.get(), b.get()), 8.0);

    SLinkedListS path;
    EXPECT_DOUBLE_EQ(d.getDistanceFromPath(&path), 1e8);
    path.AddtoTail(new SamplingState(a.get()));
    path.AddtoTail(new SamplingState(b.get()));
    EXPECT_DOUBLE_EQ(d.getDistanceFromPath(&path), 3.0);

    // Empty tokens are free species of value 0; a missing species line
    // leaves every species free; bounds compare as signed 64-bit values.
    ASSERT_EQ(read(d, "3\n1:2  4294967295:4294967295\n"), 1);
    EXPECT_EQ(d.getEffective(1), 0);
    EXPECT_EQ(d.getLower(2), 4294967295);
    std::unique_ptr<SamplingState> top(sstate({1, 0, 4294967295u}));
    EXPECT_DOUBLE_EQ(d.getDistanceFromState(top.get()), 0.0);
    ASSERT_EQ(read(d, "2\n"), 1);
    eff.reset(d.geteffspecies());
    EXPECT_TRUE(eff->empty());
    ASSERT_EQ(read(d, "1\n-5:10\n"), 1);
    std::unique_ptr<SamplingState> three(sstate({3}));
    EXPECT_DOUBLE_EQ(d.getDistanceFromState(three.get()), 0.0);
}

TEST_F(Destinations, BadFilesAreRefusedWithTheirFault)
{
    DestinationSet d;
    ASSERT_EQ(read(d, "2\n1:5 0\n"), 1);
    const std::string path = file("dest.txt");
    struct Case {
        std::string text;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"", "no species count"},
        {"# only\n# comments\n", "no species count"},
        {"count\n1:2\n", "line 1 holds no species count"},
        {"-3\n1:2\n", "line 1 holds the species count -3"},
        {"3\n1:2 5\n", "line 2 gives 2 species of 3"},
        {"1\n" + std::string(256, '1') + "\n", "line 2 is longer than 255 characters"},
    };
    for (const Case& c : cases) {
        CaptureStdout();
        EXPECT_EQ(read(d, c.text), -1) << c.text;
        EXPECT_EQ(GetCapturedStdout(), "File read error in " + path + " 2\nERROR: " + c.fault + "\n") << c.text;
        EXPECT_EQ(d.getNumSpecies(), 2u);
        EXPECT_EQ(d.getUpper(0), 5);
    }
    CaptureStdout();
    EXPECT_EQ(d.readDestinationSet(file("missing").c_str()), -1);
    EXPECT_EQ(GetCapturedStdout(), "File read error in " + file("missing") + " 2\nERROR: cannot open the file\n");
    ASSERT_EQ(read(d, "1\n" + std::string(253, '1') + ":9\n"), 1) << "255 characters still fit";
}

TEST_F(Destinations, PathDistancesStopAtTheBorder)
{
    DestinationSet d;
    ASSERT_EQ(read(d, "8\n0:10 0 0 0 0 0 0 0\n"), 1);
    std::unique_ptr<SamplingState> ref(border(40, 40)), p1(border(45, 30, 20)), p2(border(50, 49, 12)),
        p3(border(60, 40, 30)), begin(border(40, 40, 2));
    SamplingState* path[] = {p1.get(), p2.get(), p3.get()};
    EXPECT_EQ(d.getPathDistanceToDest(ref.get(), path, 0), -1.0);
    CaptureStdout();
    EXPECT_DOUBLE_EQ(d.getPathDistanceToDest(ref.get(), path, 2), 7.0) << "50 never crosses";
    EXPECT_EQ(GetCapturedStdout(), ">>>> 20; >>>> 10\n>>>> 1; >>>> 10\n");
    CaptureStdout();
    EXPECT_DOUBLE_EQ(d.getPathDistanceToDest(ref.get(), path, 3), 7.0);
    EXPECT_EQ(GetCapturedStdout(), ">>>> 20; >>>> 10\n>>>> 1; >>>> 10\n>>>> 10; >>>> 10\nYEAH... CROSSING THE BORDER\n");
    CaptureStdout();
    EXPECT_DOUBLE_EQ(d.getPathDistanceToBegin(begin.get(), ref.get(), path, 2), 10.0);
    EXPECT_DOUBLE_EQ(d.getPathDistanceToDest(ref.get(), path + 2, 1), -1.0) << "first state across";
    GetCapturedStdout();

    std::unique_ptr<SamplingState> edge(border(0, 30)), small(sstate({1, 2, 3}));
    EXPECT_EQ(d.getDistance2Edge(edge.get()), -20);
    CaptureStdout();
    EXPECT_EQ(d.getDistance2Edge(small.get()), INT_MIN);
    SamplingState* shortPath[] = {small.get()};
    EXPECT_EQ(d.getPathDistanceToDest(ref.get(), shortPath, 1), -1.0);
    EXPECT_EQ(d.getPathDistanceToBegin(begin.get(), small.get(), path, 1), -1.0);
    EXPECT_EQ(d.getPathDistanceToDest(ref.get(), nullptr, 2), -1.0);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("getDistance2Edge needs states of at least 8 species"), std::string::npos) << out;
    EXPECT_NE(out.find("getPathDistanceToDest was given no path"), std::string::npos) << out;
}
