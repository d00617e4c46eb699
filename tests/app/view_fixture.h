#ifndef VANTU_TESTS_APP_VIEW_FIXTURE_H
#define VANTU_TESTS_APP_VIEW_FIXTURE_H

// A main window whose view holds a tissue drawn in the designer and built by
// its Build command, with helpers to read the view's pixels in world terms.
#include "app_fixture.h"
#include "designer_driver.h"

#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <QColor>
#include <QImage>

#include <cmath>
#include <vector>

class ViewTest : public AppTest {
protected:
    // New, one circle per world centre, Build.
    void buildTissue(const std::vector<QPointF>& worldCentres)
    {
        probe->newAction()->trigger();
        newDiagram* designer = probe->designer();
        ASSERT_TRUE(waitFor([&] { return designer->isVisible(); }));
        for (const QPointF& c : worldCentres)
            ASSERT_NE(placeCircle(*designer, scenePointOf(c.x(), c.y())), nullptr);
        actionNamed(*designer, "&Build")->trigger();
        ASSERT_NE(view()->reader, nullptr);
        ASSERT_EQ(cellCount(), static_cast<int>(worldCentres.size()));
    }

    // Puts the world origin in the middle of the view at scale 1.
    void centreView()
    {
        view()->translateX = -view()->viewportWidth / 2.0;
        view()->translateY = -view()->viewportHeight / 2.0;
        view()->updateGL();
    }

    // Redraws (records may have been changed directly) and reads the frame.
    QImage grab()
    {
        view()->updateGL();
        return view()->grabFrameBuffer(false);
    }

    // Every index selectVectors announces from now on (its argument is a
    // reference, which a signal spy cannot record).
    std::shared_ptr<std::vector<int>> recordPicks()
    {
        auto picks = std::make_shared<std::vector<int>>();
        QObject::connect(view(), &GLWidget::selectVectors, view(),
                         [picks](int& index) { picks->push_back(index); });
        return picks;
    }

    // The image pixel under world point (x, y).
    QPoint pixelOf(double x, double y) const
    {
        const GLWidget* v = view();
        const double px = x * v->scale - v->translateX;
        const double py = y * v->scale - v->translateY;
        return QPoint(static_cast<int>(std::floor(px)),
                      v->viewportHeight - 1 - static_cast<int>(std::floor(py)));
    }

    // The widget position (y down) over world point (x, y).
    QPoint widgetPosOf(double x, double y) const
    {
        const GLWidget* v = view();
        return QPoint(static_cast<int>(std::lround(x * v->scale - v->translateX)),
                      v->viewportHeight - static_cast<int>(std::lround(y * v->scale - v->translateY)));
    }

    QColor colourAt(const QImage& image, double x, double y) const
    {
        return image.pixelColor(pixelOf(x, y));
    }

    static QColor typeColour(int t)
    {
        return QColor::fromRgbF(color_class_R[t], color_class_G[t], color_class_B[t]);
    }

    static bool near(const QColor& a, const QColor& b, int tolerance = 2)
    {
        return std::abs(a.red() - b.red()) <= tolerance &&
               std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    }

    // Whether a pixel of `colour` lies within `radius` pixels of the image
    // pixel under world point (x, y).
    bool colourNear(const QImage& image, double x, double y, const QColor& colour, int radius = 2,
                    int tolerance = 2) const
    {
        const QPoint p = pixelOf(x, y);
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                if (image.rect().contains(q) && near(image.pixelColor(q), colour, tolerance))
                    return true;
            }
        return false;
    }

    cell* cellAt(int i) const { return view()->reader->cells[i]; }

    // The cell centred at world (x, y); the designer lists the most recently
    // placed circle first.
    cell* cellCentredAt(double x, double y) const
    {
        for (cell* c : view()->reader->cells)
            if (std::hypot(c->center[0] - x, c->center[1] - y) < 1e-6)
                return c;
        return nullptr;
    }
};

inline std::string colourText(const QColor& c)
{
    return "(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + ")";
}

#endif
