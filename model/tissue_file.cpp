// Tissue project files: writing, counting and reading.
//
// A file flows through the reader line by line: each line is offered first to
// the open sections (which take it as a record or close), then tested against
// the start words (mode lines, header key lines, section keywords). Every
// record is checked as it is read (its number of fields, every numeric field
// converting, its own id against its position, every reference against the
// records read before it, the cell type against the parameter tables, every
// count against the fields the line holds); the whole tissue is checked once more after the last line (the rings
// of live cells, closed and counter-clockwise). Only a tissue that passes is handed to the post-load stages.

#include "model/tissue_file.h"

#include "biology/biology.h"

#include "geometry/ccomplex.h"
#include "geometry/numeric.h"
#include "model/dbreader.h"
#include "model/disc_ring.h"
#include "model/parameter_tables.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <set>
#include <vector>

namespace TissueFile {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("GLWidget", text);
}

void warnCannotWrite(QWidget* parent, const QString& fileName, const QString& reason)
{
    QMessageBox::warning(parent, tr("Vantu"), tr("Cannot write file %1:\n%2.").arg(fileName, reason));
}

void warnCannotRead(QWidget* parent, const QString& fileName, const QString& reason)
{
    QMessageBox::warning(parent, tr("Vantu"), tr("Cannot read file %1:\n%2.").arg(fileName, reason));
}

// ---- Writing --------------------------------------------------------------

const char* const kBanner = "#######################\n# Cell Growth Project #\n# Sample Database     #\n#######################";
const char* const kHeaderTail[] = {
    "# This is the bounds of your viewing window plane in VRC coordinates",
    "u -100.0,100.0\nv -75.0,75.0",
    "# VRC specifying vectors\nVPN 0.0,1.0\nVUP 1.0,0.0",
    "# World coordinate point specifying the VRC origin\nVRP 0.0,0.0",
    "# Specify the center of project in reference to the VRC\nPRP 0.0,0.0",
    "# List of vertices of objects in world coordinates",
};

// Ids of linked records; a missing link is written as -1.
template <typename T>
int idOf(const T* record)
{
    return record ? record->id : -1;
}

enum class Tick { Go, Cancelled, Changed, WriteFailed };

// A coordinate as a reader gets it back: written with six significant digits.
double asStored(double value)
{
    return QString::number(value, 'g', 6).toDouble();
}

// The centre and area a reader computes for c from its ring as stored, the
// same sums in the same order as cell::center_refresh and cell::set_area. A
// cell's own fields may lag behind its ring (they are refreshed at other
// points of a step), and writing them would make a saved tissue differ from
// itself once opened and saved again.
struct RingMeasure {
    double cx, cy, area;
};

RingMeasure storedRing(const cell* c)
{
    if (c->sides.empty())
        return RingMeasure{c->center[0], c->center[1], c->area};
    double sx = 0.0, sy = 0.0, signedArea = 0.0;
    for (const edge* side : c->sides) {
        const double x1 = asStored(side->p1->x), y1 = asStored(side->p1->y);
        const double x2 = asStored(side->p2->x), y2 = asStored(side->p2->y);
        sx += x1;
        sy += y1;
        signedArea += (x1 * y2 - y1 * x2) * 0.5;
    }
    const double n = static_cast<double>(c->sides.size());
    return RingMeasure{sx / n, sy / n, std::fabs(signedArea)};
}

}  // namespace

bool writeFile(QWidget* parent, dbReader* const& reader, const QString& fileName, QString* error)
{
    auto fail = [&](const QString& reason, bool warn) {
        if (error)
            *error = reason;
        if (warn)
            warnCannotWrite(parent, fileName, reason);
        return false;
    };
    if (!reader)
        return fail(tr("there is no tissue to save"), true);
    dbReader* const engine = reader;

    // A device or pipe cannot be replaced by a renamed temporary file (and
    // must not be): it is written in place.
    const QFileInfo info(fileName);
    std::unique_ptr<QFileDevice> device;
    QSaveFile* saveFile = nullptr;
    if (info.exists() && !info.isFile() && !info.isDir()) {
        device.reset(new QFile(fileName));
    } else {
        saveFile = new QSaveFile(fileName);
        device.reset(saveFile);
    }
    if (!device->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(device->errorString(), true);

    const size_t v = engine->points.size();
    const size_t e = engine->edges.size();
    const size_t c = engine->cells.size();
    const size_t p = engine->interpairs.size();
    const size_t n = engine->nodes.size();

    QProgressDialog progress(tr("Write ") + fileName, tr("&Cancel"), 0,
                             static_cast<int>(2 * v + 2 * e + 2 * c + p + n), parent);
    progress.setWindowTitle(tr("Write file "));

    QTextStream out(device.get());
    out << kBanner << Qt::endl;
    out << "Point-based\n" << Qt::endl;
    for (const char* text : kHeaderTail)
        out << text << Qt::endl;

    int counter = 0;
    // Before each element: progress, events, Cancel; then make sure the event
    // loop left the engine as it was and that the lines so far reached the file.
    auto tick = [&]() {
        ++counter;
        progress.setValue(counter);
        QCoreApplication::processEvents();
        if (progress.wasCanceled())
            return Tick::Cancelled;
        if (reader != engine || engine->points.size() != v || engine->edges.size() != e
            || engine->cells.size() != c || engine->interpairs.size() != p || engine->nodes.size() != n)
            return Tick::Changed;
        if (out.status() != QTextStream::Ok || device->error() != QFileDevice::NoError)
            return Tick::WriteFailed;
        return Tick::Go;
    };
    auto stop = [&](Tick t) {
        if (t == Tick::Cancelled)
            return fail(QString(), false);
        if (t == Tick::Changed)
            return fail(tr("the tissue changed while it was being saved"), true);
        return fail(device->errorString(), true);
    };

    out << "VERT_LIST" << Qt::endl;
    for (size_t i = 0; i < v; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const point3D* q = engine->points[i];
        out << q->x << ',' << q->y << ',' << q->id << ',' << int(q->alive) << ',' << q->adhesion_load << ','
            << q->friction << ',' << q->internal_force[0] << ',' << q->internal_force[1] << ','
            << q->separation_force[0] << ',' << q->separation_force[1] << Qt::endl;
    }
    out << "END_VERT_LIST" << Qt::endl;

    out << "EDGE_LIST" << Qt::endl;
    for (size_t i = 0; i < e; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const edge* d = engine->edges[i];
        out << d->id << ',' << idOf(d->p1) << ',' << idOf(d->p2) << Qt::endl;
    }
    out << "END_EDGE_LIST" << Qt::endl;

    out << "CELL_LIST" << Qt::endl;
    for (size_t i = 0; i < c; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const cell* k = engine->cells[i];
        const RingMeasure ring = storedRing(k);
        out << k->id << ',' << int(k->dead) << ',' << int(k->dying) << ',' << int(k->migrating) << ','
            << int(k->driven) << ',' << k->cell_type << ',' << ring.cx << ',' << ring.cy << ',' << ring.area
            << ',' << k->species.size();
        for (int s : k->species)
            out << ',' << s;
        for (const edge* side : k->sides)
            out << ',' << idOf(side);
        out << Qt::endl;
    }
    out << "END_CELL_LIST" << Qt::endl;

    out << "PAIR_LIST" << Qt::endl;
    for (size_t i = 0; i < p; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const interpair* r = engine->interpairs[i];
        out << r->id << ',' << int(r->removed) << ',' << idOf(r->cell1) << ',' << idOf(r->cell2) << ','
            << r->MP.size();
        // Only the first welded stretch is kept by the format.
        if (!r->MP.empty() && r->MP[0]) {
            const mergepair* m = r->MP[0];
            out << ',' << idOf(m->S1) << ',' << idOf(m->S2) << ',' << idOf(m->T1) << ',' << idOf(m->T2) << ','
                << m->adhesion_load_S1 << ',' << m->adhesion_load_S2 << ',' << m->adhesion_load_T1 << ','
                << m->adhesion_load_T2 << ',' << m->friction1 << ',' << m->friction2 << ',' << m->friction_state;
        }
        out << Qt::endl;
    }
    out << "END_PAIR_LIST" << Qt::endl;

    out << "NODE_LIST" << Qt::endl;
    for (size_t i = 0; i < n; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const node* j = engine->nodes[i];
        out << j->id << ',' << int(j->active);
        // A reader ignores the members of an inactive node, so none are written.
        if (j->active != 0)
            for (const point3D* q : j->vertices)
                out << ',' << idOf(q);
        out << Qt::endl;
    }
    out << "END_NODE_LIST" << Qt::endl;

    out << "DEAD_VERT_LIST" << Qt::endl;
    for (size_t i = 0; i < v; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const point3D* q = engine->points[i];
        if (q->alive == 0)
            out << q->id << ',' << idOf(q->next) << ',' << idOf(q->prev) << ',' << idOf(q->out_edge) << ','
                << idOf(q->in_edge) << Qt::endl;
    }
    out << "END_DEAD_VERT_LIST" << Qt::endl;

    out << "EDGE_PAIR_LIST" << Qt::endl;
    for (size_t i = 0; i < e; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const edge* d = engine->edges[i];
        if (d->bonded && d->partner)
            out << d->id << ',' << d->partner->id << ',' << idOf(d->pair) << Qt::endl;
        else
            out << d->id << ",-1,-1" << Qt::endl;
    }
    out << "END_EDGE_PAIR_LIST" << Qt::endl;

    out << "MIGR_CELL_LIST" << Qt::endl;
    for (size_t i = 0; i < c; ++i) {
        const Tick t = tick();
        if (t != Tick::Go)
            return stop(t);
        const cell* k = engine->cells[i];
        // Rear records stay with a cell from one migration to the next, while
        // `migrating` holds for one step only: every live cell holding
        // records is written, as is every migrating cell.
        if (!k->migrating && (k->dead || k->filling_cells.empty()))
            continue;
        out << k->id << ',' << k->filling_cells.size() << ';';
        for (const rear_fc* r : k->filling_cells) {
            out << idOf(r->filling_cell) << ',' << int(r->self_record) << ',' << r->x << ',' << r->y << ','
                << r->angle << ',' << r->NCs.size();
            for (const cell* nc : r->NCs)
                out << ',' << idOf(nc);
            out << ';';
        }
        out << Qt::endl;
    }
    out << "END_MIGR_CELL_LIST" << Qt::endl;

    out.flush();
    if (out.status() != QTextStream::Ok || device->error() != QFileDevice::NoError)
        return fail(device->errorString(), true);
    if (saveFile) {
        if (!saveFile->commit())
            return fail(saveFile->errorString(), true);
    } else {
        device->close();
        if (device->error() != QFileDevice::NoError)
            return fail(device->errorString(), true);
    }
    if (error)
        error->clear();
    return true;
}

int readLineCount(QWidget* parent, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        warnCannotRead(parent, fileName, file.errorString());
        return -1;
    }
    QTextStream in(&file);
    int count = 0;
    while (!in.atEnd()) {
        in.readLine();
        ++count;
    }
    file.close();
    return count;
}

// ---- Reading --------------------------------------------------------------

namespace {

enum Section { VERT, EDGE, CELL, PAIR, NODE, DEAD_VERT, EDGE_PAIR, MIGR, SECTION_COUNT };

const char* const kOpen[SECTION_COUNT] = {"VERT_LIST",      "EDGE_LIST",      "CELL_LIST",
                                          "PAIR_LIST",      "NODE_LIST",      "DEAD_VERT_LIST",
                                          "EDGE_PAIR_LIST", "MIGR_CELL_LIST"};
const char* const kClose[SECTION_COUNT] = {"END_VERT_LIST",      "END_EDGE_LIST",      "END_CELL_LIST",
                                           "END_PAIR_LIST",      "END_NODE_LIST",      "END_DEAD_VERT_LIST",
                                           "END_EDGE_PAIR_LIST", "END_MIGR_CELL_LIST"};

// World coordinates lie strictly inside this square (the cell boxes rely on it).
constexpr double kWorldLimit = 100000.0;
// A junction holds one vertex per cell meeting there; its members become
// pairwise partners, so a node line of many vertices is refused rather than
// expanded quadratically.
constexpr int kMaxNodeVertices = 100;
// Radius of a Center-based disc cell.
constexpr double kDiscRadius = 10.0;

struct Refused {
    QString what;
};

// Values of the header key lines, given to the viewing record once the
// tissue has been accepted.
struct ViewHeader {
    bool u = false, v = false;
    double uMin = 0, uMax = 0, vMin = 0, vMax = 0;
    bool has[4] = {false, false, false, false};  // VPN, VUP, VRP, PRP
    double vec[4][2] = {};
};

void replaceVector(double*& field, const double value[2])
{
    delete[] field;
    field = new double[2]{value[0], value[1]};
}

class Parser {
public:
    Parser(dbReader& engine, const ReadSettings& settings) : e(engine), s(settings) {}

    // Reads every line; throws Refused; returns false on Cancel.
    bool run(QTextStream& in)
    {
        while (!in.atEnd()) {
            if (s.beforeLine && !s.beforeLine(lineNo))
                return false;
            const QString line = in.readLine();
            if (!line.trimmed().isEmpty())
                content = true;
            handle(line);
            ++lineNo;
        }
        finishChecks();
        return true;
    }

    void applyHeader()
    {
        viewVolume* vv = e.getViewVolume();
        if (!vv)
            return;
        if (header.u) {
            vv->u_min = vv->u_min_copy = header.uMin;
            vv->u_max = vv->u_max_copy = header.uMax;
        }
        if (header.v) {
            vv->v_min = vv->v_min_copy = header.vMin;
            vv->v_max = vv->v_max_copy = header.vMax;
        }
        double** fields[4] = {&vv->VPN, &vv->VUP, &vv->VRP, &vv->PRP};
        for (int k = 0; k < 4; ++k)
            if (header.has[k])
                replaceVector(*fields[k], header.vec[k]);
    }

    bool center = false;  // mode flags
    bool point = false;

private:
    dbReader& e;
    const ReadSettings& s;
    int lineNo = 1;
    bool content = false;  // a line other than a blank one was read
    bool open[SECTION_COUNT] = {};
    int opened[SECTION_COUNT] = {};
    int discCount = 0;
    ViewHeader header;
    std::vector<int> vertLine;  // line of each vertex record
    std::vector<int> cellLine;  // line of each cell record
    std::vector<int> pairLine;  // line of each pair record
    std::vector<int> edgeOwner; // live cell that lists each edge, -1 = none

    [[noreturn]] void refuse(const QString& what) const
    {
        throw Refused{QStringLiteral("line %1: %2").arg(lineNo).arg(what)};
    }

    // ---- fields ----

    static bool startsWith(const QString& line, const char* key) { return line.startsWith(QLatin1String(key)); }

    void expectFields(const QStringList& f, int count, const char* section) const
    {
        if (f.size() != count)
            refuse(QStringLiteral("%1 record has %2, expected %3").arg(section, fields(f.size())).arg(count));
    }
    void expectAtLeast(const QStringList& f, int count, const char* section) const
    {
        if (f.size() < count)
            refuse(QStringLiteral("%1 record has %2, expected at least %3").arg(section, fields(f.size())).arg(count));
    }
    static QString fields(int n) { return counted(n, "field"); }
    // "1 vertex", "2 vertices", "0 edges".
    static QString counted(size_t n, const char* kind)
    {
        const QString one = QLatin1String(kind);
        if (n == 1)
            return QStringLiteral("1 ") + one;
        const QString many = one == QLatin1String("vertex") ? QStringLiteral("vertices") : one + QLatin1Char('s');
        return QStringLiteral("%1 %2").arg(n).arg(many);
    }

    // A field as a message quotes it: its start only, control characters
    // (a NUL byte, say) written as \xNN.
    static QString quoted(const QString& field)
    {
        constexpr int kShown = 40;
        QString text;
        for (const QChar ch : field.left(kShown)) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
                text += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0'));
            else
                text += ch;
        }
        if (field.size() > kShown)
            text += QStringLiteral("...");
        return QLatin1Char('"') + text + QLatin1Char('"');
    }

    // Every numeric field must convert: the program writes nothing else, and
    // a field read as 0 would move a vertex away from its welded partner or
    // stack a cell on its neighbours without a word. Integers (ids, counts,
    // types, flags) must be written as integers; a flag other than 0 or 1 then
    // keeps its default (flagRule).
    int strictInt(const QString& field, const QString& what) const
    {
        bool ok = false;
        const int value = field.trimmed().toInt(&ok);
        if (!ok)
            refuse(QStringLiteral("%1 %2 is not an integer").arg(what, quoted(field)));
        return value;
    }
    double number(const QString& field, const QString& what) const
    {
        bool ok = false;
        const double value = field.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            refuse(QStringLiteral("%1 %2 is not a finite number").arg(what, quoted(field)));
        return value;
    }
    double coordinate(const QString& field, const QString& what) const
    {
        const double value = number(field, what);
        if (std::fabs(value) >= kWorldLimit)
            refuse(QStringLiteral("%1 %2 lies outside the world (-100000 to 100000)").arg(what).arg(value));
        return value;
    }
    template <typename Flag>
    static void flagRule(int value, Flag& field)
    {
        if (value == 0)
            field = 0;
        else if (value == 1)
            field = 1;
    }

    template <typename T>
    T* reference(const std::vector<T*>& list, const QString& field, const char* kind) const
    {
        const int id = strictInt(field, QStringLiteral("%1 id").arg(kind));
        if (id < 0 || static_cast<size_t>(id) >= list.size())
            refuse(QStringLiteral("%1 %2 does not exist (%3 read so far)").arg(kind).arg(id).arg(counted(list.size(), kind)));
        return list[static_cast<size_t>(id)];
    }
    // A link that may be missing: -1 names none.
    template <typename T>
    T* optionalReference(const std::vector<T*>& list, const QString& field, const char* kind) const
    {
        if (strictInt(field, QStringLiteral("%1 id").arg(kind)) == -1)
            return nullptr;
        return reference(list, field, kind);
    }
    template <typename T>
    void ownId(const std::vector<T*>& list, const QString& field, const char* kind) const
    {
        const int id = strictInt(field, QStringLiteral("%1 id").arg(kind));
        if (id < 0 || static_cast<size_t>(id) != list.size())
            refuse(QStringLiteral("%1 id %2 where %3 was expected").arg(kind).arg(id).arg(list.size()));
    }
    int cellType(const QString& field) const
    {
        const int t = strictInt(field, QStringLiteral("cell type"));
        const auto it = index_name_class.find(t);
        if (t < 0 || t >= MAX_CELL_TYPES || it == index_name_class.end() || it->second.isEmpty())
            refuse(QStringLiteral("cell type %1 is not in the parameter tables").arg(t));
        return t;
    }
    int count(const QString& field, const QString& what, int available) const
    {
        const int value = strictInt(field, what);
        if (value < 0 || value > available)
            refuse(QStringLiteral("%1 %2 does not fit the %3 that follow").arg(what).arg(value).arg(fields(available)));
        return value;
    }

    // ---- lines ----

    void handle(const QString& line)
    {
        if (open[CELL] && center)
            offer(CELL, line, true);
        for (int k = 0; k < SECTION_COUNT; ++k)
            if (open[k] && point)
                offer(static_cast<Section>(k), line, false);
        // A section opened before the mode line takes no records, but its
        // closing line still closes it: the fault lies with the mode line
        // that follows.
        for (int k = 0; k < SECTION_COUNT; ++k)
            if (open[k] && !point && !(k == CELL && center) && startsWith(line, kClose[k]))
                open[k] = false;
        startWords(line);
    }

    void offer(Section k, const QString& line, bool centerRecord)
    {
        if (startsWith(line, kClose[k])) {
            open[k] = false;
            return;
        }
        for (int j = 0; j < SECTION_COUNT; ++j)
            if (startsWith(line, kOpen[j]) || startsWith(line, kClose[j]))
                refuse(QStringLiteral("%1 inside %2, which is not closed").arg(line.left(20), kOpen[k]));
        if (startsWith(line, "Point-based") || startsWith(line, "Center-based"))
            refuse(QStringLiteral("mode line inside %1").arg(kOpen[k]));
        if (centerRecord) {
            discRecord(line);
            return;
        }
        switch (k) {
        case VERT: vertRecord(line.split(QLatin1Char(','))); break;
        case EDGE: edgeRecord(line.split(QLatin1Char(','))); break;
        case CELL: cellRecord(line.split(QLatin1Char(','))); break;
        case PAIR: pairRecord(line.split(QLatin1Char(','))); break;
        case NODE: nodeRecord(line.split(QLatin1Char(','))); break;
        case DEAD_VERT: deadVertRecord(line.split(QLatin1Char(','))); break;
        case EDGE_PAIR: edgePairRecord(line.split(QLatin1Char(','))); break;
        case MIGR: migrRecord(line); break;
        default: break;
        }
    }

    void startWords(const QString& line)
    {
        if (startsWith(line, "Center-based") || startsWith(line, "Point-based")) {
            if (center || point)
                refuse(QStringLiteral("a second mode line"));
            // The records of a section still open are read from here on; a
            // section closed already would be lost whole.
            for (int k = 0; k < SECTION_COUNT; ++k)
                if (opened[k] > 0 && !open[k])
                    refuse(QStringLiteral("the mode line comes after the %1 section; it belongs before every section")
                               .arg(kOpen[k]));
            (startsWith(line, "Center-based") ? center : point) = true;
            return;
        }
        if (startsWith(line, "VPN") || startsWith(line, "VUP") || startsWith(line, "VRP") || startsWith(line, "PRP")) {
            const int k = startsWith(line, "VPN") ? 0 : startsWith(line, "VUP") ? 1 : startsWith(line, "VRP") ? 2 : 3;
            keyLine(line, header.vec[k][0], header.vec[k][1]);
            header.has[k] = true;
            return;
        }
        if (startsWith(line, "u")) {
            keyLine(line, header.uMin, header.uMax);
            header.u = true;
            return;
        }
        if (startsWith(line, "v")) {
            keyLine(line, header.vMin, header.vMax);
            header.v = true;
            return;
        }
        for (int k = 0; k < SECTION_COUNT; ++k) {
            if (!startsWith(line, kOpen[k]))
                continue;
            // Only a section that takes lines can swallow a keyword; one
            // opened before its mode line lies dormant.
            for (int j = 0; j < SECTION_COUNT; ++j)
                if (open[j] && (point || (j == CELL && center)))
                    refuse(QStringLiteral("%1 begins before %2").arg(kOpen[k], kClose[j]));
            if (++opened[k] > 1)
                refuse(QStringLiteral("a second %1 section").arg(kOpen[k]));
            open[k] = true;
            return;
        }
    }

    void keyLine(const QString& line, double& a, double& b) const
    {
        const QStringList pieces = line.split(QLatin1Char(' '));
        const QStringList values = pieces.size() >= 2 ? pieces[1].split(QLatin1Char(',')) : QStringList();
        if (values.size() < 2)
            refuse(QStringLiteral("header line %1 lacks its two values").arg(quoted(line)));
        a = number(values[0], QStringLiteral("header value"));
        b = number(values[1], QStringLiteral("header value"));
    }

    void finishChecks()
    {
        const int last = lineNo - 1;
        auto atEnd = [last](const QString& what) {
            return Refused{QStringLiteral("end of file after line %1: %2").arg(last).arg(what)};
        };
        if (!content)
            throw Refused{QStringLiteral("the file is empty")};
        if (!center && !point)
            throw atEnd(QStringLiteral("no \"Point-based\" or \"Center-based\" line"));
        const int first = point ? 0 : CELL;
        const int end = point ? SECTION_COUNT : CELL + 1;
        for (int k = first; k < end; ++k) {
            if (opened[k] == 0)
                throw atEnd(QStringLiteral("the %1 section is missing").arg(kOpen[k]));
            if (open[k])
                throw atEnd(QStringLiteral("%1 is missing").arg(kClose[k]));
        }
        if (point) {
            checkRings();
            checkStretches();
        }
    }

    // The stretch of a pair in contact runs from S1 to S2 on the pair's first
    // cell and from T1 to T2 on its second: the contact stages walk those
    // rings from its ends.
    void checkStretches() const
    {
        for (const interpair* r : e.interpairs) {
            if (r->removed || r->MP.empty())
                continue;
            const mergepair* m = r->MP[0];
            const point3D* ends[4] = {m->S1, m->S2, m->T1, m->T2};
            const char* names[4] = {"S1", "S2", "T1", "T2"};
            for (int j = 0; j < 4; ++j) {
                const cell* want = j < 2 ? r->cell1 : r->cell2;
                const point3D* p = ends[j];
                if (!p->alive || !p->out_edge || p->out_edge->cell != want)
                    throw Refused{QStringLiteral("line %1: pair %2 has its stretch end %3 on vertex %4, which is not "
                                                 "a live vertex of cell %5")
                                      .arg(pairLine[r->id])
                                      .arg(r->id)
                                      .arg(names[j])
                                      .arg(p->id)
                                      .arg(want->id)};
            }
        }
    }

    // Every live cell must be a closed, counter-clockwise ring of its own
    // edges over live vertices, each in a junction node: the meshing, contact
    // and mechanics stages walk it and reach the cell back through its edges.
    // Its sides link their vertices here, over any edge no live cell lists.
    // The side list itself may be in any order: the contact stages append the
    // sides they make, and a tissue saved after them must read back as it was.
    // Every live vertex lies on exactly one of those rings.
    void checkRings()
    {
        std::vector<char> onRing(e.points.size(), 0);
        for (const cell* c : e.cells) {
            if (c->dead)
                continue;
            auto bad = [&](const QString& what) {
                return Refused{QStringLiteral("line %1: cell %2 %3").arg(cellLine[c->id]).arg(c->id).arg(what)};
            };
            const size_t n = c->sides.size();
            if (n < 3)
                throw bad(QStringLiteral("has %1 sides; a live cell needs at least 3").arg(n));
            for (size_t i = 0; i < n; ++i) {
                edge* d = c->sides[i];
                if (d->cell != c)
                    throw bad(QStringLiteral("has edge %1 that cell %2 lists as its side").arg(d->id).arg(d->cell->id));
                if (!d->p1->alive || !d->p2->alive)
                    throw bad(QStringLiteral("has edge %1 with a dead vertex").arg(d->id));
                if (d->p1->out_edge != d || d->p2->in_edge != d || d->p1->next != d->p2 || d->p2->prev != d->p1) {
                    // Every edge on two live vertices links them when it is
                    // read, listed by a live cell or not: the stages leave
                    // edges that have left every ring on live vertices, and
                    // the program writes every edge. A live cell's sides hold
                    // over those, whatever their order in the file; only a
                    // side of another live cell there (a vertex on two
                    // rings) is a fault.
                    for (const edge* other : {d->p1->out_edge, d->p2->in_edge}) {
                        if (!other || other == d)
                            continue;
                        const int owner = edgeOwner[static_cast<size_t>(other->id)];
                        if (owner == c->id)
                            throw bad(QStringLiteral("has edge %1 whose vertices are linked to other edges").arg(d->id));
                        if (owner >= 0)
                            throw bad(QStringLiteral("shares vertex %1 with cell %2; a vertex lies on the ring of one "
                                                     "cell only")
                                          .arg((other == d->p1->out_edge ? d->p1 : d->p2)->id)
                                          .arg(owner));
                    }
                    d->p1->out_edge = d;
                    d->p1->next = d->p2;
                    d->p2->in_edge = d;
                    d->p2->prev = d->p1;
                }
                if (!d->p1->node)
                    throw bad(QStringLiteral("has vertex %1 in no active node").arg(d->p1->id));
                onRing[static_cast<size_t>(d->p1->id)] = 1;
            }
            // Linked as above, the sides form one ring exactly when the walk
            // from the first comes back to it through every side and no other
            // edge.
            std::set<const edge*> listed(c->sides.begin(), c->sides.end());
            const edge* d = c->sides[0];
            for (size_t k = 1; k <= n; ++k) {
                const edge* following = d->p2->out_edge;
                if (!listed.count(following) || (following == c->sides[0]) != (k == n))
                    throw bad(QStringLiteral("is not a closed ring: edge %1 does not end where one of its other "
                                             "sides begins")
                                  .arg(d->id));
                d = following;
            }
            // Every stage takes the cell to lie on the left of each side. A
            // ring listed clockwise is driven the wrong way: a 20-gon that
            // settles at its target area counter-clockwise swells tenfold in
            // 30 Model steps. The program never writes one, and turning one
            // round would also re-point its stretches and welds in ways the
            // file does not say, so the cell is named and the file refused.
            const double area = c->signed_area();
            if (!(area > 0.0))
                throw bad(QStringLiteral("does not run counter-clockwise (signed area %1); a cell lies on the "
                                         "left of each of its sides")
                              .arg(area));
        }
        // A live vertex on no live ring is moved by no stage: in a node
        // beside a ring vertex it breaks the first step that walks the node's
        // rings, alone it is a topology fault after every step. The program
        // never writes one (a vertex leaves the tissue with its ring).
        for (const point3D* p : e.points)
            if (p->alive && !onRing[static_cast<size_t>(p->id)])
                throw Refused{QStringLiteral("line %1: vertex %2 is alive but lies on no live cell's ring")
                                  .arg(vertLine[static_cast<size_t>(p->id)])
                                  .arg(p->id)};
    }

    // ---- records ----

    void discRecord(const QString& line)
    {
        const QStringList f = line.section(QLatin1Char('#'), 0, 0).split(QLatin1Char(','));
        expectAtLeast(f, 3, "CELL_LIST");
        const double cx = number(f[0], QStringLiteral("centre x"));
        const double cy = number(f[1], QStringLiteral("centre y"));
        if (std::fabs(cx) + kDiscRadius >= kWorldLimit || std::fabs(cy) + kDiscRadius >= kWorldLimit)
            refuse(QStringLiteral("centre (%1, %2) lies outside the world").arg(cx).arg(cy));
        const int t = cellType(f[2]);
        const int k = discCount;
        const int base = 20 * k;
        if (e.cells.size() != static_cast<size_t>(k) || e.points.size() != static_cast<size_t>(base))
            refuse(QStringLiteral("the disc cells do not start an empty tissue"));

        cell* c = new cell(k);
        e.cells.push_back(c);
        cellLine.push_back(lineNo);
        c->center[0] = cx;
        c->center[1] = cy;
        c->set_cell_type(t);
        c->radius = kDiscRadius;
        if (s.role == ReaderRole::View)
            c->set_cell_type_name(index_name_class[t]);
        c->birth_step = s.step;
        c->tension = tension_edge_class[t];
        c->pressure = pressure_edge_class[t];
        c->mass = mass_edge_class[t];

        e.bounds[0] = std::min(e.bounds[0], cx);
        e.bounds[1] = std::min(e.bounds[1], cy);
        e.bounds[2] = std::max(e.bounds[2], cx);
        e.bounds[3] = std::max(e.bounds[3], cy);

        append_disc_ring(e, c, cx, cy, kDiscRadius);
        c->color[0] = color_class_R[t];
        c->color[1] = color_class_G[t];
        c->color[2] = color_class_B[t];
        c->unit_factors[0] = c->unit_factors[1] = c->unit_factors[2] = 1.0;
        c->growth_rate = 0;
        c->mu = elastic_MU[t];
        c->lambda = elastic_LAMBDA[t];
        c->growth_sign = 0;
        ++discCount;
    }

    void vertRecord(const QStringList& f)
    {
        expectFields(f, 10, "VERT_LIST");
        ownId(e.points, f[2], "vertex");
        const double x = coordinate(f[0], QStringLiteral("x"));
        const double y = coordinate(f[1], QStringLiteral("y"));
        const int alive = strictInt(f[3], QStringLiteral("alive flag"));
        static const char* const kValueNames[6] = {"adhesion load",    "friction",           "internal force x",
                                                   "internal force y", "separation force x", "separation force y"};
        double values[6];
        for (int k = 0; k < 6; ++k)
            values[k] = number(f[4 + k], QLatin1String(kValueNames[k]));
        point3D* p = new point3D(static_cast<int>(e.points.size()), x, y);
        e.points.push_back(p);
        vertLine.push_back(lineNo);
        flagRule(alive, p->alive);
        p->adhesion_load = values[0];
        p->friction = values[1];
        p->internal_force[0] = values[2];
        p->internal_force[1] = values[3];
        p->separation_force[0] = values[4];
        p->separation_force[1] = values[5];
        p->node = nullptr;
    }

    void edgeRecord(const QStringList& f)
    {
        expectFields(f, 3, "EDGE_LIST");
        ownId(e.edges, f[0], "edge");
        point3D* p1 = reference(e.points, f[1], "vertex");
        point3D* p2 = reference(e.points, f[2], "vertex");
        edge* d = new edge(static_cast<int>(e.edges.size()), p1, p2, nullptr);
        e.edges.push_back(d);
        edgeOwner.push_back(-1);
        if (p1->alive == 1 && p2->alive == 1) {
            p1->next = p2;
            p2->prev = p1;
            p1->out_edge = d;
            p2->in_edge = d;
        }
    }

    void cellRecord(const QStringList& f)
    {
        expectAtLeast(f, 10, "CELL_LIST");
        ownId(e.cells, f[0], "cell");
        const int t = cellType(f[5]);
        static const char* const kFlagNames[4] = {"dead flag", "dying flag", "migrating flag", "driven flag"};
        int flags[4];
        for (int k = 0; k < 4; ++k)
            flags[k] = strictInt(f[1 + k], QLatin1String(kFlagNames[k]));
        number(f[6], QStringLiteral("centre x"));
        number(f[7], QStringLiteral("centre y"));
        number(f[8], QStringLiteral("area"));
        const int species = count(f[9], QStringLiteral("species count"), f.size() - 10);
        std::vector<int> amounts;
        amounts.reserve(static_cast<size_t>(species));
        for (int k = 0; k < species; ++k) {
            const double value = number(f[10 + k], QStringLiteral("species amount"));
            if (!(value > double(INT_MIN) - 1.0 && value < double(INT_MAX) + 1.0))
                refuse(QStringLiteral("species amount %1 is out of range").arg(value));
            amounts.push_back(static_cast<int>(value));
        }
        std::vector<edge*> sides;
        for (int k = 10 + species; k < f.size(); ++k)
            sides.push_back(reference(e.edges, f[k], "edge"));

        const int id = static_cast<int>(e.cells.size());
        cell* c = new cell(id);
        e.cells.push_back(c);
        cellLine.push_back(lineNo);
        flagRule(flags[0], c->dead);
        flagRule(flags[1], c->dying);
        // The leading front of a migrating cell is not stored, and a cell
        // marked migrating without one would fail the next mechanics step:
        // every cell starts at rest (`migrating` and `migrate_relax` clear),
        // and its front is made anew when it next starts migrating.
        c->migrating = 0;
        c->migrate_relax = 0;
        flagRule(flags[3], c->driven);
        c->set_cell_type(t);
        if (s.role == ReaderRole::View)
            c->set_cell_type_name(index_name_class[t]);
        c->radius = kDiscRadius;
        c->birth_step = s.step;
        c->target_area = 259.8;
        c->tension = tension_edge_class[t];
        c->pressure = pressure_edge_class[t];
        c->mass = mass_edge_class[t];
        for (size_t k = 0; k < amounts.size(); ++k) {
            if (k < c->species.size())
                c->species[k] = amounts[k];
            else
                c->species.push_back(amounts[k]);
        }
        c->color[0] = color_class_R[t];
        c->color[1] = color_class_G[t];
        c->color[2] = color_class_B[t];
        c->unit_factors[0] = c->unit_factors[1] = c->unit_factors[2] = 1.0;
        c->mu = elastic_MU[t];
        c->lambda = elastic_LAMBDA[t];
        c->growth_rate = 0;
        c->growth_sign = 0;
        for (edge* d : sides) {
            if (!c->dead) {
                int& owner = edgeOwner[static_cast<size_t>(d->id)];
                if (owner >= 0)
                    refuse(QStringLiteral("edge %1 is a side of cell %2 already").arg(d->id).arg(owner));
                owner = id;
            }
            d->cell = c;
            c->sides.push_back(d);
        }
        if (s.role == ReaderRole::View)
            c->center_refresh();
    }

    void pairRecord(const QStringList& f)
    {
        expectAtLeast(f, 5, "PAIR_LIST");
        ownId(e.interpairs, f[0], "pair");
        cell* a = reference(e.cells, f[2], "cell");
        cell* b = reference(e.cells, f[3], "cell");
        if (a == b)
            refuse(QStringLiteral("pair joins cell %1 with itself").arg(a->id));
        const int removed = strictInt(f[1], QStringLiteral("removed flag"));
        strictInt(f[4], QStringLiteral("stretch count"));
        point3D* ends[4] = {};
        double values[6] = {};
        int frictionState = 0;
        const bool stretch = f.size() == 16;
        if (stretch) {
            for (int k = 0; k < 4; ++k)
                ends[k] = reference(e.points, f[5 + k], "vertex");
            static const char* const kValueNames[6] = {"adhesion load S1", "adhesion load S2", "adhesion load T1",
                                                       "adhesion load T2", "friction 1",       "friction 2"};
            for (int k = 0; k < 6; ++k)
                values[k] = number(f[9 + k], QLatin1String(kValueNames[k]));
            frictionState = strictInt(f[15], QStringLiteral("friction state"));
        }
        interpair* r = new interpair(static_cast<int>(e.interpairs.size()), a, b);
        e.interpairs.push_back(r);
        pairLine.push_back(lineNo);
        const int ta = a->cell_type;
        const int tb = b->cell_type;
        double adhesion = adhesion_pair_array[ta][tb];
        if (s.role == ReaderRole::View)
            adhesion *= std::min(index_stren_class[ta], index_stren_class[tb]);
        r->adhesion = r->adhesion_copy = adhesion;
        flagRule(removed, r->removed);
        if (stretch) {
            mergepair* m = new mergepair(0, ends[0], ends[1], ends[2], ends[3]);
            r->MP.push_back(m);
            r->merged = 1;
            m->adhesion_load_S1 = values[0];
            m->adhesion_load_S2 = values[1];
            m->adhesion_load_T1 = values[2];
            m->adhesion_load_T2 = values[3];
            m->friction1 = values[4];
            m->friction2 = values[5];
            m->friction_state = frictionState;
        }
        // The flag rule leaves a pair live for any value but 1, and every live
        // pair is listed on both its cells: the stages reach a pair's stretch
        // through those lists when they move or drop its ends.
        if (!r->removed) {
            for (cell* c : {a, b})
                if (std::find(c->pairs.begin(), c->pairs.end(), r) == c->pairs.end())
                    c->pairs.push_back(r);
        }
    }

    void nodeRecord(const QStringList& f)
    {
        expectAtLeast(f, 2, "NODE_LIST");
        ownId(e.nodes, f[0], "node");
        const int active = strictInt(f[1], QStringLiteral("active flag"));
        std::vector<point3D*> members;
        if (active != 0) {
            for (int k = 2; k < f.size(); ++k) {
                point3D* p = reference(e.points, f[k], "vertex");
                if (p->node)
                    refuse(QStringLiteral("vertex %1 is in node %2 already").arg(p->id).arg(p->node->id));
                if (std::find(members.begin(), members.end(), p) == members.end())
                    members.push_back(p);
                if (members.size() > static_cast<size_t>(kMaxNodeVertices))
                    refuse(QStringLiteral("node lists more than %1 vertices").arg(kMaxNodeVertices));
            }
        }
        node* n = new node(static_cast<int>(e.nodes.size()));
        e.nodes.push_back(n);
        flagRule(active, n->active);
        // A repeated vertex changes neither the node nor the partner lists, so
        // the members are taken once each, in order of first appearance.
        for (point3D* p : members) {
            n->pushvertex(p);
            p->node = n;
        }
        for (size_t i = 0; i < members.size(); ++i)
            for (size_t j = i + 1; j < members.size(); ++j) {
                members[i]->pushmp(members[j]);
                members[j]->pushmp(members[i]);
            }
    }

    void deadVertRecord(const QStringList& f)
    {
        expectFields(f, 5, "DEAD_VERT_LIST");
        point3D* p = reference(e.points, f[0], "vertex");
        // Its links would replace those of a live ring.
        if (p->alive)
            refuse(QStringLiteral("vertex %1 is alive; DEAD_VERT_LIST lists dead vertices only").arg(p->id));
        point3D* next = optionalReference(e.points, f[1], "vertex");
        point3D* prev = optionalReference(e.points, f[2], "vertex");
        edge* out = optionalReference(e.edges, f[3], "edge");
        edge* in = optionalReference(e.edges, f[4], "edge");
        p->next = next;
        p->prev = prev;
        p->out_edge = out;
        p->in_edge = in;
    }

    void edgePairRecord(const QStringList& f)
    {
        expectFields(f, 3, "EDGE_PAIR_LIST");
        edge* d = reference(e.edges, f[0], "edge");
        if (strictInt(f[1], QStringLiteral("partner edge id")) < 0) {
            d->bonded = 0;
            return;
        }
        edge* partner = reference(e.edges, f[1], "edge");
        interpair* pair = reference(e.interpairs, f[2], "pair");
        d->bonded = 1;
        d->partner = partner;
        d->pair = pair;
    }

    void migrRecord(const QString& line)
    {
        const QStringList pieces = line.split(QLatin1Char(';'));
        const QStringList head = pieces[0].split(QLatin1Char(','));
        expectFields(head, 2, "MIGR_CELL_LIST head");
        cell* m = reference(e.cells, head[0], "cell");
        const int groups = count(head[1], QStringLiteral("rear record count"), pieces.size() - 1);
        std::vector<rear_fc*> records;
        try {
            for (int g = 0; g < groups; ++g) {
                const QStringList f = pieces[g + 1].split(QLatin1Char(','));
                expectAtLeast(f, 6, "MIGR_CELL_LIST group");
                cell* filling = reference(e.cells, f[0], "cell");
                const int self = strictInt(f[1], QStringLiteral("self-record flag"));
                const double x = number(f[2], QStringLiteral("x"));
                const double y = number(f[3], QStringLiteral("y"));
                const double angle = number(f[4], QStringLiteral("angle"));
                const int neighbours = count(f[5], QStringLiteral("neighbour count"), f.size() - 6);
                std::vector<cell*> ncs;
                std::unordered_set<cell*> seen;
                for (int k = 0; k < neighbours; ++k) {
                    cell* nc = reference(e.cells, f[6 + k], "cell");
                    if (seen.insert(nc).second)
                        ncs.push_back(nc);
                }
                rear_fc* r = new rear_fc(g);
                records.push_back(r);
                r->filling_cell = filling;
                flagRule(self, r->self_record);
                r->x = x;
                r->y = y;
                r->angle = angle;
                for (cell* nc : ncs)
                    r->push_NCs(nc);
            }
        } catch (...) {
            for (rear_fc* r : records)
                delete r;
            throw;
        }
        for (rear_fc* r : records)
            m->filling_cells.push_back(r);
    }
};

template <typename T>
void deleteAll(std::vector<T*>& list)
{
    for (T*& record : list) {
        delete record;
        record = nullptr;
    }
    list.clear();
}

// Takes back everything a refused or cancelled read built into the engine.
void discardTissue(dbReader& engine, const double bounds[4], int collisionState)
{
    delete engine.alpha_complex;
    engine.alpha_complex = nullptr;
    deleteAll(engine.cells);
    deleteAll(engine.interpairs);
    deleteAll(engine.nodes);
    deleteAll(engine.edges);
    deleteAll(engine.points);
    std::copy(bounds, bounds + 4, engine.bounds);
    engine.collision_state = collisionState;
}

// The post-load stages, in the order both readers run them. Returns false
// with *error when the initial contact pass fails.
bool finishTissue(dbReader& engine, const Parser& parser, const ReadSettings& s, QString* error)
{
    double* b = engine.bounds;
    // A Point-based file carries no centres to widen the bounds with; the
    // R-tree needs a root around the tissue, so the box of the live vertices
    // stands in for them.
    if (parser.point && b[0] > b[2]) {
        for (const point3D* p : engine.points) {
            if (!p->alive)
                continue;
            b[0] = std::min(b[0], p->x);
            b[1] = std::min(b[1], p->y);
            b[2] = std::max(b[2], p->x);
            b[3] = std::max(b[3], p->y);
        }
    }
    b[0] -= 1000.0;
    b[1] -= 1000.0;
    b[2] += 1000.0;
    b[3] += 1000.0;

    if (parser.center) {
        engine.delaunay_triangulation(engine.bounds);
        const int result = engine.detect_collision(s.step);
        if (result != dbReader::STEP_OK) {
            *error = QStringLiteral("the cells could not be welded: %1").arg(engine.message);
            return false;
        }
        engine.cell_mesh_generation(s.step);
        if (s.role == ReaderRole::Engine)
            engine.node_test();
        delete engine.alpha_complex;
        engine.alpha_complex = nullptr;
    }
    if (parser.point) {
        engine.cell_mesh_generation(s.step);
        if (s.role == ReaderRole::Engine)
            engine.node_test();
        engine.collision_state = dbReader::COLLISION_ESTABLISHED;
    }
    const size_t count = engine.cells.size();
    for (size_t i = 0; i < count; ++i) {
        cell* c = engine.cells[i];
        c->refresh_AABB();
        c->set_area();
        c->target_area = 259.8;
        for (double& a : c->area_history)
            a = c->area;
    }
    engine.r_tree_construction(engine.bounds);
    return true;
}

}  // namespace

ReadStatus readTissue(dbReader& engine, QTextStream& in, const ReadSettings& settings, QString* error)
{
    QString reason;
    if (!engine.points.empty() || !engine.edges.empty() || !engine.cells.empty() || !engine.interpairs.empty()
        || !engine.nodes.empty()) {
        if (error)
            *error = QStringLiteral("the engine holds a tissue already");
        return ReadStatus::Malformed;
    }
    double bounds[4];
    std::copy(engine.bounds, engine.bounds + 4, bounds);
    const int collisionState = engine.collision_state;

    Parser parser(engine, settings);
    bool complete = false;
    try {
        complete = parser.run(in);
    } catch (const Refused& refused) {
        reason = refused.what;
    }
    if (!complete) {
        discardTissue(engine, bounds, collisionState);
        if (error)
            *error = reason;
        return reason.isEmpty() ? ReadStatus::Cancelled : ReadStatus::Malformed;
    }
    parser.applyHeader();
    if (!finishTissue(engine, parser, settings, &reason)) {
        discardTissue(engine, bounds, collisionState);
        if (error)
            *error = reason;
        return ReadStatus::Malformed;
    }
    if (error)
        error->clear();
    return ReadStatus::Loaded;
}

bool readDatabase(QWidget* parent, dbReader*& reader, const QString& fileName, int lineCount, int currentStep,
                  const LoadHooks& hooks, QString* error)
{
    // Every load restarts the one random sequence of the simulation, the
    // normal deviate kept by randn_trig included.
    srand(1);
    numeric_detail::randn_trig_reset();
    dbReader* fresh = new dbReader();
    if (hooks.engineCreated)
        hooks.engineCreated();

    // An engine whose behaviour model could not read its model files would
    // simulate nothing sensible: refuse the load and keep the previous tissue.
    if (!fresh->biology || !fresh->biology->isLoaded()) {
        const QString reason = fresh->biology ? fresh->biology->loadMessage() : tr("no behaviour model");
        delete fresh;
        if (error)
            *error = reason;
        QMessageBox::warning(parent, tr("Vantu"), reason);
        return false;
    }

    // The holder is switched before the old engine goes, so that nothing
    // reached through the teardown's event processing finds it half freed.
    auto install = [&reader](dbReader* engine) {
        dbReader* old = reader;
        reader = engine;
        delete old;
    };

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = file.errorString();
        install(fresh);
        if (error)
            *error = reason;
        warnCannotRead(parent, fileName, reason);
        return false;
    }

    UserInitialParas();
    if (hooks.tablesLoaded)
        hooks.tablesLoaded();

    QProgressDialog progress(tr("Open ") + fileName, tr("&Cancel"), 0, lineCount, parent);
    progress.setWindowTitle(tr("Open file "));
    progress.show();
    fresh->ready = false;

    QTextStream in(&file);
    ReadSettings settings;
    settings.role = ReaderRole::View;
    settings.step = currentStep;
    settings.beforeLine = [&progress](int line) {
        progress.setValue(line);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    QString reason;
    const ReadStatus status = readTissue(*fresh, in, settings, &reason);
    file.close();
    if (error)
        *error = reason;

    if (status == ReadStatus::Cancelled) {
        progress.close();
        delete fresh;
        install(nullptr);
        return false;
    }
    if (status == ReadStatus::Malformed) {
        progress.close();
        delete fresh;
        warnCannotRead(parent, fileName, reason);
        return false;
    }
    fresh->ready = true;
    install(fresh);
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    return true;
}

}  // namespace TissueFile
