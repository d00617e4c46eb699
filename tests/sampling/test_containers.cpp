// Lists, hash tables, and the spilling queue and stack of the path-sampling
// library: the order they keep, what they own, and their files.
#include "sampling/hash_table.h"
#include "sampling/path_list.h"
#include "sampling/spill_store.h"

#include "sampling_kit.h"

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace sampling_kit;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class PathLists : public PrivateTmp {};
class StateTables : public PrivateTmp {};
class SpillStores : public PrivateTmp {};

template <class List>
std::vector<std::vector<unsigned int>> contents(const List& list)
{
    std::vector<std::vector<unsigned int>> out;
    for (auto* s = list.getHead(); s; s = s->getNext())
        out.push_back(counts(s));
    return out;
}

using Rows = std::vector<std::vector<unsigned int>>;

}

TEST_F(PathLists, EndsLinksAndFind)
{
    SLinkedList list;
    State* only = state({1});
    EXPECT_EQ(list.AddtoTail(only), only);
    EXPECT_EQ(list.TailDel(), only);
    EXPECT_EQ(list.HeadDel(), nullptr);
    EXPECT_EQ(list.getHead(), nullptr);
    EXPECT_EQ(list.getTail(), nullptr);
    EXPECT_EQ(list.getSize(), 0u);

    State* a = state({2});
    EXPECT_EQ(list.AddtoTail(only), only);
    EXPECT_EQ(list.AddtoTail(a), only) << "a non-empty list answers with its unchanged head";
    State* front = state({2});
    EXPECT_EQ(list.AddtoHead(front), front);
    EXPECT_EQ(list.AddtoHead(nullptr), nullptr);
    EXPECT_EQ(list.AddtoTail(nullptr), nullptr);
    EXPECT_EQ(contents(list), (Rows{{2}, {1}, {2}}));
    State probe(1u);
    probe.setStateValue(0, 2);
    EXPECT_EQ(list.Find(&probe), front) << "the equal state nearer the head";
    probe.setStateValue(0, 9);
    EXPECT_EQ(list.Find(&probe), nullptr);

    // A copy of a listed state carries that state's links; inserting it must
    // not splice the other list's chain into this one.
    SLinkedListS other;
    other.AddtoTail(sstate({1}));
    other.AddtoTail(sstate({2}));
    other.AddtoTail(sstate({3}));
    SLinkedListS mine;
    mine.AddtoTail(new SamplingState(other.getHead()->getNext()));
    mine.AddtoHead(new SamplingState(other.getHead()->getNext()));
    EXPECT_EQ(mine.getSize(), 2u);
    EXPECT_EQ(contents(mine), (Rows{{2}, {2}}));
    EXPECT_EQ(mine.getTail()->getNext(), nullptr);
    EXPECT_EQ(mine.getHead()->getPrev(), nullptr);
    EXPECT_EQ(contents(other), (Rows{{1}, {2}, {3}}));
}

TEST_F(PathLists, PrintingAndTotals)
{
    SLinkedList path;
    path.AddtoTail(state({1, 2}));
    path.AddtoTail(state({1, 3}));
    CaptureStdout();
    EXPECT_EQ(path.PrintPath(), 0);
    EXPECT_EQ(GetCapturedStdout(), "1 2 -> 1 3");
    CaptureStdout();
    EXPECT_EQ(path.PrintList(), 2u);
    EXPECT_EQ(GetCapturedStdout(), "1 2\n1 3\n");
    EXPECT_EQ(path.getSize(), 0u);

    SLinkedListS a0s;
    SamplingState* x = sstate({0}, 2);
    x->setRatesA(0, 0.25);
    x->setRatesA(1, 0.25);
    SamplingState* y = sstate({1}, 2);
    y->setRatesA(0, 2.0);
    a0s.AddtoTail(x);
    a0s.AddtoTail(y);
    CaptureStdout();
    EXPECT_EQ(a0s.PrintPathA0s(), 2u);
    EXPECT_EQ(GetCapturedStdout(), "0.5000 2.0000 ");
    EXPECT_DOUBLE_EQ(a0s.CalcAllA0(), 2.0);
    CaptureStdout();
    EXPECT_EQ(a0s.PrintLongPath(), 2u);
    EXPECT_EQ(GetCapturedStdout(), "0\n1\n");
    EXPECT_EQ(a0s.getSize(), 0u);
    delete x; // PrintLongPath hands the states back undestroyed
    delete y;
    EXPECT_DOUBLE_EQ(a0s.CalcAllA0(), 0.0);
}

TEST_F(PathLists, FilesRoundTripInOrderAndFormat)
{
    const std::string path = file("list.txt");
    SLinkedList list;
    list.AddtoTail(state({3, 0, 12}));
    list.AddtoTail(state({2, 1, 12}));
    list.AddtoTail(state({4294967295u, 0, 2147483648u}));
    EXPECT_EQ(list.WriteList(path.c_str()), 3);
    EXPECT_EQ(list.getSize(), 0u);
    EXPECT_EQ(readFile(path), "3 0 12\n2 1 12\n4294967295 0 2147483648\n");
    EXPECT_EQ(list.ReadList(path.c_str(), 3, 3), 3);
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(contents(list), (Rows{{3, 0, 12}, {2, 1, 12}, {4294967295u, 0, 2147483648u}}));

    EXPECT_EQ(list.WriteListQ(path.c_str()), 3);
    EXPECT_EQ(readFile(path), "4294967295 0 2147483648\n2 1 12\n3 0 12\n");
    EXPECT_EQ(list.ReadListQ(path.c_str(), 3, 3), 3);
    EXPECT_EQ(contents(list), (Rows{{3, 0, 12}, {2, 1, 12}, {4294967295u, 0, 2147483648u}}));

    // Appending keeps the states with the caller; zero species write nothing.
    SLinkedList pair;
    State* seven = state({7, 0});
    pair.AddtoTail(seven);
    pair.AddtoTail(new State(0u));
    State* none = pair.getTail();
    writeFile(path, "1 1\n");
    EXPECT_EQ(pair.WriteListA(path.c_str()), 2);
    EXPECT_EQ(readFile(path), "1 1\n7 0\n");
    EXPECT_EQ(pair.getSize(), 0u);
    delete seven;
    delete none;

    // End of file ends the read; trailing blanks and CRLF are accepted.
    writeFile(path, "5 6 7  \r\n8 9 10\n");
    SLinkedList more;
    EXPECT_EQ(more.ReadList(path.c_str(), 3, 10), 2);
    EXPECT_EQ(contents(more), (Rows{{5, 6, 7}, {8, 9, 10}}));
}

TEST_F(PathLists, BadFilesAndTargetsChangeNothing)
{
    const std::string path = file("bad.txt");
    SLinkedList list;
    list.AddtoTail(state({1, 2}));
    struct Case {
        const char* text;
        const char* line;
    };
    for (const Case& c : {Case{"1 2\n3\n", "line 2"}, Case{"1 2 3\n", "line 1"}, Case{"1 x\n", "line 1"},
                          Case{"1 -2\n", "line 1"}, Case{"4294967296 0\n", "line 1"}, Case{"\n", "line 1"},
                          Case{"1 2\n+3 4\n", "line 2"}}) {
        writeFile(path, c.text);
        CaptureStdout();
        EXPECT_EQ(list.ReadList(path.c_str(), 2, 5), -1) << c.text;
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find(path), std::string::npos) << out;
        EXPECT_NE(out.find(c.line), std::string::npos) << c.text << " -> " << out;
        EXPECT_TRUE(exists(path)) << "a refused file is kept";
        EXPECT_EQ(contents(list), (Rows{{1, 2}}));
    }
    CaptureStdout();
    EXPECT_EQ(list.ReadListQ(file("missing").c_str(), 2, 5), -1);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Can not open temporary file: " + file("missing") + "\n");

    for (const char* target : {"/dev/full", "/"}) {
        CaptureStdout();
        EXPECT_EQ(list.WriteList(target), -1) << target;
        EXPECT_EQ(list.WriteListQ(target), -1) << target;
        EXPECT_EQ(list.WriteListA(target), -1) << target;
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find(target), std::string::npos);
        EXPECT_EQ(contents(list), (Rows{{1, 2}}));
    }
    CaptureStdout();
    list.WriteList("/dev/full");
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Can not write file: /dev/full\n");
}

TEST_F(StateTables, BucketsFollowTheWeightedSum)
{
    HashTableS table;
    SamplingState* s = sstate({1, 2});
    EXPECT_EQ(table.hashfunc(s), 27u);
    SamplingState empty(0u, 0u);
    EXPECT_EQ(table.hashfunc(&empty), 0u);

    // Weights 13^i up to species 17 (rounded as doubles from 15), 0 from 18.
    std::vector<unsigned long> w;
    for (unsigned int i = 0; i < 20; ++i)
        w.push_back(state_hash::weight(i));
    for (unsigned int i = 0; i < 18; ++i)
        EXPECT_EQ(w[i], static_cast<unsigned long>(std::pow(13.0, static_cast<double>(i)))) << i;
    EXPECT_EQ(w[14], 3937376385699289ul);
    EXPECT_EQ(w[15], static_cast<unsigned long>(51185893014090757.0));
    EXPECT_EQ(w[17], static_cast<unsigned long>(8650415919381337933.0));
    EXPECT_EQ(w[18], 0u);
    EXPECT_EQ(w[19], 0u);

    // Wrap-around modulo 2^64 before the bucket count is applied.
    HashTable small(97ul);
    State wide(18u);
    wide.setStateValue(17, 4294967295u);
    wide.setStateValue(0, 7u);
    EXPECT_EQ(small.hashfunc(&wide), (7ul + 4294967295ul * w[17]) % 97ul);

    HashTable zero(0ul);
    EXPECT_EQ(zero.getNumBuckets(), 1u);
    EXPECT_EQ(table.Insert(s), 1);
}

TEST_F(StateTables, InsertFindAndBatchFind)
{
    HashTable table(97ul);
    State* a = new State(20u);
    a->setSN(0);
    State* b = new State(20u);
    b->setStateValue(18, 5);
    b->setSN(42);
    EXPECT_EQ(table.hashfunc(a), table.hashfunc(b)) << "species 18 does not move the bucket";
    EXPECT_EQ(table.Insert(a), 1);
    EXPECT_EQ(table.Insert(b), 1);
    State again(20u);
    EXPECT_EQ(table.Insert(&again), -1);
    EXPECT_EQ(table.getNumTotalItems(), 2u);
    EXPECT_EQ(table.getSizeofBucket(table.hashfunc(a)), 2u);
    EXPECT_EQ(table.Find(&again), 0u);
    again.setStateValue(18, 5);
    EXPECT_EQ(table.Find(&again), 42u);
    again.setStateValue(18, 6);
    EXPECT_EQ(table.Find(&again), 4294967295u);
    EXPECT_EQ(table.getHeadofBucket(table.hashfunc(a)), a);
    EXPECT_EQ(table.getHeadofBucket(1000u), nullptr);

    std::vector<int> eff{1};
    HashTableS sampled(&eff);
    eff.push_back(0);
    EXPECT_EQ(sampled.getEffSpecies()->size(), 1u) << "the table keeps its own copy";
    // (13, 0) and (0, 1) share bucket 13; (5, 5) lies elsewhere.
    SamplingState* x = sstate({13, 0});
    SamplingState* y = sstate({0, 1});
    ASSERT_EQ(sampled.hashfunc(x), sampled.hashfunc(y));
    EXPECT_EQ(sampled.Insert(x), 1);
    EXPECT_EQ(sampled.Insert(y), 1);
    SamplingState probe(2u, 0u);
    probe.setStateValue(0, 5);
    probe.setStateValue(1, 5);
    EXPECT_EQ(sampled.BatchFind(&probe), nullptr) << "empty bucket";
    EXPECT_EQ(sampled.hashfunc1(&probe), 5u);
    probe.setStateValue(0, 13);
    probe.setStateValue(1, 0);
    EXPECT_EQ(sampled.Find(&probe), x);
    std::unique_ptr<std::vector<SamplingState*>> agree(sampled.BatchFind(&probe));
    ASSERT_TRUE(agree);
    EXPECT_EQ(*agree, std::vector<SamplingState*>{x});
    probe.setStateValue(0, 0);
    probe.setStateValue(1, 1);
    agree.reset(sampled.BatchFind(&probe));
    EXPECT_EQ(*agree, std::vector<SamplingState*>{y});
    // Same bucket, disagreeing on species 1: an empty vector.
    SamplingState* z = sstate({26, 2});
    HashTableS two(&eff);
    two.Insert(z);
    probe.setStateValue(0, 0);
    probe.setStateValue(1, 4);
    ASSERT_EQ(two.hashfunc(&probe), two.hashfunc(z));
    agree.reset(two.BatchFind(&probe));
    ASSERT_TRUE(agree);
    EXPECT_TRUE(agree->empty());
    HashTableS all;
    all.Insert(sstate({1}));
    all.Insert(sstate({1000002}));
    SamplingState one(1u, 0u);
    one.setStateValue(0, 1);
    agree.reset(all.BatchFind(&one));
    EXPECT_EQ(agree->size(), 2u) << "no effective species: the whole bucket";
}

TEST_F(StateTables, DefaultIndexIsCheapToMake)
{
    // 70,000,001 buckets: made and released by every state space.
    HashTable index;
    EXPECT_EQ(index.getNumBuckets(), 70000001u);
    State* far = new State(1u);
    far->setStateValue(0, 69999999u);
    EXPECT_EQ(index.Insert(far), 1);
    EXPECT_EQ(index.getSizeofBucket(69999999ul), 1u);
}

TEST_F(SpillStores, SmallOrdersWithoutSpill)
{
    Queue q;
    Stack s;
    EXPECT_EQ(q.getBlockSize(), 100000000u);
    EXPECT_EQ(s.getBlockSize(), 1000000000u);
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(s.pop(), nullptr);
    for (unsigned int k = 1; k <= 3; ++k) {
        q.push(state({k}));
        s.push(state({k}));
    }
    std::vector<unsigned int> fromQ, fromS;
    while (!q.isEmpty()) {
        std::unique_ptr<State> x(q.pop());
        fromQ.push_back(x->getStateValue(0));
    }
    while (!s.isEmpty()) {
        std::unique_ptr<State> x(s.pop());
        fromS.push_back(x->getStateValue(0));
    }
    EXPECT_EQ(fromQ, (std::vector<unsigned int>{1, 2, 3}));
    EXPECT_EQ(fromS, (std::vector<unsigned int>{3, 2, 1}));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(SpillStores, BlocksComeBackInTheirOrder)
{
    std::srand(2024);
    const int expected = (std::rand(), std::rand());
    std::srand(2024);
    std::rand();
    std::vector<unsigned int> fromQ, fromS;
    {
        Queue q(3);
        Stack s(3);
        q.setNumSpecies(2);
        s.setNumSpecies(2);
        for (unsigned int k = 1; k <= 7; ++k) {
            q.push(state({k, 4294967295u}));
            s.push(state({k, 4294967295u}));
        }
        EXPECT_EQ(q.getNumFiles(), 2u);
        EXPECT_EQ(s.getNumFiles(), 2u);
        const QStringList dirs = leftovers();
        ASSERT_EQ(dirs.size(), 2);
        for (const QString& d : dirs) {
            EXPECT_TRUE(d.startsWith("_tmp")) << d.toStdString();
            EXPECT_EQ(QDir(tmp.path() + "/" + d).entryList(QDir::Files), (QStringList{"0", "1"}));
        }
        EXPECT_EQ(readFile(q.getTmpDir() + "/1"), "6 4294967295\n5 4294967295\n4 4294967295\n");
        EXPECT_EQ(readFile(s.getTmpDir() + "/0"), "3 4294967295\n2 4294967295\n1 4294967295\n");
        while (!q.isEmpty()) {
            std::unique_ptr<State> x(q.pop());
            ASSERT_TRUE(x);
            EXPECT_EQ(x->getStateValue(1), 4294967295u);
            fromQ.push_back(x->getStateValue(0));
        }
        while (!s.isEmpty()) {
            std::unique_ptr<State> x(s.pop());
            ASSERT_TRUE(x);
            fromS.push_back(x->getStateValue(0));
        }
        EXPECT_EQ(QDir(QString::fromStdString(s.getTmpDir())).entryList(QDir::Files).size(), 0);
    }
    EXPECT_EQ(std::rand(), expected) << "spilling draws no random number";
    EXPECT_EQ(fromQ, (std::vector<unsigned int>{7, 4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(fromS, (std::vector<unsigned int>{7, 6, 5, 4, 3, 2, 1}));
    EXPECT_TRUE(leftovers().isEmpty()) << "destroyed containers leave nothing behind";

    // A container destroyed with blocks still on disk removes them.
    {
        Stack s(2);
        for (unsigned int k = 0; k < 5; ++k)
            s.push(state({k}));
        EXPECT_EQ(leftovers().size(), 1);
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(SpillStores, BrokenBlocksAndDirectoriesLoseNothing)
{
    // A block cut short, then deleted: pop answers null, the block stays
    // counted, and a repaired block reads back.
    Queue q(2);
    q.setNumSpecies(1);
    for (unsigned int k = 1; k <= 4; ++k)
        q.push(state({k}));
    const std::string block = q.getTmpDir() + "/1";
    ASSERT_EQ(readFile(block), "4\n3\n");
    for (const char* text : {"4\n", "4\nx\n", "4\n3 3\n"}) {
        writeFile(block, text);
        CaptureStdout();
        EXPECT_EQ(q.pop(), nullptr) << text;
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find(block), std::string::npos) << out;
        EXPECT_TRUE(exists(block));
        EXPECT_EQ(q.getNumItems(), 4u);
        EXPECT_EQ(q.getNumFiles(), 2u);
    }
    std::remove(block.c_str());
    CaptureStdout();
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_NE(GetCapturedStdout().find(block), std::string::npos);
    writeFile(block, "4\n3\n");
    std::unique_ptr<State> first(q.pop());
    ASSERT_TRUE(first);
    EXPECT_EQ(first->getStateValue(0), 3u);

    // A block reloaded before the species count was set says so, and keeps
    // the block until it is set.
    Stack unset(2);
    for (unsigned int k = 1; k <= 3; ++k)
        unset.push(state({k}));
    std::unique_ptr<State> inMemory(unset.pop());
    ASSERT_TRUE(inMemory);
    const std::string unsetBlock = unset.getTmpDir() + "/0";
    CaptureStdout();
    EXPECT_EQ(unset.pop(), nullptr);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Block file " + unsetBlock
                                       + " cannot be read back: the species count of its states is not set"
                                         " (setNumSpecies)\n");
    EXPECT_TRUE(exists(unsetBlock));
    unset.setNumSpecies(1);
    std::unique_ptr<State> reloaded(unset.pop());
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->getStateValue(0), 2u);

    // $TMPDIR missing: the states stay in memory and the spill is tried again
    // one block later, in a directory that exists by then.
    ::setenv("TMPDIR", file("gone").c_str(), 1);
    Stack s(2);
    s.setNumSpecies(1);
    CaptureStdout();
    for (unsigned int k = 1; k <= 3; ++k)
        s.push(state({k}));
    EXPECT_NE(GetCapturedStdout().find(file("gone")), std::string::npos);
    EXPECT_EQ(s.getNumFiles(), 0u);
    QDir().mkpath(QString::fromStdString(file("gone")));
    s.push(state({4}));
    EXPECT_EQ(s.getNumFiles(), 1u);
    std::vector<unsigned int> popped;
    while (!s.isEmpty()) {
        std::unique_ptr<State> x(s.pop());
        ASSERT_TRUE(x);
        popped.push_back(x->getStateValue(0));
    }
    EXPECT_EQ(popped, (std::vector<unsigned int>{4, 3, 2, 1}));
}
