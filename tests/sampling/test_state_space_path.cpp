// The tests as the library's driving program: enumerate the state space of a
// small reaction network breadth first, number and file it, and build, check
// and file its transition-rate matrix.
#include "sampling/hash_table.h"
#include "sampling/sparse_matrix.h"
#include "sampling/spill_store.h"
#include "sampling/state_space.h"
#include "signalling/network.h"

#include "sampling_kit.h"
#include "signalling/sbml_text.h"

#include <QFile>
#include <QRegularExpression>

#include <cmath>
#include <map>
#include <memory>
#include <sstream>

using namespace sampling_kit;
using namespace sbml_text;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class EnumeratedPath : public PrivateTmp {};

std::string times(const std::string& k, const std::string& species)
{
    return "<apply><times/><cn>" + k + "</cn><ci>" + species + "</ci></apply>";
}

}

TEST_F(EnumeratedPath, IsomerisationStateSpaceAndRateMatrix)
{
    // A -> B at 1 A, B -> A at 2 B, from (20, 0): the 21 states (20 - k, k).
    const std::string model = file("isomer.xml");
    writeFile(model, document(species("A") + species("B"), "", "",
                              reaction("forward", false, ref("A"), ref("B"), "", times("1", "A"))
                                  + reaction("backward", false, ref("B"), ref("A"), "", times("2", "B"))));
    Network network;
    ASSERT_EQ(network.initializeNetwork(model.c_str()), 0);
    Stoichiometry* stoich = network.getStoichiometricMatrix();
    const unsigned int columns = network.getNumStoiReactions();
    ASSERT_EQ(columns, 2u);

    // 1. Breadth-first search; every numbered state also waits in a second
    //    queue for the matrix pass, and that queue spills in blocks of 4.
    HashTable found(101ul);
    Queue frontier(4), numbered(4);
    frontier.setNumSpecies(2);
    numbered.setNumSpecies(2);
    State* start = state({20, 0});
    start->setSN(0);
    found.Insert(start);
    frontier.push(new State(start));
    numbered.push(new State(start));
    unsigned long next = 1;
    std::vector<std::vector<unsigned int>> bySN{{20, 0}};
    while (!frontier.isEmpty()) {
        std::unique_ptr<State> x(frontier.pop());
        ASSERT_TRUE(x);
        for (unsigned int r = 0; r < columns; ++r) {
            State* y = stoich->reactWithState(r, x.get());
            if (!y)
                continue;
            if (found.Find(y) != 4294967295u) {
                delete y;
                continue;
            }
            y->setSN(next++);
            found.Insert(y);
            bySN.push_back(counts(y));
            frontier.push(new State(y));
            numbered.push(new State(y));
        }
    }
    ASSERT_EQ(next, 21u);
    EXPECT_EQ(numbered.getNumFiles(), 5u);
    for (unsigned long k = 0; k < 21; ++k)
        EXPECT_EQ(bySN[k], (std::vector<unsigned int>{20 - static_cast<unsigned int>(k), static_cast<unsigned int>(k)}));

    // 2. The state space, filed and read back.
    const std::string spacePath = file("isomer.space");
    {
        StateSpace space;
        space.setNumSpecies(2);
        space.setNumStates(21);
        std::string ids[] = {network.getSpeciesID(0), network.getSpeciesID(1)};
        ASSERT_EQ(space.setSpeciesID(ids, 2), 1);
        std::vector<unsigned int> rows;
        for (const auto& row : bySN)
            rows.insert(rows.end(), row.begin(), row.end());
        space.setStates(rows.data());
        ASSERT_EQ(space.writeStateSpace(spacePath.c_str()), 1);
    }
    StateSpace space;
    ASSERT_EQ(space.readStateSpace(spacePath.c_str()), 0);
    EXPECT_EQ(space.getNumStates(), 21u);
    EXPECT_STREQ(space.getSpeciesIDValue(1), "B");
    for (unsigned int k = 0; k < 21; ++k) {
        std::unique_ptr<State> s(space.getState(k));
        EXPECT_EQ(space.findState(s.get()), k);
        EXPECT_EQ(found.Find(s.get()), k);
    }

    // 3. The rate matrix, one column per state: each successor's rate at its
    //    row, minus the total on the diagonal. Columns come in the order the
    //    spilled queue gives them back.
    SparseMatrix matrix;
    matrix.SetNumStates(space.getNumStates());
    unsigned long columnsDone = 0;
    CaptureStdout();
    while (!numbered.isEmpty()) {
        std::unique_ptr<State> x(numbered.pop());
        ASSERT_TRUE(x);
        const unsigned long j = found.Find(x.get());
        double a0 = 0.0;
        for (unsigned int r = 0; r < columns; ++r) {
            std::unique_ptr<State> y(stoich->reactWithState(r, x.get()));
            if (!y)
                continue;
            const double rate = network.getReactionRate(stoich->getKineticLaw(r), r, x.get());
            a0 += rate;
            std::vector<unsigned int> reaction{r};
            matrix.Add(new MatrixElement(found.Find(y.get()), j, rate, reaction));
        }
        matrix.Add(new MatrixElement(j, j, -a0));
        matrix.SaveCurCol(true);
        ++columnsDone;
    }
    GetCapturedStdout();
    EXPECT_EQ(columnsDone, 21u);
    CaptureStdout();
    matrix.validateTransMatrix();
    const std::string check = GetCapturedStdout();
    std::string expected;
    for (int k = 1; k <= 21; ++k)
        expected += "Column " + std::to_string(k) + " sums to: 0.000000\n";
    expected += "Number of         zero diagonal element: 0\n"
                "Number of     positive diagonal element: 0\n"
                "Number of negetive off-diagonal element: 0\n";
    EXPECT_EQ(check, expected);

    const std::string matrixPath = file("isomer.matrix");
    ASSERT_EQ(matrix.WriteMatrix(matrixPath.c_str(), true), 0);
    std::istringstream lines(readFile(matrixPath));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "21 61");
    int entries = 0;
    while (std::getline(lines, line)) {
        ++entries;
        unsigned long i = 0, j = 0;
        double value = 0;
        char rest[32] = {0};
        ASSERT_GE(std::sscanf(line.c_str(), "%lu %lu %lf%31[^\n]", &i, &j, &value, rest), 3) << line;
        const unsigned int a = 21 - static_cast<unsigned int>(j), b = static_cast<unsigned int>(j) - 1;
        if (i == j) {
            EXPECT_DOUBLE_EQ(value, -(1.0 * a + 2.0 * b)) << line;
            EXPECT_STREQ(rest, "");
        } else if (i == j + 1) {
            EXPECT_DOUBLE_EQ(value, 1.0 * a) << line;
            EXPECT_STREQ(rest, ", 0");
        } else {
            EXPECT_EQ(i + 1, j) << line;
            EXPECT_DOUBLE_EQ(value, 2.0 * b) << line;
            EXPECT_STREQ(rest, ", 1");
        }
    }
    EXPECT_EQ(entries, 61);
    // The numbered queue's directory goes with the queue at the end of the test.
    QStringList files = leftovers().filter(QRegularExpression("^[^_]"));
    EXPECT_EQ(files, (QStringList{"isomer.matrix", "isomer.space", "isomer.xml"}));
}
