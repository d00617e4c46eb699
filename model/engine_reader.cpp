// The engine's own tissue reader: the view's loader without its interface.
// It loads into the engine it is called on, takes its mechanism mode and read
// option from an option string, stamps every cell with the given step, and
// reports the junction counts through node_test.

#include "model/dbreader.h"
#include "model/parameter_tables.h"
#include "model/tissue_file.h"

#include <QFile>
#include <QTextStream>

#include <iostream>
#include <vector>

void dbReader::read(const QString& options, const QString& fileName, int step)
{
    UserInitialParas();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;

    // Each search stands alone and a later match overwrites an earlier one:
    // r wins over m over g, and the largest digit wins.
    const int savedMode = mech_mode;
    const int savedOption = read_option;
    const struct {
        char key;
        int* field;
        int value;
    } searches[] = {
        {'g', &mech_mode, MECH_GROW}, {'m', &mech_mode, MECH_MODEL}, {'r', &mech_mode, MECH_RELAX},
        {'1', &read_option, 1},       {'2', &read_option, 2},        {'3', &read_option, 3},
        {'4', &read_option, 4},
    };
    for (const auto& search : searches)
        if (options.indexOf(QLatin1Char(search.key), 0, Qt::CaseInsensitive) >= 0)
            *search.field = search.value;

    QTextStream in(&file);
    TissueFile::ReadSettings settings;
    settings.role = TissueFile::ReaderRole::Engine;
    settings.step = step;
    QString reason;
    if (TissueFile::readTissue(*this, in, settings, &reason) != TissueFile::ReadStatus::Loaded) {
        // A refused file leaves the engine as an unreadable one does.
        mech_mode = savedMode;
        read_option = savedOption;
        message = QStringLiteral("Cannot read file %1:\n%2.").arg(fileName, reason);
    }
    file.close();
}

void dbReader::node_test()
{
    for (cell* c : cells)
        c->center_refresh();

    int activeNodes = 0;
    for (const node* n : nodes)
        activeNodes += n->active;

    // tally[k]: live vertices with k merge partners; grows past ten slots
    // when a junction is that large.
    std::vector<long long> tally(10, 0);
    long long dead = 0;
    for (const point3D* p : points) {
        if (p->alive == 0) {
            ++dead;
            continue;
        }
        const size_t k = p->mp.size();
        if (k >= tally.size())
            tally.resize(k + 1, 0);
        ++tally[k];
    }
    // A group of k + 1 mutually welded vertices is one site.
    long long sites = static_cast<long long>(points.size()) - dead;
    for (size_t k = 1; k < tally.size(); ++k)
        sites -= static_cast<long long>(k) * tally[k] / static_cast<long long>(k + 1);

    std::cout << "The node number: " << activeNodes << " " << sites << std::endl;
}
