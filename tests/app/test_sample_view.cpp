// The samples as a user first sees them: right after File > Open the whole
// tissue lies inside the view, nothing cut off at its border. One world unit
// is one pixel at the start (no pan, no zoom), with the origin at the view's
// bottom-left corner.
//
// With VANTU_WRITE_SCREENSHOTS=1 in the environment the README's screenshots
// are taken anew, of the wound sample just opened.
#include "app_fixture.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

class SampleView : public AppTest {
protected:
    // File > Open of a copy of the sample under its own name.
    void openSample(const QString& name)
    {
        const QString copy = dir.filePath(name);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(samplesDir().filePath(name), copy)) << name.toStdString();
        openThroughDialog(copy);
        ASSERT_TRUE(waitFor([&] { return probe->curFile() == copy; })) << name.toStdString();
        ASSERT_GT(cellCount(), 0);
    }

    static QDir samplesDir() { return QFileInfo(samplePath()).dir(); }

    // Resizes the window so that the view is 800 by 600 pixels: the window
    // the samples are centred in.
    void makeViewOf800By600()
    {
        const QSize grow = QSize(800, 600) - view()->size();
        window->resize(window->size() + grow);
        ASSERT_TRUE(waitFor([&] { return view()->size() == QSize(800, 600); }));
    }

    // The live vertices' bounding box in image pixels (y down).
    QRect tissuePixels() const
    {
        double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300;
        for (const point3D* p : view()->reader->points) {
            if (!p->alive)
                continue;
            xmin = std::min(xmin, p->x);
            xmax = std::max(xmax, p->x);
            ymin = std::min(ymin, p->y);
            ymax = std::max(ymax, p->y);
        }
        const GLWidget* v = view();
        const int h = v->viewportHeight;
        return QRect(QPoint(int(xmin * v->scale - v->translateX), h - 1 - int(ymax * v->scale - v->translateY)),
                     QPoint(int(xmax * v->scale - v->translateX), h - 1 - int(ymin * v->scale - v->translateY)));
    }

    static bool drawn(const QImage& image, const QRect& area)
    {
        const QRect r = area.intersected(image.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    return true;
        return false;
    }

    // The tissue lies wholly inside the view: its box is inside the image,
    // each quarter of the box holds cell pixels and the image's outermost
    // rows and columns hold none.
    void expectWholeTissueInView(const QString& name)
    {
        SCOPED_TRACE(name.toStdString());
        const QImage image = view()->grabFrameBuffer(false);
        const QRect box = tissuePixels();
        EXPECT_TRUE(image.rect().adjusted(1, 1, -1, -1).contains(box))
            << "tissue " << box.left() << ".." << box.right() << " x " << box.top() << ".."
            << box.bottom() << " in a view of " << image.width() << " x " << image.height();
        const QPoint c = box.center();
        EXPECT_TRUE(drawn(image, QRect(box.topLeft(), c)));
        EXPECT_TRUE(drawn(image, QRect(QPoint(c.x(), box.top()), QPoint(box.right(), c.y()))));
        EXPECT_TRUE(drawn(image, QRect(QPoint(box.left(), c.y()), QPoint(c.x(), box.bottom()))));
        EXPECT_TRUE(drawn(image, QRect(c, box.bottomRight())));
        const int w = image.width(), h = image.height();
        EXPECT_FALSE(drawn(image, QRect(0, 0, w, 1)));
        EXPECT_FALSE(drawn(image, QRect(0, h - 1, w, 1)));
        EXPECT_FALSE(drawn(image, QRect(0, 0, 1, h)));
        EXPECT_FALSE(drawn(image, QRect(w - 1, 0, 1, h)));
    }
};

const char* const kSamples[] = {"small_center.vt", "small_point.vt", "wound_center.vt",
                                "wound_point.vt", "bench_1000_center.vt"};

}  // namespace

// In the window as it opens, every sample but the 1,000-cell sheet (731 by
// 394 units, wider than that view) shows whole.
TEST_F(SampleView, EverySampleButTheLargeSheetOpensWholeInTheWindowAsItStarts)
{
    for (const char* name : kSamples) {
        if (QString(name).startsWith("bench_1000"))
            continue;
        openSample(name);
        expectWholeTissueInView(name);
    }
}

TEST_F(SampleView, EverySampleOpensWholeInAViewOf800By600)
{
    makeViewOf800By600();
    for (const char* name : kSamples) {
        openSample(name);
        expectWholeTissueInView(name);
    }
}

// The README's pictures: the window right after File > Open of the wound
// sample, and its view in the solid and in the mesh mode.
TEST_F(SampleView, ReadmeScreenshots)
{
    if (!qEnvironmentVariableIsSet("VANTU_WRITE_SCREENSHOTS"))
        GTEST_SKIP() << "set VANTU_WRITE_SCREENSHOTS=1 to take the README's screenshots";
    openSample("wound_center.vt");
    const QDir docs(samplesDir().filePath("../docs"));

    // The GL view does not draw into a widget grab: its frame goes on top.
    QPixmap shot = window->grab();
    {
        QPainter painter(&shot);
        painter.drawImage(view()->mapTo(window.get(), QPoint(0, 0)), view()->grabFrameBuffer(false));
    }
    EXPECT_TRUE(shot.save(docs.filePath("screenshot-main.png")));
    EXPECT_TRUE(view()->grabFrameBuffer(false).save(docs.filePath("screenshot-solid.png")));
    view()->set_view_type(GLWidget::VIEW_MESH);
    EXPECT_TRUE(view()->grabFrameBuffer(false).save(docs.filePath("screenshot-mesh.png")));
}
