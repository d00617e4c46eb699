// A tissue that nothing drives stays where it is: in Relax mode the loop
// only brings cells to their target areas, and no direction is preferred.
//
// The loaded tissue settles over its first steps (the cells reach their
// target areas and the live vertices' mean shifts with the shape, a few
// thousandths); after that what is left is the remainder the solver leaves
// when it stops at its tolerance, which lies along the answer and is some
// ten thousandths a step at most on these tissues. A resting tissue that
// travelled by a fixed start value of the solves went 0.036 a step along
// (1, 1) on the seven cells, 7 in 200 steps.
#include "mechanics_env.h"
#include "support/wound_run.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <utility>
#include <vector>

namespace {

constexpr int kSteps = 200;
// Largest travel of the live vertices' mean over the run, and largest
// difference between a run and the rotated run turned back.
constexpr double kBound = 0.03;

using Centres = std::vector<std::pair<double, double>>;

// The seven cells of the small sample: one with six around it.
const Centres kCluster = {{400, 300},     {418, 300},     {409, 315.589}, {391, 315.589},
                          {382, 300},     {391, 284.411}, {409, 284.411}};

class RestingTissue : public MechanicsTest {
protected:
    // Loads the cells at `centres`, turned a quarter turn about the first
    // when `turned`, as a cell-centre file of cell type 3.
    void loadCentres(const Centres& centres, bool turned)
    {
        const QString file = dir.filePath(turned ? "turned.vt" : "plain.vt");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream s(&out);
        s << "Center-based\nu -100.0,100.0\nv -75.0,75.0\nVPN 0.0,1.0\nVUP 1.0,0.0\nVRP 0.0,0.0\nPRP 0.0,0.0\n"
          << "CELL_LIST\n";
        const double cx = centres[0].first, cy = centres[0].second;
        int k = 0;
        for (const auto& [x, y] : centres) {
            const double px = turned ? cx - (y - cy) : x, py = turned ? cy + (x - cx) : y;
            s << QString::number(px, 'g', 10) << "," << QString::number(py, 'g', 10) << ",3 # CELL " << k++
              << "\n";
        }
        s << "END_CELL_LIST\n";
        out.close();
        delete reader;
        reader = nullptr;
        ASSERT_TRUE(load(file));
        reader->mech_mode = dbReader::MECH_RELAX;
    }

    std::pair<double, double> centroid() const
    {
        double x = 0, y = 0;
        int n = 0;
        for (const point3D* p : reader->points)
            if (p->alive) {
                x += p->x;
                y += p->y;
                ++n;
            }
        return {x / n, y / n};
    }

    // The travel of the live vertices' mean over the run, turned back a
    // quarter turn for a turned tissue.
    void travel(const Centres& centres, bool turned, double out[2])
    {
        ASSERT_NO_FATAL_FAILURE(loadCentres(centres, turned));
        const auto start = centroid();
        for (int n = 1; n <= kSteps; ++n)
            ASSERT_EQ(stepAsTheView(*reader, n), dbReader::STEP_OK) << "step " << n << ": "
                                                                     << reader->message.toStdString();
        ASSERT_TRUE(topologyIsSound(*reader));
        const auto end = centroid();
        const double dx = end.first - start.first, dy = end.second - start.second;
        out[0] = turned ? dy : dx;
        out[1] = turned ? -dx : dy;
    }

    void expectAtRest(const Centres& centres)
    {
        double plain[2], turned[2];
        ASSERT_NO_FATAL_FAILURE(travel(centres, false, plain));
        ASSERT_NO_FATAL_FAILURE(travel(centres, true, turned));
        std::cout << "travel " << plain[0] << " " << plain[1] << ", turned back " << turned[0] << " " << turned[1]
                  << std::endl;
        EXPECT_LT(std::hypot(plain[0], plain[1]), kBound);
        EXPECT_LT(std::hypot(turned[0], turned[1]), kBound);
        EXPECT_LT(std::hypot(plain[0] - turned[0], plain[1] - turned[1]), kBound);
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(RestingTissue, AFreeCellStaysWhereItIs)
{
    expectAtRest({kCluster[0]});
}

TEST_F(RestingTissue, SevenWeldedCellsStayWhereTheyAre)
{
    expectAtRest(kCluster);
}
