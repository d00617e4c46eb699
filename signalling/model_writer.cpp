// The model file writer. For every cell type it works out, from the database,
// which cytokines the type synthesises and which cytokines regulate that
// synthesis or act on its four behaviours, and turns them into SBML:
//
//   listOfParameters  synthesis rates (constant, or defined by a rule when
//                     regulated), degradation rates, the four probabilities,
//                     the behaviour weights and coefficients;
//   listOfRules       the four probabilities, then each regulated synthesis
//                     rate, as products of factors 1 + k * species, divided
//                     by the product of the inhibiting factors;
//   listOfReactions   a synthesis reaction and a degradation reaction for
//                     every synthesised cytokine, in name order.
//
// Every identifier written passes through one set per file, so no two
// elements share an id. A cytokine is a species of every file; only one whose
// name is a valid SBML identifier (and not already taken) takes part in
// parameters, rules and reactions.
#include "signalling/model_writer.h"
#include "model/stage_progress.h"

#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>
#include <QXmlStreamWriter>

#include <cmath>
#include <map>

namespace {

const char* const kSbmlNamespace = "http://www.sbml.org/sbml/level2";
const char* const kMathNamespace = "http://www.w3.org/1998/Math/MathML";

// The text under which a DOUBLE of the database enters a file: general
// notation, at most 15 significant digits, no trailing zeros.
QString databaseText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    return QString::number(value, 'g', 15);
}

// A database value in other units: the exponent suffix is appended to its
// text, unless the text has an exponent of its own; then the number itself
// is scaled, since a second exponent would not be a number.
QString scaledText(double value, const char* suffix, double factor)
{
    const QString text = databaseText(value);
    if (text.contains('e') || !std::isfinite(value))
        return databaseText(value * factor);
    return text + suffix;
}

// Synthesis rate: 10^-7 ng per cell per day, times 0.4, six digits.
QString rateText(double synthesis)
{
    const double rate = synthesis * 0.4;
    if (!std::isfinite(rate))
        return databaseText(rate);
    return QString::number(rate, 'g', 6);
}

// Regulation class from the multiplying (m) and dividing (d) factor counts.
int regulationClass(int m, int d)
{
    static const int table[3][3] = {{1, 4, 5}, {2, 6, 8}, {3, 7, 9}};
    return table[m < 2 ? m : 2][d < 2 ? d : 2];
}

class IdSet {
public:
    bool contains(const QString& id) const { return used.contains(id); }
    // Takes id when free; false when an element already has it.
    bool take(const QString& id)
    {
        if (used.contains(id))
            return false;
        used.insert(id);
        return true;
    }
    // id, or id + "__2", "__3", ... for a repeated row, whichever is free.
    QString takeUnique(const QString& id)
    {
        QString candidate = id;
        for (int n = 2; used.contains(candidate); ++n)
            candidate = id + "__" + QString::number(n);
        used.insert(candidate);
        return candidate;
    }

private:
    QSet<QString> used;
};

struct CytokineRow {
    QString name;        // cytokine.name as stored
    QString speciesId;   // the species id written for it
    bool usable = false; // speciesId == name: may take part in parameters, rules, reactions
    double degradation = 0.0;
    double diffusion = 0.0;
};

// Species ids for the cytokine rows: the name when it is a valid identifier
// not already taken (by a fixed id or an earlier row of the same name), else
// a generated id that no usable name can take.
QVector<CytokineRow> readCytokines(const QSet<QString>& reserved)
{
    QVector<CytokineRow> rows;
    QSqlQuery query;
    query.exec(QStringLiteral("SELECT name, degradation, diffusion FROM cytokine"));
    QSet<QString> taken = reserved;
    QSet<QString> allNames;
    while (query.next()) {
        CytokineRow row;
        row.name = query.value(0).toString();
        row.degradation = query.value(1).toDouble();
        row.diffusion = query.value(2).toDouble();
        allNames.insert(row.name);
        rows.append(row);
    }
    for (CytokineRow& row : rows) {
        if (model_files::isValidIdentifier(row.name) && !taken.contains(row.name)) {
            row.usable = true;
            row.speciesId = row.name;
            taken.insert(row.name);
        }
    }
    for (int j = 0; j < rows.size(); ++j) {
        if (rows[j].usable)
            continue;
        QString id = "cytokine_" + QString::number(j);
        while (taken.contains(id) || allNames.contains(id))
            id += "_";
        rows[j].speciesId = id;
        taken.insert(id);
    }
    return rows;
}

struct Factor {
    QString species;   // the acting cytokine's species id
    int type = 0;      // effect or regulation code of the row
    QString parameter; // id of its coefficient parameter
    double coefficient = 0.0;
};

struct Behaviour {
    const char* variable;  // probability parameter
    const char* prefix;    // stem of its ids
    const char* typeColumn;
    const char* coefColumn;
    double weight = 0.0;   // the cell type's base weight
    QVector<Factor> rows;  // rows of usable cytokines with a type above 0, in query order
    int m = 0;
    int d = 0;
};

struct Synthesis {
    QString cytokine;      // species id (= name)
    int regulation = 0;    // class 0 to 9
    double rate = 0.0;     // cytokine_cell.synthesis
    QVector<Factor> regulators; // class 2 and above: rows of usable regulators, in query order
    bool ruleDefined = false;   // "ks_" + cytokine was written non-constant
};

class FileWriter {
public:
    FileWriter(QXmlStreamWriter& xml, IdSet& ids) : xml(xml), ids(ids) {}

    void parameter(const QString& id, const QString& value, bool constant = true)
    {
        if (!ids.take(id))
            return;
        xml.writeEmptyElement("parameter");
        xml.writeAttribute("id", id);
        xml.writeAttribute("value", value);
        if (!constant)
            xml.writeAttribute("constant", "false");
    }

    void startMath()
    {
        xml.writeStartElement("math");
        xml.writeAttribute("xmlns", kMathNamespace);
    }

    // 1 + k * species, as an apply of plus, cn 1 and an apply of times.
    void factorChildren(const Factor& f)
    {
        xml.writeEmptyElement("plus");
        xml.writeTextElement("cn", "1");
        xml.writeStartElement("apply");
        xml.writeEmptyElement("times");
        xml.writeTextElement("ci", f.parameter);
        xml.writeTextElement("ci", f.species);
        xml.writeEndElement();
    }

    void factor(const Factor& f)
    {
        xml.writeStartElement("apply");
        factorChildren(f);
        xml.writeEndElement();
    }

    QXmlStreamWriter& xml;
    IdSet& ids;
};

QVector<Factor> rowsOfType(const QVector<Factor>& rows, int type)
{
    QVector<Factor> out;
    for (const Factor& f : rows)
        if (f.type == type)
            out.append(f);
    return out;
}

void writeSpecies(QXmlStreamWriter& xml, const QVector<CytokineRow>& cytokines)
{
    xml.writeStartElement("listOfSpecies");
    for (const CytokineRow& c : cytokines) {
        xml.writeEmptyElement("species");
        xml.writeAttribute("id", c.speciesId);
        xml.writeAttribute("name", c.name);
        xml.writeAttribute("compartment", "default");
        xml.writeAttribute("initialAmount", "0");
        xml.writeAttribute("charge", "0");
    }
    xml.writeEndElement();
}

void writeHeader(QXmlStreamWriter& xml, const QString& modelId, const QVector<CytokineRow>& cytokines)
{
    xml.setAutoFormatting(false);
    xml.writeStartDocument();
    xml.writeStartElement("sbml");
    xml.writeAttribute("xmlns", kSbmlNamespace);
    xml.writeAttribute("level", "2");
    xml.writeAttribute("version", "1");
    xml.writeStartElement("model");
    if (!modelId.isNull())
        xml.writeAttribute("id", modelId);
    xml.writeStartElement("listOfCompartments");
    xml.writeEmptyElement("compartment");
    xml.writeAttribute("id", "default");
    xml.writeAttribute("size", "1");
    xml.writeEndElement();
    writeSpecies(xml, cytokines);
}

// Closes the document and reports whether everything reached the file.
bool finish(QXmlStreamWriter& xml, QFile& file)
{
    xml.writeEndDocument();
    const bool flushed = file.flush();
    const bool ok = flushed && !xml.hasError() && file.error() == QFileDevice::NoError;
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

void step(QProgressDialog& progress, int value)
{
    progress.setValue(value);
    QCoreApplication::processEvents();
}

struct CellRow {
    QString name;
    double growth = 0.0;
    double migration = 0.0;
    double death = 0.0;
    double quiet = 0.0;
};

// The parameters, rules and reactions of one cell type, worked out first and
// then written in file order.
class CellModel {
public:
    CellModel(const CellRow& cell, const QVector<CytokineRow>& cytokines)
        : cell(cell), cytokines(cytokines)
    {
        behaviours = {Behaviour{"Prob_DoNothing", "kdonothing", "quiet_type", "quiet_coef", cell.quiet, {}, 0, 0},
                      Behaviour{"Prob_GrowthDiv", "kgrowthdiv", "growth_type", "growth_coef", cell.growth, {}, 0, 0},
                      Behaviour{"Prob_Migration", "kmigration", "migration_type", "migration_coef", cell.migration, {}, 0, 0},
                      Behaviour{"Prob_Apoptosis", "kapoptosis", "death_type", "death_coef", cell.death, {}, 0, 0}};
        for (const CytokineRow& c : cytokines)
            if (c.usable)
                usableNames.insert(c.name);
        readSyntheses();
        readBehaviours();
    }

    void writeParameters(FileWriter& w);
    void writeRules(FileWriter& w);
    void writeReactions(FileWriter& w);

private:
    void readSyntheses();
    void readBehaviours();
    void writeProbabilityRule(FileWriter& w, const Behaviour& b);
    void writeSynthesisRule(FileWriter& w, const Synthesis& s);

    const CellRow& cell;
    const QVector<CytokineRow>& cytokines;
    QSet<QString> usableNames;
    QVector<Synthesis> syntheses;          // cytokine-table order, synthesised cytokines only
    std::map<QString, int> byName;         // name -> index in syntheses, code-unit order
    QVector<Behaviour> behaviours;
};

void CellModel::readSyntheses()
{
    for (const CytokineRow& c : cytokines) {
        if (!c.usable)
            continue;
        QSqlQuery row;
        row.prepare(QStringLiteral("SELECT id, cytokineid, cellid, synthesis FROM cytokine_cell "
                                   "WHERE cytokinename = ? AND cellname = ?"));
        row.addBindValue(c.name);
        row.addBindValue(cell.name);
        if (!row.exec() || !row.next())
            continue;
        Synthesis s;
        s.cytokine = c.name;
        s.rate = row.value(3).toDouble();
        QVector<Factor> all;
        QSqlQuery regulate;
        regulate.prepare(QStringLiteral("SELECT cytokinename, cytokineid, regulate_type, regulate_coef "
                                        "FROM regulate WHERE cytokine_cellid = ?"));
        regulate.addBindValue(row.value(0).toInt());
        regulate.exec();
        int m = 0;
        int d = 0;
        while (regulate.next()) {
            Factor f;
            f.species = regulate.value(0).toString();
            f.type = regulate.value(2).toInt();
            f.coefficient = regulate.value(3).toDouble();
            // A regulator that is no species of the file has no count to act with.
            if (!usableNames.contains(f.species))
                continue;
            if (f.type == RegulateType::UPREGULATE)
                ++m;
            else if (f.type == RegulateType::DOWNREGULATE)
                ++d;
            all.append(f);
        }
        s.regulation = regulationClass(m, d);
        if (s.regulation >= 2)
            s.regulators = all;
        byName[s.cytokine] = syntheses.size();
        syntheses.append(s);
    }
}

void CellModel::readBehaviours()
{
    for (Behaviour& b : behaviours) {
        QSqlQuery query;
        query.prepare(QString("SELECT cytokinename, %1, %2 FROM behavior WHERE cellname = ?")
                          .arg(b.typeColumn, b.coefColumn));
        query.addBindValue(cell.name);
        query.exec();
        while (query.next()) {
            Factor f;
            f.species = query.value(0).toString();
            f.type = query.value(1).toInt();
            f.coefficient = query.value(2).toDouble();
            if (f.type <= 0 || !usableNames.contains(f.species))
                continue;
            if (f.type == BehaviorEffect::PROMOTE)
                ++b.m;
            else if (f.type == BehaviorEffect::INHIBIT)
                ++b.d;
            b.rows.append(f);
        }
    }
}

void CellModel::writeParameters(FileWriter& w)
{
    QXmlStreamWriter& xml = w.xml;
    xml.writeStartElement("listOfParameters");
    for (Synthesis& s : syntheses) {
        const QString ks = "ks_" + s.cytokine;
        if (s.regulation == 1) {
            w.parameter(ks, rateText(s.rate));
            continue;
        }
        s.ruleDefined = !w.ids.contains(ks);
        w.parameter(ks, "0", false);
        w.parameter("ks0_" + s.cytokine, rateText(s.rate));
        for (Factor& f : s.regulators) {
            f.parameter = w.ids.takeUnique("ks1_" + s.cytokine + "_" + f.species);
            xml.writeEmptyElement("parameter");
            xml.writeAttribute("id", f.parameter);
            xml.writeAttribute("value", databaseText(f.coefficient));
        }
    }
    for (const CytokineRow& c : cytokines) {
        if (c.usable && byName.count(c.name))
            w.parameter("kd_" + c.name, scaledText(c.degradation, "E-4", 1e-4));
    }
    for (const Behaviour& b : behaviours)
        w.parameter(b.variable, "0.0", false);
    for (Behaviour& b : behaviours) {
        w.parameter(QString(b.prefix) + "0", "1");
        w.parameter(QString(b.prefix) + "_1", databaseText(b.weight));
        for (Factor& f : b.rows) {
            f.parameter = w.ids.takeUnique(QString(b.prefix) + "_" + f.species);
            xml.writeEmptyElement("parameter");
            xml.writeAttribute("id", f.parameter);
            xml.writeAttribute("value", databaseText(f.coefficient));
        }
    }
    xml.writeEndElement();
}

// prefix0 * prefix_1 * product of the promoting factors, divided by the
// inhibiting factor or the product of the inhibiting factors.
void CellModel::writeProbabilityRule(FileWriter& w, const Behaviour& b)
{
    QXmlStreamWriter& xml = w.xml;
    const QVector<Factor> promoting = rowsOfType(b.rows, BehaviorEffect::PROMOTE);
    const QVector<Factor> inhibiting = rowsOfType(b.rows, BehaviorEffect::INHIBIT);
    xml.writeStartElement("assignmentRule");
    xml.writeAttribute("variable", b.variable);
    w.startMath();
    xml.writeStartElement("apply");
    if (!inhibiting.isEmpty()) {
        xml.writeEmptyElement("divide");
        xml.writeStartElement("apply");
    }
    xml.writeEmptyElement("times");
    xml.writeTextElement("ci", QString(b.prefix) + "0");
    xml.writeTextElement("ci", QString(b.prefix) + "_1");
    for (const Factor& f : promoting)
        w.factor(f);
    if (!inhibiting.isEmpty()) {
        xml.writeEndElement();
        xml.writeStartElement("apply");
        if (inhibiting.size() == 1) {
            w.factorChildren(inhibiting.first());
        } else {
            xml.writeEmptyElement("times");
            for (const Factor& f : inhibiting)
                w.factor(f);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement(); // apply
    xml.writeEndElement(); // math
    xml.writeEndElement(); // assignmentRule
}

// ks0_c * product of the up factors * (1 / the down factor or their product).
void CellModel::writeSynthesisRule(FileWriter& w, const Synthesis& s)
{
    QXmlStreamWriter& xml = w.xml;
    const QVector<Factor> up = rowsOfType(s.regulators, RegulateType::UPREGULATE);
    const QVector<Factor> down = rowsOfType(s.regulators, RegulateType::DOWNREGULATE);
    xml.writeStartElement("assignmentRule");
    xml.writeAttribute("variable", "ks_" + s.cytokine);
    w.startMath();
    xml.writeStartElement("apply");
    xml.writeEmptyElement("times");
    xml.writeTextElement("ci", "ks0_" + s.cytokine);
    for (const Factor& f : up)
        w.factor(f);
    if (!down.isEmpty()) {
        xml.writeStartElement("apply");
        xml.writeEmptyElement("divide");
        xml.writeTextElement("cn", "1");
        if (down.size() == 1) {
            w.factor(down.first());
        } else {
            xml.writeStartElement("apply");
            xml.writeEmptyElement("times");
            for (const Factor& f : down)
                w.factor(f);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement(); // apply
    xml.writeEndElement(); // math
    xml.writeEndElement(); // assignmentRule
}

void CellModel::writeRules(FileWriter& w)
{
    w.xml.writeStartElement("listOfRules");
    for (const Behaviour& b : behaviours)
        writeProbabilityRule(w, b);
    for (const auto& entry : byName) {
        const Synthesis& s = syntheses[entry.second];
        if (s.regulation >= 2 && s.ruleDefined)
            writeSynthesisRule(w, s);
    }
    w.xml.writeEndElement();
}

void CellModel::writeReactions(FileWriter& w)
{
    if (byName.empty())
        return;
    QXmlStreamWriter& xml = w.xml;
    xml.writeStartElement("listOfReactions");
    for (int pass = 0; pass < 2; ++pass) {
        const bool synthesis = pass == 0;
        for (const auto& entry : byName) {
            const QString& c = entry.first;
            const QString id = (synthesis ? "Syn" : "Deg") + c;
            if (!w.ids.take(id))
                continue;
            xml.writeStartElement("reaction");
            xml.writeAttribute("id", id);
            xml.writeAttribute("reversible", "false");
            xml.writeAttribute("fast", "false");
            xml.writeStartElement(synthesis ? "listOfProducts" : "listOfReactants");
            xml.writeEmptyElement("speciesReference");
            xml.writeAttribute("species", c);
            xml.writeEndElement();
            xml.writeStartElement("kineticLaw");
            w.startMath();
            xml.writeStartElement("apply");
            xml.writeEmptyElement("times");
            xml.writeTextElement("ci", "default");
            xml.writeTextElement("ci", (synthesis ? "ks_" : "kd_") + c);
            if (!synthesis)
                xml.writeTextElement("ci", c);
            xml.writeEndElement(); // apply
            xml.writeEndElement(); // math
            xml.writeEndElement(); // kineticLaw
            xml.writeEndElement(); // reaction
        }
    }
    xml.writeEndElement();
}

QString openFailure(const QString& path)
{
    return QStringLiteral("Can't write %1 in read-only Folder.\nPlease add write privilege to the Vantu "
                          "installation folder %2!")
        .arg(QFileInfo(path).fileName(), path);
}

bool writeCellFile(const CellRow& cell, int earlier, const QVector<CytokineRow>& cytokines,
                   QProgressDialog& progress, int s, int k, QString* failure)
{
    const QString path = model_files::cellTypeFile(cell.name, earlier);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *failure = openFailure(path);
        return false;
    }
    model_files::recordWritten(path);
    IdSet ids;
    ids.take("default");
    for (const CytokineRow& c : cytokines)
        ids.take(c.speciesId);

    QXmlStreamWriter xml(&file);
    const QString modelId = model_files::isValidIdentifier(cell.name) ? cell.name : QString();
    writeHeader(xml, modelId, cytokines);
    step(progress, 3 * s * k + s);

    CellModel model(cell, cytokines);
    FileWriter w(xml, ids);
    model.writeParameters(w);
    step(progress, 3 * s * k + 2 * s);
    model.writeRules(w);
    model.writeReactions(w);
    step(progress, 3 * s * (k + 1));

    xml.writeEndElement(); // model
    xml.writeEndElement(); // sbml
    if (!finish(xml, file)) {
        *failure = openFailure(path);
        return false;
    }
    return true;
}

bool writeCommonFile(const QVector<CytokineRow>& cytokines, QString* failure)
{
    const QString path = model_files::commonFile();
    QFile file(path);
    const QString commonFailure =
        QStringLiteral("Can't write mcommon.xml in read-only folder.\nPlease add write privilege to the Vantu "
                       "installation folder %2!")
            .replace("%2", model_files::directory());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *failure = commonFailure;
        return false;
    }
    model_files::recordWritten(path);
    QXmlStreamWriter xml(&file);
    writeHeader(xml, QString(), cytokines);
    xml.writeStartElement("listOfParameters");
    IdSet ids;
    for (const CytokineRow& c : cytokines)
        ids.take(c.speciesId);
    FileWriter w(xml, ids);
    w.parameter("D0", "1.9E7");
    w.parameter("DeltaT", "1");
    // The reader takes the coefficient of row j as "D_" + its name; a species
    // without a usable name has its generated id there instead.
    for (const CytokineRow& c : cytokines)
        w.parameter("D_" + c.speciesId, scaledText(c.diffusion, "E-9", 1e-9));
    xml.writeEndElement(); // listOfParameters
    xml.writeEndElement(); // model
    xml.writeEndElement(); // sbml
    if (!finish(xml, file)) {
        *failure = commonFailure;
        return false;
    }
    return true;
}

}

bool writeModelFiles(QString* failure)
{
    QString failureText;
    QString* out = failure ? failure : &failureText;
    out->clear();

    UserInitialParas();

    QProgressDialog progress;
    showStageProgress(progress, QObject::tr("Cytokine Signaling Database"), QObject::tr("Creating database..."), 99);
    QCoreApplication::processEvents();

    int n = 1;
    QSqlQuery count;
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM cell")) && count.next())
        n = count.value(0).toInt() + 1;
    const int s = n > 0 ? 33 / n : 0;

    const QVector<CytokineRow> cytokines = readCytokines(model_files::fixedIds());

    QVector<CellRow> cells;
    QSqlQuery query;
    query.exec(QStringLiteral("SELECT name, growth_coef, migration_coef, death_coef, quiet_coef FROM cell"));
    while (query.next()) {
        CellRow row;
        row.name = query.value(0).toString();
        row.growth = query.value(1).toDouble();
        row.migration = query.value(2).toDouble();
        row.death = query.value(3).toDouble();
        row.quiet = query.value(4).toDouble();
        cells.append(row);
    }
    QHash<QString, int> seen;
    for (int k = 0; k < cells.size(); ++k)
        if (!writeCellFile(cells[k], seen[cells[k].name]++, cytokines, progress, s, k, out))
            return false;
    if (!writeCommonFile(cytokines, out))
        return false;
    step(progress, progress.maximum());
    return true;
}

bool createModelFiles()
{
    QString failure;
    if (writeModelFiles(&failure))
        return true;
    QMessageBox::warning(nullptr, QObject::tr("Read only"), failure, QMessageBox::Ok);
    return false;
}

void deleteModelFiles()
{
    model_files::removeWritten();
}
