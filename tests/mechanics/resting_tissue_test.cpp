// A tissue that nothing drives stays where it is: in Relax mode the loop
// only brings cells to their target areas, and no direction is preferred.
//
// The loaded cluster settles over its first twenty steps: its cells reach
// their target areas and the live vertices' mean shifts with the shape by
// 0.008 (as much with the solves run to 1e-7). After that it stays within
// 1e-5 in 200 steps. A solve that starts every unknown at one common value,
// or that leaves the net force of its remainder in the answer, makes a
// resting tissue travel step after step: 0.036 a step along (1, 1) on these
// seven cells, or 0.02 to 0.04 in 200 steps depending on the direction the
// tissue faces.
#include "mechanics_env.h"
#include "support/wound_run.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <utility>

namespace {

constexpr int kSteps = 200;
// Largest travel of the live vertices' mean over the run, and largest
// difference between a run and the rotated run turned back.
constexpr double kBound = 0.01;

class RestingTissue : public MechanicsTest {
protected:
    // A cell-centre file of one cell of type 3.
    QString oneCell()
    {
        const QString file = dir.filePath("one.vt");
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream(&out) << "Center-based\nu -100.0,100.0\nv -75.0,75.0\nVPN 0.0,1.0\nVUP 1.0,0.0\nVRP 0.0,0.0\n"
                          << "PRP 0.0,0.0\nCELL_LIST\n400,300,3 # CELL 0\nEND_CELL_LIST\n";
        return file;
    }

    // Loads `file` for Relax and, when `turned`, turns every point a quarter
    // turn about (0, 0): the same tissue, numbered the same, facing another
    // way.
    void loadTissue(const QString& file, bool turned)
    {
        delete reader;
        reader = nullptr;
        ASSERT_TRUE(load(file));
        reader->mech_mode = dbReader::MECH_RELAX;
        if (!turned)
            return;
        auto turn = [](point3D* p) {
            const double x = p->x;
            p->x = -p->y;
            p->y = x;
        };
        for (point3D* p : reader->points)
            turn(p);
        for (cell* c : reader->cells) {
            for (point3D* p : c->inner_p)
                turn(p);
            c->center_refresh();
            c->refresh_AABB();
        }
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
    void travel(const QString& file, bool turned, double out[2])
    {
        ASSERT_NO_FATAL_FAILURE(loadTissue(file, turned));
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

    void expectAtRest(const QString& file)
    {
        double plain[2], turned[2];
        ASSERT_NO_FATAL_FAILURE(travel(file, false, plain));
        ASSERT_NO_FATAL_FAILURE(travel(file, true, turned));
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
    expectAtRest(oneCell());
}

TEST_F(RestingTissue, TheSmallSampleStaysWhereItIs)
{
    expectAtRest(samplePath("small_center.vt"));
}
