#include "signalling/network.h"
#include "signalling/sampling_state.h"
#include "signalling/state.h"
#include "signalling/stoichiometry.h"

#include "sbml_text.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace sbml_text;

namespace {

class NetworkFile : public ::testing::Test {
protected:
    // Writes text to a file of the test's directory and reads it into a network.
    std::unique_ptr<Network> load(const std::string& text, int* result = nullptr)
    {
        const QString path = dir.filePath(QString("model%1.xml").arg(count++));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.c_str());
        file.close();
        auto network = std::make_unique<Network>();
        const int r = network->initializeNetwork(path.toLocal8Bit().constData());
        if (result)
            *result = r;
        else
            EXPECT_EQ(r, 0);
        return network;
    }

    QTemporaryDir dir;
    int count = 0;
};

std::string times(const std::string& a, const std::string& b)
{
    return "<apply><times/><ci>" + a + "</ci><ci>" + b + "</ci></apply>";
}

}

TEST_F(NetworkFile, ReversibleReactionGivesForwardAndBackwardColumns)
{
    auto net = load(document(species("A") + species("B"), parameter("k1", "2") + parameter("k2", "3"), "",
                             reaction("R1", true, ref("A"), ref("B"), "", "<ci>k1</ci>")
                                 + reaction("R2", false, ref("B"), "", "", times("k2", "B"))));
    EXPECT_EQ(net->getNumReactions(), 2u);
    EXPECT_EQ(net->getNumStoiReactions(), 3u);
    EXPECT_EQ(net->getReactionID(0), "R1");
    EXPECT_EQ(net->getReactionID(1), "R1");
    EXPECT_EQ(net->getReactionID(2), "R2");

    Stoichiometry* s = net->getStoichiometricMatrix();
    EXPECT_EQ(s->getReactionAttribute(0), 1);
    EXPECT_EQ(s->getReactionAttribute(1), -1);
    EXPECT_EQ(s->getReactionAttribute(2), 2);
    EXPECT_EQ(s->getValue(0, 0), -1.0);
    EXPECT_EQ(s->getValue(1, 0), 1.0);
    EXPECT_EQ(s->getValue(0, 1), 1.0);
    EXPECT_EQ(s->getValue(1, 1), -1.0);
    EXPECT_EQ(s->getKineticLaw(0), s->getKineticLaw(1));
    ASSERT_EQ(s->getNumReversiblePairs(), 2u);
    EXPECT_EQ(s->getReversiblePairID(0, 0), 0);
    EXPECT_EQ(s->getReversiblePairID(0, 1), 1);
    EXPECT_EQ(s->getReversiblePairID(1, 1), -1);

    State state(2);
    state.setStateValue(1, 5);
    EXPECT_EQ(net->getReactionRate(s->getKineticLaw(0), 0, &state), 2.0);
    EXPECT_EQ(net->getReactionRate(s->getKineticLaw(1), 1, &state), -2.0);
    EXPECT_EQ(net->getReactionRate(s->getKineticLaw(2), 2, &state), 15.0);

    SamplingState sampling(&state, 3);
    EXPECT_EQ(net->getReactionRate(s->getKineticLaw(2), 2, &sampling), 15.0);
}

TEST_F(NetworkFile, SpeciesProducedByTheColumnReadsZeroUnlessAlsoModifier)
{
    // Syn produces X; Deg consumes X; Mod produces Y and names Y as modifier.
    auto net = load(document(species("X") + species("Y"),
                             parameter("k", "1") + parameter("P", "0", false),
                             rule("P", times("k", "X")),
                             reaction("Syn", false, "", ref("X"), "", "<ci>k</ci>")
                                 + reaction("Deg", false, ref("X"), "", "", times("k", "X"))
                                 + reaction("Mod", false, "", ref("Y"), modifier("Y"), times("k", "Y"))));
    State state(2);
    state.setStateValue(0, 7);
    state.setStateValue(1, 4);
    EXPECT_EQ(net->getValueOfParameter("P", 0, &state), 0.0);
    EXPECT_EQ(net->getValueOfParameter("P", 1, &state), 7.0);
    EXPECT_EQ(net->getValueOfParameter("Y", 2, &state), 4.0);
    EXPECT_EQ(net->getValueOfParameter("default", 0, &state), 1.0);
    EXPECT_EQ(net->getValueOfParameter("nothing", 0, &state), 0.0);
    EXPECT_TRUE(net->isParameter("k", 0));
    EXPECT_FALSE(net->isParameter("X", 0));
}

TEST_F(NetworkFile, ModelWideParameterHidesLocalOne)
{
    auto net = load(document(species("A"), parameter("k", "2"), "",
                             reaction("R", false, ref("A"), "", "", "<apply><plus/><ci>k</ci><ci>j</ci></apply>",
                                      parameter("k", "10") + parameter("j", "5"))));
    State state(1);
    EXPECT_EQ(net->getReactionRate(net->getStoichiometricMatrix()->getKineticLaw(0), 0, &state), 7.0);
    EXPECT_TRUE(net->isParameter("j", 0));
}

TEST_F(NetworkFile, MathNodes)
{
    const std::string e5 = "<cn type=\"e-notation\">1<sep/>-5</cn>";
    const std::string quarter = "<cn type=\"rational\">1<sep/>4</cn>";
    auto net = load(document(species("A"),
                             parameter("neg", "0", false) + parameter("enot", "0", false)
                                 + parameter("rat", "0", false) + parameter("sum3", "0", false)
                                 + parameter("min3", "0", false) + parameter("int3", "0", false)
                                 + parameter("pw", "0", false) + parameter("lg", "0", false),
                             rule("neg", "<apply><minus/><cn>4</cn></apply>")
                                 + rule("enot", "<apply><times/>" + e5 + "<cn>2</cn></apply>")
                                 + rule("rat", quarter)
                                 + rule("sum3", "<apply><plus/><cn>1</cn><cn>2</cn><cn>3</cn></apply>")
                                 + rule("min3", "<apply><minus/><cn>10</cn><cn>3</cn></apply>")
                                 + rule("int3", "<cn type=\"integer\">3</cn>")
                                 + rule("pw", "<apply><power/><cn>2</cn><cn>10</cn></apply>")
                                 + rule("lg", "<apply><log/><logbase><cn>2</cn></logbase><cn>8</cn></apply>"),
                             ""));
    State state(1);
    EXPECT_EQ(net->getValueOfParameter("neg", 0, &state), -4.0);
    EXPECT_DOUBLE_EQ(net->getValueOfParameter("enot", 0, &state), 2e-5);
    EXPECT_EQ(net->getValueOfParameter("rat", 0, &state), 0.25);
    EXPECT_EQ(net->getValueOfParameter("sum3", 0, &state), 6.0);
    EXPECT_EQ(net->getValueOfParameter("min3", 0, &state), 7.0);
    EXPECT_EQ(net->getValueOfParameter("int3", 0, &state), 3.0);
    EXPECT_EQ(net->getValueOfParameter("pw", 0, &state), 1024.0);
    EXPECT_DOUBLE_EQ(net->getValueOfParameter("lg", 0, &state), 3.0);

    ASTNode empty(AST_TIMES);
    EXPECT_EQ(net->computeASTNodeValue(&empty, 0, &state), 0.0);
}

TEST_F(NetworkFile, RefusedDocuments)
{
    int result = 0;
    auto divide = load(document(species("A"), parameter("p", "0", false),
                                rule("p", "<apply><divide/><cn>4</cn></apply>"), ""),
                       &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(divide->getNumSpecies(), 0u);

    auto unknownModifier = load(document(species("A"), parameter("k", "1"), "",
                                  reaction("R", false, ref("A"), "", modifier("Ghost"), "<ci>k</ci>")),
                         &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(unknownModifier->getNumStoiReactions(), 0u);

    auto product = load(document(species("A"), parameter("k", "1"), "",
                                 reaction("R", false, "", ref("Ghost"), "", "<ci>k</ci>")),
                        &result);
    EXPECT_EQ(result, -1);

    Network missing;
    EXPECT_EQ(missing.initializeNetwork(dir.filePath("absent.xml").toLocal8Bit().constData()), -1);
    EXPECT_EQ(missing.getModel(), nullptr);
    EXPECT_EQ(missing.getNumReactions(), 0u);
    State state(1);
    EXPECT_EQ(missing.getValueOfParameter("Prob_GrowthDiv", 0, &state), 0.0);

    auto garbage = load("this is not SBML", &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(garbage->getModel(), nullptr);
}

TEST_F(NetworkFile, NoReactionsAndRateConstant)
{
    auto empty = load(document(species("A"), parameter("D0", "1.9E7"), "", ""));
    EXPECT_EQ(empty->getNumReactions(), 0u);
    EXPECT_EQ(empty->getNumStoiReactions(), 0u);
    EXPECT_EQ(empty->getModel()->getParameter("D0")->getValue(), 1.9e7);

    // Dimerisation 2A -> B at k * A * A: the smallest firing state holds A = 2.
    auto dimer = load(document(species("A") + species("B"), parameter("k", "0.5"), "",
                               reaction("R", false, ref("A", "2"), ref("B"), "",
                                        "<apply><times/><ci>k</ci><ci>A</ci><ci>A</ci></apply>")));
    EXPECT_EQ(dimer->getValueOfRateConstant(0), 2.0);
    EXPECT_EQ(dimer->getValueOfRateConstant(5), 0.0);
}

TEST_F(NetworkFile, FiringRulesForModifiersAndFractions)
{
    auto net = load(document(species("A") + species("B") + species("C"), parameter("k", "1"), "",
                             reaction("Two", false, ref("A", "2"), ref("B"), "", "<ci>k</ci>")
                                 + reaction("Mod", false, ref("A"), ref("B"), modifier("A"), "<ci>k</ci>")
                                 + reaction("Half", false, ref("C", "0.5"), "", "", "<ci>k</ci>")
                                 + reaction("Net", false, ref("A", "2"), ref("A"), "", "<ci>k</ci>")));
    const Stoichiometry* s = net->getStoichiometricMatrix();
    EXPECT_EQ(s->getValue(0, 3), -1.0);

    State in(3), out(3);
    in.setStateValue(0, 1);
    out.setStateValue(2, 9);
    EXPECT_EQ(s->reactWithState(0, &in, &out), 0);
    EXPECT_EQ(out, State(3));
    in.setStateValue(0, 2);
    EXPECT_EQ(s->reactWithState(0, &in, &out), 1);
    EXPECT_EQ(out.getStateValue(0), 0u);
    EXPECT_EQ(out.getStateValue(1), 1u);
    EXPECT_EQ(s->reactWithState(0, &in, static_cast<State*>(nullptr)), -1);

    // Reactant and modifier at once: firing tests them one by one, canReact adds them.
    in.setStateValue(0, 1);
    EXPECT_EQ(s->reactWithState(1, &in, &out), 1);
    EXPECT_FALSE(s->canReact(1, &in));
    in.setStateValue(0, 2);
    EXPECT_TRUE(s->canReact(1, &in));
    in.setStateValue(0, 0);
    EXPECT_EQ(s->reactWithState(1, &in, &out), 0);

    // A reactant entry of -0.5 truncates to 0 when applied.
    EXPECT_FALSE(s->canReact(2, &in));
    EXPECT_EQ(s->reactWithState(2, &in, &out), 0);
    in.setStateValue(2, 1);
    EXPECT_TRUE(s->canReact(2, &in));
    EXPECT_EQ(s->reactWithState(2, &in, &out), 1);
    EXPECT_EQ(out.getStateValue(2), 1u);

    std::unique_ptr<State> fired(s->reactWithState(0, &in));
    EXPECT_EQ(fired, nullptr);
    in.setStateValue(0, 5);
    fired.reset(s->reactWithState(0, &in));
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->getStateValue(0), 3u);

    SamplingState sin(3, 4), sout(3, 4);
    sin.setStateValue(0, 2);
    EXPECT_EQ(s->reactWithState(0, &sin, &sout), 1);
    std::unique_ptr<SamplingState> sfired(s->reactWithState(0, &sin));
    ASSERT_NE(sfired, nullptr);
    EXPECT_EQ(sfired->getNumStoiReactions(), 4u);
    EXPECT_EQ(sfired->getStateValue(1), 1u);

    // Firing into the input state itself tests the input before changing it.
    EXPECT_EQ(s->reactWithState(0, &in, &in), 1);
    EXPECT_EQ(in.getStateValue(0), 3u);
}

TEST(Stoichiometry, CountsDoNotWrapBelowZero)
{
    Stoichiometry s;
    s.setNumSpecies(1);
    s.setNumReactions(1);
    const double minusThree = -3.0;
    s.setStoichiometricMatrix(&minusThree);
    State state(1);
    state.setStateValue(0, 2);
    s.updateStateWithReaction(0, &state);
    EXPECT_EQ(state.getStateValue(0), 0u);
    State out(1);
    s.updateNewStateWithReaction(0, &state, &out);
    EXPECT_EQ(out.getStateValue(0), 0u);
}

TEST(Stoichiometry, PairingByNegatedVectors)
{
    Stoichiometry s;
    EXPECT_EQ(s.MapAllReversiblePairs(), -1);
    s.setNumSpecies(2);
    s.setNumReactions(3);
    // Columns v, -v, -v (entry (s, r) at s * 3 + r).
    const double m[] = {1, -1, -1, -2, 2, 2};
    s.setStoichiometricMatrix(m);
    EXPECT_EQ(s.MapAllReversiblePairs(), 0);
    ASSERT_EQ(s.getNumReversiblePairs(), 2u);
    EXPECT_EQ(s.getReversiblePairID(0, 0), 0);
    EXPECT_EQ(s.getReversiblePairID(0, 1), 1);
    EXPECT_EQ(s.getReversiblePairID(1, 0), 2);
    EXPECT_EQ(s.getReversiblePairID(1, 1), -1);
}

TEST_F(NetworkFile, SynthesisAndDegradationPairAndPrint)
{
    auto net = load(document(species("X"), parameter("k", "1"), "",
                             reaction("Syn", false, "", ref("X"), "", "<ci>k</ci>")
                                 + reaction("Deg", false, ref("X"), "", modifier("X"), "<ci>k</ci>")));
    const Stoichiometry* s = net->getStoichiometricMatrix();
    EXPECT_EQ(s->getReversiblePairID(0, 1), 1);
    testing::internal::CaptureStdout();
    s->printStoichiometricMatrix();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Stoichiometric matrix:\n 1  -1  \nReaction Modifiers:\n"
              "Number of modifiers in each reaction:\n0 1 \n\n0 1 \n");
    const std::vector<double> v = s->getStoichiometricVector(1, 1);
    EXPECT_EQ(v, std::vector<double>{-2.0});
}

TEST_F(NetworkFile, AssignmentRulesInACycleWithSeveralReferencesEndAtOnce)
{
    // Each rule names the other twice: a depth bound alone would evaluate
    // 2^depth branches before giving up.
    auto net = load(document(species("A"), parameter("a", "0", false) + parameter("b", "0", false),
                             rule("a", "<apply><plus/><ci>b</ci><ci>b</ci></apply>")
                                 + rule("b", "<apply><times/><ci>a</ci><ci>a</ci><ci>a</ci></apply>"),
                             ""));
    State state(1);
    testing::internal::CaptureStdout();
    const double a = net->getValueOfParameter("a", 0, &state);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(a, 0.0);
    // One lookup of a, two of b, six of a again (each refused at once).
    EXPECT_LT(out.size(), 2000u) << out.substr(0, 200);
    EXPECT_NE(out.find("ERROR: assignment rules refer to each other in a cycle at a"), std::string::npos);
}

TEST_F(NetworkFile, StoichiometryThatIsNoNumberOrTooLargeForACount)
{
    int result = 0;
    auto nan = load(document(species("A"), parameter("k", "1"), "",
                             reaction("R", false, ref("A", "NaN"), "", "", "<ci>k</ci>")),
                    &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(nan->getNumStoiReactions(), 0u);
    auto inf = load(document(species("A"), parameter("k", "1"), "",
                             reaction("R", false, "", ref("A", "INF"), "", "<ci>k</ci>")),
                    &result);
    EXPECT_EQ(result, -1);

    // A column that consumes more than any count can hold: its smallest
    // firing state stops at the largest count.
    auto huge = load(document(species("A"), parameter("k", "1"), "",
                              reaction("R", false, ref("A", "1e12"), "", "", "<ci>A</ci>")));
    EXPECT_EQ(huge->getValueOfRateConstant(0), 2147483647.0);
}
