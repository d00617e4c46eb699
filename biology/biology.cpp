#include "biology/biology.h"
#include "model/stage_progress.h"

#include "model/cell.h"
#include "model/parameter_tables.h"
#include "signalling/model_files.h"
#include "signalling/network.h"
#include "signalling/state.h"
#include "geometry/numeric.h"

#include <QCoreApplication>
#include <QHash>
#include <QProgressDialog>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <cstdlib>

namespace {

// Counts enter the rates within 0..65535: larger amounts stop at the top
// instead of wrapping around.
const unsigned int kMaxCount = 65535;

unsigned int countOf(double amount)
{
    if (!(amount > 0.0))
        return 0;
    if (amount >= kMaxCount)
        return kMaxCount;
    return static_cast<unsigned int>(amount);
}

void step(QProgressDialog& progress, int value)
{
    progress.setValue(value);
    QCoreApplication::processEvents();
}

}

void Biology::fail(const QString& message)
{
    std::printf("%s\n", message.toLocal8Bit().constData());
    if (loadMessage_.isEmpty())
        loadMessage_ = message;
}

double Biology::commonParameter(const std::string& id, const QString& path)
{
    const Model* model = commonNetwork->getModel();
    const Parameter* parameter = model ? model->getParameter(id) : nullptr;
    if (!parameter) {
        if (model)
            fail(QString("ERROR: the common model file %1 lacks the parameter %2!")
                     .arg(path, QString::fromStdString(id)));
        return 0.0;
    }
    return parameter->getValue();
}

Biology::Biology()
{
    const int maximum = static_cast<int>(name_index_class.size() + name_index_cytokine_class.size()) + 2;
    QProgressDialog progress;
    showStageProgress(progress, QCoreApplication::translate("Biology", "Biology"),
                      QCoreApplication::translate("Biology", "Read biology information into database..."), maximum);

    commonNetwork = new Network();
    step(progress, 1);

    QSqlQuery query;
    query.exec(QStringLiteral("SELECT name FROM cell"));
    int i = 0;
    QHash<QString, int> seen;
    while (query.next()) {
        const QString name = query.value(0).toString();
        const QString path = model_files::cellTypeFile(name, seen[name]++);
        Network* network = new Network();
        if (network->initializeNetwork(path.toLocal8Bit().constData()) != 0)
            fail(QString("ERROR: cannot read the model file %1!").arg(path));
        networks.push_back(network);
        // Every stoichiometric column gets its law; a reversible reaction
        // has two columns sharing one.
        const int columns = static_cast<int>(network->getNumStoiReactions());
        numReactions.push_back(columns);
        std::vector<const KineticLaw*> laws(columns, nullptr);
        const Model* model = network->getModel();
        for (int j = 0; j < columns && model; ++j) {
            const int a = std::abs(network->getStoichiometricMatrix()->getReactionAttribute(j));
            const Reaction* reaction = a > 0 ? model->getReaction(a - 1) : nullptr;
            laws[j] = reaction && reaction->isSetKineticLaw() ? reaction->getKineticLaw() : nullptr;
        }
        kineticLaws.push_back(laws);
        step(progress, i + 2);
        ++i;
    }

    const QString commonPath = model_files::commonFile();
    if (commonNetwork->initializeNetwork(commonPath.toLocal8Bit().constData()) != 0)
        fail(QString("ERROR: cannot read the model file %1!").arg(commonPath));
    step(progress, 2 + static_cast<int>(name_index_class.size()));

    D0 = commonParameter("D0", commonPath);
    DeltaT = commonParameter("DeltaT", commonPath);
    numSpecies = 20;
    numRealSpecies = static_cast<int>(commonNetwork->getNumSpecies());
    D.assign(numRealSpecies, 0.0);
    // Species j of the common model is the cytokine of row j; its
    // coefficient stands under "D_" + its id.
    for (int j = 0; j < numRealSpecies; ++j) {
        D[j] = commonParameter("D_" + commonNetwork->getSpeciesID(j), commonPath);
        progress.setValue(progress.value() + 1);
        QCoreApplication::processEvents();
    }
    step(progress, maximum);
}

Biology::~Biology()
{
    delete commonNetwork;
    commonNetwork = nullptr;
    for (Network*& network : networks) {
        delete network;
        network = nullptr;
    }
}

double Biology::getD(int j) const
{
    return j >= 0 && j < static_cast<int>(D.size()) ? D[j] : 0.0;
}

int Biology::UpdateCellState(cell* c)
{
    if (!c)
        return 0;
    const int ty = c->cell_type;
    if (ty < 0 || ty >= static_cast<int>(networks.size()))
        return 0;
    Network* net = networks[ty];
    const int R = numReactions[ty];
    const std::vector<const KineticLaw*>& laws = kineticLaws[ty];
    const Stoichiometry* S = net->getStoichiometricMatrix();
    const int n = numRealSpecies;

    State state(static_cast<unsigned int>(n));
    std::vector<double> x(n, 0.0);
    for (int i = 0; i < n; ++i) {
        const double amount = i < static_cast<int>(c->species.size()) ? c->species[i] : 0.0;
        x[i] = amount;
        state.setStateValue(i, countOf(amount));
    }

    std::vector<double> a(R, 0.0), s(R, 0.0), N(R, 0.0);
    double t = 0.0;
    int steps = 0;
    while (DeltaT > t) {
        for (int j = 0; j < R; ++j) {
            a[j] = net->getReactionRate(laws[j], j, &state);
            // A propensity that is not positive adds no noise.
            s[j] = a[j] > 0.0 ? std::sqrt(a[j]) : 0.0;
            N[j] = randn_trig(0.0, 1.0);
        }
        for (int i = 0; i < n; ++i) {
            double drift = 0.0;
            double noise = 0.0;
            for (int j = 0; j < R; ++j) {
                const double entry = S ? S->getValue(i, j) : 0.0;
                drift += entry * a[j];
                noise += entry * s[j] * N[j];
            }
            const double next = x[i] + 0.1 * drift + 0.31622776601683794 * noise;
            x[i] = next > 0.0 ? next : 0.0;
            state.setStateValue(i, countOf(x[i]));
        }
        t += 0.1;
        ++steps;
    }

    for (int i = 0; i < n; ++i) {
        const int count = static_cast<int>(state.getStateValue(i));
        if (i < static_cast<int>(c->species.size()))
            c->species[i] = count;
        else
            c->species.push_back(count);
    }
    return steps;
}

double Biology::probability(cell* c, const char* name)
{
    if (!c || c->cell_type < 0 || c->cell_type >= static_cast<int>(networks.size()))
        return 0.0;
    State state(static_cast<unsigned int>(c->species.size()));
    for (std::size_t i = 0; i < c->species.size(); ++i)
        state.setStateValue(static_cast<unsigned int>(i), c->species[i] > 0 ? static_cast<unsigned int>(c->species[i]) : 0u);
    return networks[c->cell_type]->getValueOfParameter(name, 0, &state);
}

double Biology::CalcValueProbGrowthDiv(cell* c) { return probability(c, "Prob_GrowthDiv"); }
double Biology::CalcValueProbMigration(cell* c) { return probability(c, "Prob_Migration"); }
double Biology::CalcValueProbApoptosis(cell* c) { return probability(c, "Prob_Apoptosis"); }
double Biology::CalcValueProbDoNothing(cell* c) { return probability(c, "Prob_DoNothing"); }
