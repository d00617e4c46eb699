// The sparse transition matrix, the state space and the initial conditions:
// their files, the checks they print, and the files they refuse.
#include "sampling/sparse_matrix.h"
#include "sampling/state_space.h"

#include "sampling_kit.h"

#include <memory>

#include <unistd.h>

using namespace sampling_kit;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class TransitionMatrix : public PrivateTmp {};
class StateSpaceFiles : public PrivateTmp {};
class InitialConditions : public PrivateTmp {};

std::vector<unsigned long> rows(const SparseMatrix& m)
{
    std::vector<unsigned long> out;
    for (MatrixElement* e = m.getHead(); e; e = e->getNext())
        out.push_back(e->getI());
    return out;
}

// A columns x columns tridiagonal rate matrix: each column j has its
// neighbours at rate 1 and -(their number) on the diagonal.
void addChain(SparseMatrix& m, unsigned long columns, bool withReactions)
{
    m.SetNumStates(columns);
    for (unsigned long j = 0; j < columns; ++j) {
        const double out = (j > 0) + (j + 1 < columns);
        if (j + 1 < columns)
            m.Add(new MatrixElement(j + 1, j, 1.0))->getR()->push_back(2);
        m.Add(new MatrixElement(j, j, -out));
        if (j > 0)
            m.Add(new MatrixElement(j - 1, j, 1.0))->getR()->push_back(1);
        m.SaveCurCol(withReactions);
    }
}

}

TEST_F(TransitionMatrix, EntriesKeepColumnAndRowOrder)
{
    SparseMatrix m;
    ASSERT_FALSE(m.getSpillFileName().empty());
    EXPECT_TRUE(exists(m.getSpillFileName()));
    EXPECT_EQ(m.getSpillFileName().rfind(file("_mxt"), 0), 0u);
    for (unsigned long r : {5ul, 2ul, 9ul})
        m.Add(new MatrixElement(r, 0, 1.0));
    EXPECT_EQ(rows(m), (std::vector<unsigned long>{2, 5, 9}));
    EXPECT_EQ(m.SaveCurCol(false)->getI(), 9u);
    for (unsigned long r : {3ul, 1ul})
        m.Add(new MatrixElement(r, 1, 1.0));
    EXPECT_EQ(rows(m), (std::vector<unsigned long>{2, 5, 9, 1, 3}));
    EXPECT_EQ(m.getSize(), 5u);

    std::vector<unsigned int> reactions{7, 4};
    MatrixElement e(0, 2, 0.5, reactions);
    EXPECT_TRUE(reactions.empty());
    EXPECT_EQ(*e.getR(), (std::vector<unsigned int>{4, 7}));
    MatrixElement f;
    EXPECT_EQ(f.SetValues(1, 1, 2.0, 3), 0);
    EXPECT_EQ(*f.getR(), std::vector<unsigned int>{3});
}

TEST_F(TransitionMatrix, FileLinesAndChecks)
{
    const std::string path = file("matrix.txt");
    {
        SparseMatrix one;
        one.SetNumStates(1);
        one.Add(new MatrixElement(0, 0, -1.5));
        one.SaveCurCol(false);
        EXPECT_EQ(one.WriteMatrix(path.c_str(), false), 0);
        EXPECT_EQ(readFile(path), "1 1\n1 1 -1.5\n");
        EXPECT_EQ(one.getHead(), nullptr);
        EXPECT_EQ(one.getSize(), 1u);
    }
    {
        SparseMatrix m;
        m.SetNumStates(3);
        std::vector<unsigned int> r{7, 4};
        m.Add(new MatrixElement(0, 2, 0.5, r));
        m.Add(new MatrixElement(1, 2, 0.25));
        m.SaveCurCol(true);
        EXPECT_EQ(m.WriteMatrix(path.c_str(), true), 0);
        EXPECT_EQ(readFile(path), "3 2\n1 3 0.5, 4, 7\n2 3 0.25\n");
    }
    {
        SparseMatrix m;
        m.SetNumStates(2);
        m.Add(new MatrixElement(1, 0, 1.0));
        m.Add(new MatrixElement(0, 0, -1.0));
        m.SaveCurCol(false);
        m.Add(new MatrixElement(0, 1, 2.0));
        m.Add(new MatrixElement(1, 1, -2.0));
        m.SaveCurCol(false);
        CaptureStdout();
        EXPECT_EQ(m.validateTransMatrix(), 0);
        EXPECT_EQ(GetCapturedStdout(), "Column 1 sums to: 0.000000\nColumn 2 sums to: 0.000000\n"
                                       "Number of         zero diagonal element: 0\n"
                                       "Number of     positive diagonal element: 0\n"
                                       "Number of negetive off-diagonal element: 0\n");
        // Faults are counted; a column outside the matrix stays out of the sums.
        m.Add(new MatrixElement(0, 2, 0.0));
        m.Add(new MatrixElement(1, 2, -1.0));
        m.SaveCurCol(false);
        m.Add(new MatrixElement(0, 0, 0.0));
        SparseMatrix empty;
        empty.SetNumStates(2);
        CaptureStdout();
        m.validateTransMatrix();
        EXPECT_EQ(GetCapturedStdout(), "Column 1 sums to: 0.000000\nColumn 2 sums to: 0.000000\n"
                                       "Number of         zero diagonal element: 1\n"
                                       "Number of     positive diagonal element: 0\n"
                                       "Number of negetive off-diagonal element: 0\n"
                                       "Number of entries outside the matrix: 2\n");
        CaptureStdout();
        empty.validateTransMatrix();
        EXPECT_EQ(GetCapturedStdout().substr(0, 54), "Column 1 sums to: 0.000000\nColumn 2 sums to: 0.000000\n");
    }
    SparseMatrix tilted;
    tilted.SetNumStates(2);
    tilted.Add(new MatrixElement(1, 1, 2.0));
    tilted.Add(new MatrixElement(0, 1, -0.5));
    CaptureStdout();
    tilted.validateTransMatrix();
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Sum all to: 1.500000\n"), std::string::npos);
    EXPECT_NE(out.find("positive diagonal element: 1\n"), std::string::npos);
    EXPECT_NE(out.find("off-diagonal element: 1\n"), std::string::npos);
}

TEST_F(TransitionMatrix, SpilledFileEqualsUnspilled)
{
    const std::string plain = file("plain.txt"), spilled = file("spilled.txt");
    {
        SparseMatrix m;
        addChain(m, 40, true);
        EXPECT_EQ(m.getNumInMemory(), 118u);
        EXPECT_EQ(m.WriteMatrix(plain.c_str(), true), 0);
    }
    std::string spillName;
    {
        SparseMatrix m;
        m.setSpillThreshold(10);
        spillName = m.getSpillFileName();
        addChain(m, 40, true);
        EXPECT_LT(m.getNumInMemory(), 10u);
        EXPECT_GT(readFile(spillName).size(), 0u);
        EXPECT_EQ(m.getSize(), 118u);
        EXPECT_EQ(m.WriteMatrix(spilled.c_str(), true), 0);
        EXPECT_FALSE(exists(spillName)) << "the copied spill file goes";
    }
    EXPECT_EQ(readFile(spilled), readFile(plain));
    EXPECT_EQ(readFile(plain).substr(0, 32), "40 118\n1 1 -1\n2 1 1, 2\n1 2 1, 1\n");
    EXPECT_TRUE(leftovers().size() == 2) << "only the two matrix files remain";
}

TEST_F(TransitionMatrix, SpillFileSwappedByNameIsNeitherUsedNorRemoved)
{
    const std::string reference = file("reference.txt"), out = file("out.txt");
    {
        SparseMatrix unspilled;
        addChain(unspilled, 6, false);
        ASSERT_EQ(unspilled.WriteMatrix(reference.c_str(), false), 0);
    }
    SparseMatrix m;
    m.setSpillThreshold(4);
    addChain(m, 6, false);
    const std::string name = m.getSpillFileName();
    ASSERT_GT(readFile(name).size(), 0u);
    // Another file put where the spill file was: the matrix keeps its own.
    std::rename(name.c_str(), file("moved").c_str());
    writeFile(name, "decoy\n");
    EXPECT_EQ(m.WriteMatrix(out.c_str(), false), 0);
    EXPECT_EQ(readFile(out), readFile(reference));
    EXPECT_EQ(readFile(name), "decoy\n") << "the file put in its place is neither read nor removed";

    // A link left at a spill file's name is not followed by a later spill.
    const std::string victim = file("victim.txt");
    writeFile(victim, "victim\n");
    std::remove(name.c_str());
    ASSERT_EQ(::symlink(victim.c_str(), name.c_str()), 0);
    addChain(m, 6, false);
    EXPECT_EQ(readFile(victim), "victim\n");
    EXPECT_EQ(m.WriteMatrix(out.c_str(), false), 0);
    EXPECT_EQ(readFile(out).substr(readFile(out).find('\n')), readFile(reference).substr(readFile(reference).find('\n')));
    EXPECT_EQ(readFile(victim), "victim\n");
}

TEST_F(TransitionMatrix, UnwritableTargetsKeepEverything)
{
    SparseMatrix m;
    m.setSpillThreshold(4);
    addChain(m, 6, false);
    const unsigned long inMemory = m.getNumInMemory();
    const std::string spill = readFile(m.getSpillFileName());
    ASSERT_GT(spill.size(), 0u);
    for (const char* target : {"/dev/full", "/"}) {
        CaptureStdout();
        EXPECT_EQ(m.WriteMatrix(target, false), -1);
        EXPECT_NE(GetCapturedStdout().find(target), std::string::npos);
        EXPECT_EQ(m.getNumInMemory(), inMemory);
        EXPECT_EQ(readFile(m.getSpillFileName()), spill);
    }
    EXPECT_EQ(m.WriteMatrix(file("out.txt").c_str(), false), 0);
    EXPECT_EQ(readFile(file("out.txt")).substr(0, 5), "6 16\n");

    // $TMPDIR missing: no spill file, every entry stays in memory.
    ::setenv("TMPDIR", file("gone").c_str(), 1);
    CaptureStdout();
    SparseMatrix homeless;
    homeless.setSpillThreshold(2);
    addChain(homeless, 5, false);
    EXPECT_NE(GetCapturedStdout().find(file("gone")), std::string::npos);
    EXPECT_EQ(homeless.getNumInMemory(), 13u);
    EXPECT_EQ(homeless.WriteMatrix(file("homeless.txt").c_str(), false), 0);
    EXPECT_EQ(readFile(file("homeless.txt")).substr(0, 5), "5 13\n");
}

TEST_F(StateSpaceFiles, WriteReadAndFind)
{
    const std::string path = file("space.txt");
    {
        StateSpace space;
        EXPECT_EQ(space.getHashTable()->getNumBuckets(), 70000001u);
        space.setNumSpecies(2);
        space.setNumStates(2);
        std::string ids[] = {"A", "B"};
        EXPECT_EQ(space.setSpeciesID(ids, 2), 1);
        unsigned int values[] = {0, 5, 1, 4294967295u};
        EXPECT_EQ(space.setStates(values), 1);
        values[0] = 9;
        EXPECT_EQ(space.getValue(0, 0), 0u) << "the caller keeps its array";
        EXPECT_EQ(space.writeStateSpace(path.c_str()), 1);
        EXPECT_EQ(readFile(path), "2 2\nA B\n0 5\n1 4294967295\n");
        CaptureStdout();
        std::string three[] = {"A", "B", "C"};
        EXPECT_EQ(space.setSpeciesID(three, 3), -1);
        EXPECT_EQ(GetCapturedStdout(), "Error parameters in arg2 of setSpecies().\n");
        EXPECT_STREQ(space.getSpeciesIDValue(1), "B");
        EXPECT_EQ(space.getSpeciesIDValue(2), nullptr);
    }
    writeFile(path, "2 3\nSpeciesLongerThanEight B\n0 5\n1 4\n0 5\n");
    StateSpace space;
    EXPECT_EQ(space.readStateSpace(path.c_str()), 0);
    EXPECT_EQ(space.getNumStates(), 3u);
    EXPECT_STREQ(space.getSpeciesIDValue(0), "SpeciesLongerThanEight");
    std::unique_ptr<State> probe(state({1, 4}));
    EXPECT_EQ(space.findState(probe.get()), 1u);
    probe->setStateValue(0, 0);
    probe->setStateValue(1, 5);
    EXPECT_EQ(space.findState(probe.get()), 0u) << "a repeated row answers with the earlier one";
    probe->setStateValue(1, 6);
    EXPECT_EQ(space.findState(probe.get()), 4294967295u);
    EXPECT_EQ(space.getHashTable()->getNumTotalItems(), 2u);
    std::unique_ptr<State> row(space.getState(1));
    EXPECT_EQ(counts(row.get()), (std::vector<unsigned int>{1, 4}));
    EXPECT_EQ(space.getState(3), nullptr);
    EXPECT_EQ(space.getValue(3, 0), 0u);
    EXPECT_EQ(space.getValue(0, 2), 0u);

    // A second read replaces the first contents, index included.
    writeFile(path, "1 0\nX\n");
    EXPECT_EQ(space.readStateSpace(path.c_str()), 0);
    EXPECT_EQ(space.getNumStates(), 0u);
    EXPECT_EQ(space.getHashTable()->getNumTotalItems(), 0u);
    EXPECT_EQ(space.writeStateSpace(path.c_str()), 1);
    EXPECT_EQ(readFile(path), "1 0\nX\n");
}

TEST_F(StateSpaceFiles, RefusedFilesChangeNothing)
{
    const std::string path = file("space.txt");
    writeFile(path, "2 1\nA B\n7 8\n");
    StateSpace space;
    ASSERT_EQ(space.readStateSpace(path.c_str()), 0);
    struct Case {
        const char* text;
        const char* line;
    };
    for (const Case& c : {Case{"", "line 1"}, Case{"2\nA B\n", "line 1"}, Case{"-2 1\nA B\n1 2\n", "line 1"},
                          Case{"2 x\nA B\n1 2\n", "line 1"}, Case{"2 99999999999\nA B\n1 2\n", "line 1"},
                          Case{"2 1\nA\n1 2\n", "line 2"}, Case{"2 2\nA B\n1 2\n3\n", "line 4"},
                          Case{"2 2\nA B\n1 2\n3 4 5\n", "line 4"}, Case{"2 2\nA B\n1 2\n3 y\n", "line 4"},
                          Case{"2 2\nA B\n1 2\n3 4294967296\n", "line 4"}, Case{"2 3\nA B\n1 2\n3 4\n\n", "line 5"},
                          Case{"2 1\nA B\n1 2\n3 4\n", "line 4"}}) {
        writeFile(path, c.text);
        CaptureStdout();
        EXPECT_EQ(space.readStateSpace(path.c_str()), -1) << c.text;
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find(path + " at " + c.line), std::string::npos) << c.text << " -> " << out;
        EXPECT_EQ(space.getNumStates(), 1u);
        EXPECT_EQ(space.getValue(0, 1), 8u);
        EXPECT_STREQ(space.getSpeciesIDValue(0), "A");
        std::unique_ptr<State> kept(state({7, 8}));
        EXPECT_EQ(space.findState(kept.get()), 0u);
    }
    CaptureStdout();
    EXPECT_EQ(space.readStateSpace(file("missing").c_str()), -1);
    EXPECT_NE(GetCapturedStdout().find(file("missing")), std::string::npos);

    for (const char* target : {"/dev/full", "/"}) {
        CaptureStdout();
        EXPECT_EQ(space.writeStateSpace(target), -1);
        EXPECT_NE(GetCapturedStdout().find(target), std::string::npos);
    }
    for (std::string bad : {"", "A B"}) {
        std::string ids[] = {"A", bad};
        space.setSpeciesID(ids, 2);
        CaptureStdout();
        EXPECT_EQ(space.writeStateSpace(path.c_str()), -1) << bad;
        EXPECT_NE(GetCapturedStdout().find("\"" + bad + "\""), std::string::npos);
    }
}

TEST_F(InitialConditions, ProbabilitiesMustSumToOne)
{
    const std::string path = file("init.txt");
    struct Case {
        const char* text;
        int result;
    };
    InitialConds init;
    for (const Case& c : {Case{"2 3\n3 0  0.3\n1 1  0.3\n0 4294967295  0.4\n", 1},
                          Case{"1 3\n0 0.333333\n1 0.333333\n2 0.333333\n", 1}, Case{"1 1\n5  1.5\n", -2},
                          Case{"1 0\n", -2}, Case{"1 2\n5 1.2\n6 -0.2\n", -2}, Case{"1 2\n5 0.5\n6 0.49\n", -2}}) {
        writeFile(path, c.text);
        CaptureStdout();
        EXPECT_EQ(init.readInitialConds(path.c_str()), c.result) << c.text;
        const std::string out = GetCapturedStdout();
        if (c.result == -2)
            EXPECT_EQ(out.rfind("Probabilities in initial conditions do not sum to 1. ", 0), 0u) << out;
        else
            EXPECT_EQ(out, "");
    }
    writeFile(path, "1 1\n5  1.5\n");
    CaptureStdout();
    init.readInitialConds(path.c_str());
    EXPECT_EQ(GetCapturedStdout(), "Probabilities in initial conditions do not sum to 1. 1.5\n");

    writeFile(path, "2 3\n3 0  0.25\n1 1  0.25\n0 4294967295  0.5\n");
    ASSERT_EQ(init.readInitialConds(path.c_str()), 1);
    EXPECT_EQ(init.getNumInitialstates(), 3u);
    EXPECT_EQ(counts(init.getInitialState(2)), (std::vector<unsigned int>{0, 4294967295u}));
    EXPECT_DOUBLE_EQ(init.getInitialPdv(1), 0.25);
    EXPECT_EQ(init.getInitialState(3), nullptr);
    EXPECT_EQ(init.getInitialPdv(3), 0.0);

    for (const Case& c : {Case{"", 1}, Case{"2\n", 1}, Case{"-1 1\n5 1\n", 1}, Case{"2 2\n3 0 0.5\n", 3},
                          Case{"2 1\n3 x 1\n", 2}, Case{"2 1\n3 0 one\n", 2}, Case{"2 1\n3 1\n", 2},
                          Case{"2 1\n3 4294967296 1\n", 2}, Case{"1 -1\n", 1}}) {
        writeFile(path, c.text);
        CaptureStdout();
        EXPECT_EQ(init.readInitialConds(path.c_str()), -1) << c.text;
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find(path + " at line " + std::to_string(c.result)), std::string::npos) << c.text << out;
        EXPECT_EQ(init.getNumInitialstates(), 3u) << "a refused file changes nothing";
        EXPECT_DOUBLE_EQ(init.getInitialPdv(2), 0.5);
    }
    CaptureStdout();
    EXPECT_EQ(init.readInitialConds(file("missing").c_str()), -1);
    EXPECT_EQ(GetCapturedStdout(), "cannot open file: " + file("missing") + "\n");
}
