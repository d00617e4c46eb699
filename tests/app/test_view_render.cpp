// Drawing the tissue: the solid, mesh and density views, highlights, the
// migration arrow, the rubber band and the zoom, read back from the frame
// buffer.
#include "view_fixture.h"

#include "app/glwidget.h"

#include <QMouseEvent>
#include <QSqlQuery>
#include <QToolButton>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// Three separate cells in a row, 50 world units apart.
const std::vector<QPointF> kRow{{-50, 0}, {0, 0}, {50, 0}};

class TissueView : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        buildTissue(kRow);
        centreView();
    }
};

} // namespace

TEST_F(TissueView, SolidViewFillsEachCellWithItsTypeColourAndDrawsItsBoundary)
{
    const int types[3] = {0, 2, 3};
    for (int i = 0; i < 3; ++i)
        cellCentredAt(kRow[i].x(), 0)->set_cell_type(types[i]);
    view()->set_view_type(GLWidget::VIEW_SOLID);
    const QImage image = grab();

    for (int i = 0; i < 3; ++i) {
        const double x = kRow[i].x();
        for (const QPointF& d : {QPointF(0, 0), QPointF(4, 3), QPointF(-5, -2), QPointF(1, 6)})
            EXPECT_TRUE(near(colourAt(image, x + d.x(), d.y()), typeColour(types[i])))
                << "cell " << i << " at offset " << d.x() << "," << d.y() << ": "
                << colourText(colourAt(image, x + d.x(), d.y())) << " instead of "
                << colourText(typeColour(types[i]));
        // Outside the cell the view stays white.
        EXPECT_EQ(colourAt(image, x, 20), kWhite);
    }
    // Outlines: light grey for type 0, black otherwise, on the ring itself.
    EXPECT_TRUE(colourNear(image, -50 + 10, 0, QColor(204, 204, 204)));
    EXPECT_FALSE(colourNear(image, -50 + 10, 0, kBlack, 2, 40));
    EXPECT_TRUE(colourNear(image, 0 + 10, 0, kBlack));
    EXPECT_TRUE(colourNear(image, 50, 10, kBlack));
}

TEST_F(TissueView, ASelectedCellIsOutlinedInRed)
{
    view()->selectFromDock(cellCentredAt(0, 0)->id);
    const QImage image = grab();
    const QColor red(255, 0, 0);
    EXPECT_TRUE(colourNear(image, 10, 0, red));
    EXPECT_TRUE(colourNear(image, -10, 0, red));
    EXPECT_FALSE(colourNear(image, 50 + 10, 0, red, 3));
    EXPECT_FALSE(colourNear(image, -50 - 10, 0, red, 3));
    EXPECT_FALSE(colourNear(image, 50 - 10, 0, red, 3));
}

TEST_F(TissueView, AHighlightedEdgeIsDrawnInMagentaInBothViews)
{
    const edge* e = cellCentredAt(0, 0)->sides.at(5);
    view()->selectFromDockEdge(e->id);
    const double mx = (e->p1->x + e->p2->x) / 2, my = (e->p1->y + e->p2->y) / 2;
    const QColor magenta(255, 0, 255);
    EXPECT_TRUE(colourNear(grab(), mx, my, magenta));
    view()->set_view_type(GLWidget::VIEW_MESH);
    EXPECT_TRUE(colourNear(grab(), mx, my, magenta));
    // The other sides keep their colour.
    const edge* other = cellCentredAt(0, 0)->sides.at(15);
    EXPECT_FALSE(colourNear(grab(), (other->p1->x + other->p2->x) / 2,
                            (other->p1->y + other->p2->y) / 2, magenta, 3));
}

TEST_F(TissueView, MeshViewShowsTheInnerTrianglesAndPointsWithoutFill)
{
    cell* middle = cellCentredAt(0, 0);
    ASSERT_FALSE(middle->inner_t.empty());
    ASSERT_FALSE(middle->inner_p.empty());
    view()->set_view_type(GLWidget::VIEW_MESH);
    const QImage image = grab();

    int grey = 0, green = 0, fill = 0;
    const QColor fillColour = typeColour(middle->cell_type);
    for (int dy = -8; dy <= 8; ++dy)
        for (int dx = -8; dx <= 8; ++dx) {
            const QColor c = colourAt(image, dx, dy);
            grey += near(c, QColor(204, 204, 204));
            green += near(c, QColor(77, 230, 26));
            fill += near(c, fillColour) && !near(c, kWhite);
        }
    EXPECT_GT(grey, 10);
    EXPECT_GT(green, 4);
    EXPECT_EQ(fill, 0);
    // The boundary in dark grey.
    EXPECT_TRUE(colourNear(image, 10, 0, QColor(26, 26, 26)));
}

TEST_F(TissueView, DensityViewShadesByTheChosenCytokine)
{
    cell* left = cellCentredAt(-50, 0);
    cell* middle = cellCentredAt(0, 0);
    cell* right = cellCentredAt(50, 0);
    for (cell* c : {left, middle, right})
        c->species.assign(20, 0);
    left->species[3] = 50;
    middle->species[3] = 98;
    right->species[3] = 150;
    right->species[2] = 99;
    view()->set_view_type(GLWidget::VIEW_MOLECULE);
    view()->set_diffusion_number(3);
    QImage image = grab();
    EXPECT_TRUE(near(colourAt(image, -50, 0), QColor(128, 128, 128), 1))
        << colourText(colourAt(image, -50, 0));
    EXPECT_TRUE(near(colourAt(image, 0, 0), QColor(5, 5, 5), 1)) << colourText(colourAt(image, 0, 0));
    EXPECT_TRUE(near(colourAt(image, 50, 0), QColor(26, 26, 26), 1))
        << colourText(colourAt(image, 50, 0));

    view()->set_diffusion_number(2);
    image = grab();
    EXPECT_EQ(colourAt(image, -50, 0), kWhite);
    EXPECT_TRUE(near(colourAt(image, 50, 0), QColor(26, 26, 26), 1));
}

TEST_F(TissueView, DensityViewReadsNoCountBeyondACellsSpeciesList)
{
    cellCentredAt(-50, 0)->species.clear();
    cellCentredAt(0, 0)->species.assign(2, 70);
    cellCentredAt(50, 0)->species.assign(20, 30);
    view()->set_view_type(GLWidget::VIEW_MOLECULE);
    view()->set_diffusion_number(5);
    const QImage image = grab();
    EXPECT_EQ(colourAt(image, -50, 0), kWhite);
    EXPECT_EQ(colourAt(image, 0, 0), kWhite);
    EXPECT_TRUE(near(colourAt(image, 50, 0), QColor(179, 179, 179), 1));
}

TEST_F(TissueView, AMigratingCellHasAWhiteCentreAndAnArrowAlongItsDirection)
{
    cell* c = cellCentredAt(0, 0);
    c->migrate_responded = 1;
    c->migrate_angle = 90;
    QImage image = grab();
    const QColor arrow(26, 26, 26);
    // The fill fades to white at the centre.
    EXPECT_TRUE(near(colourAt(image, 0, 0), kWhite, 12)) << colourText(colourAt(image, 0, 0));
    // The arrow is sized in projection units: inside its head 15 and 20
    // units above the centre, nothing below.
    const double ux = view()->unitsPerPixelX, uy = view()->unitsPerPixelY;
    EXPECT_TRUE(near(colourAt(image, -1 / ux, 15 / uy), arrow, 3))
        << colourText(colourAt(image, -1 / ux, 15 / uy));
    EXPECT_TRUE(colourNear(image, 0, 20 / uy, arrow, 1, 3));
    EXPECT_FALSE(colourNear(image, 0, -15 / uy, arrow, 2, 3));

    view()->setShowDirection(false);
    image = grab();
    EXPECT_FALSE(near(colourAt(image, -1 / ux, 15 / uy), arrow, 3));
    EXPECT_TRUE(near(colourAt(image, 0, 0), kWhite, 12));
}

TEST_F(TissueView, ZoomScalesAboutTheWorldOrigin)
{
    GLWidget* v = view();
    v->set_zoom_in();
    v->set_zoom_in();
    v->set_zoom_in();
    EXPECT_DOUBLE_EQ(v->scale, 1.05 * 1.05 * 1.05);
    v->set_zoom_out();
    v->set_zoom_out();
    v->set_zoom_out();
    EXPECT_NEAR(v->scale, 1.0, 1e-12);

    for (int i = 0; i < 9; ++i)
        v->set_zoom_in();
    const double s = v->scale;
    const QImage image = grab();
    const QColor fill = typeColour(cellCentredAt(50, 0)->cell_type);
    // The cell at (50, 0) is drawn at (50 s, 0) on the screen and larger.
    const double centreX = v->viewportWidth / 2.0;
    const double centreY = v->viewportHeight / 2.0;
    auto screen = [&](double sx, double sy) {
        return image.pixelColor(static_cast<int>(centreX + sx),
                                v->viewportHeight - 1 - static_cast<int>(centreY + sy));
    };
    EXPECT_TRUE(near(screen(50 * s, 0), fill));
    EXPECT_TRUE(near(screen(50 * s + 13, 0), fill));
    EXPECT_EQ(screen(50, 0), kWhite);
}

TEST_F(TissueView, AnArmedRectangleDrawsADottedRubberBand)
{
    GLWidget* v = view();
    v->select_Rectangle();
    v->pressPos = QPoint(100, 100);
    v->lastPos = QPoint(200, 160);
    v->updateGL();
    const QImage image = grab();
    int band = 0;
    for (int x = 100; x < 200; ++x)
        band += near(image.pixelColor(x, 100), QColor(51, 51, 51), 3);
    // A stippled line: about half of its pixels drawn.
    EXPECT_GT(band, 30);
    EXPECT_LT(band, 70);
}

TEST(EmptyView, DrawsNothingNotEvenTheRubberBand)
{
    GLWidget view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.select_Rectangle();
    view.pressPos = QPoint(10, 10);
    view.lastPos = QPoint(200, 200);
    view.updateGL();
    const QImage image = view.grabFrameBuffer(false);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            ASSERT_EQ(image.pixelColor(x, y), QColor(255, 255, 255)) << x << "," << y;
}

TEST_F(TissueView, TheMoleculeCommandStepsThroughTheCytokinesAndWithoutAnyDoesNothing)
{
    QToolButton* molecule = probe->moleculeButton();
    molecule->setEnabled(true);
    ASSERT_GE(index_name_cytokine_class.size(), 2u);
    molecule->click();
    EXPECT_EQ(view()->viewType, GLWidget::VIEW_MOLECULE);
    EXPECT_EQ(view()->diffusionNumber, 1);
    EXPECT_EQ(molecule->text(), index_name_cytokine_class[1]);

    // With no cytokine in the tables the view stays as it is, also when a
    // synthesis row still names one.
    view()->set_view_type(GLWidget::VIEW_SOLID);
    QSqlQuery("DELETE FROM cytokine").exec();
    UserInitialParas();
    ASSERT_TRUE(index_name_cytokine_class.empty());
    molecule->click();
    EXPECT_TRUE(index_name_cytokine_class.empty());
    EXPECT_EQ(view()->viewType, GLWidget::VIEW_SOLID);
    EXPECT_EQ(view()->diffusionNumber, 1);
    const QImage image = grab();
    EXPECT_TRUE(near(colourAt(image, 0, 0), typeColour(cellCentredAt(0, 0)->cell_type)));
}
