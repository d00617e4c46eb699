// The editors inside the whole program: opened from the Data menu, their
// rows reach the model files the writer makes and the tables a load reads.
#include "app/app_fixture.h"
#include "app/modal_answerer.h"
#include "editors_fixture.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"

#include <QComboBox>
#include <QTabWidget>
#include <QXmlStreamReader>

using namespace relation_kit;

namespace {

class RelationEditorsInProgram : public AppTest {
protected:
    void TearDown() override
    {
        AppTest::TearDown();
        model_env::useModelFiles();
    }
    QAction* dataAction(const char* text) const
    {
        for (QAction* action : window->findChildren<QAction*>())
            if (action->text() == text)
                return action;
        ADD_FAILURE() << "no action " << text;
        return nullptr;
    }
    template <class Window>
    static Window* shown()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<Window*>(widget); w && w->isVisible())
                return w;
        return nullptr;
    }
    // The value of the parameter with this id in a model file.
    static std::string parameter(const QString& file, const QString& id)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return "no file";
        QXmlStreamReader xml(&f);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.name() == QLatin1String("parameter") && xml.attributes().value("id") == id)
                return xml.attributes().value("value").toString().toStdString();
        }
        return "no parameter";
    }
};

}

TEST_F(RelationEditorsInProgram, DiagramAndCueEditsReachModelFilesAndLoads)
{
    dataAction("&Link Diagram")->trigger();
    auto* diagram = shown<DiagramWindow>();
    ASSERT_NE(diagram, nullptr);
    EXPECT_EQ(diagram->size(), QSize(600, 500));
    EXPECT_FALSE(diagram->testAttribute(Qt::WA_QuitOnClose));
    DiagramWindowProbe d(*diagram);

    // Promote PDGF on Fibroblast's proliferation by 0.3, through Properties.
    d.select({d.node("PDGF"), d.node("Fibroblast")});
    d.promote()->trigger();
    d.select({d.relation<Link>("PDGF promotes Fibroblast")});
    ModalAnswerer answers;
    answers.then([](QWidget* modal) {
        auto* dialog = qobject_cast<LinkPropertiesDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        RelationDialogProbe::set(*dialog, 0, "0.3");
        RelationDialogProbe::ok(*dialog)->click();
        dialog->close();
    });
    d.properties()->trigger();

    // TGFb upregulates FC's synthesis of EGF by 2.5.
    d.select({d.node("TGFb"), d.relation<Link>("FC synthesizes EGF")});
    d.upregulate()->trigger();
    d.select({d.relation<Curve>("TGFb upregulates FC synthesizes EGF")});
    answers.then([](QWidget* modal) {
        auto* dialog = qobject_cast<CurvePropertiesDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        RelationDialogProbe::scaling(*dialog)->setText(" 2.5 ");
        RelationDialogProbe::ok(*dialog)->click();
        dialog->close();
    });
    d.properties()->trigger();
    EXPECT_EQ(answers.answeredCount(), 2);

    ASSERT_TRUE(writeModelFiles());
    EXPECT_EQ(parameter(model_files::cellTypeFile("Fibroblast"), "kgrowthdiv_PDGF"), "0.3");
    EXPECT_EQ(parameter(model_files::cellTypeFile("FC"), "ks1_EGF_TGFb"), "2.5");

    // KGF becomes Keratinocyte's chemical cue; the next load takes it.
    dataAction("&Migration Cue")->trigger();
    auto* cueDialog = shown<TabDialog>();
    ASSERT_NE(cueDialog, nullptr);
    EXPECT_EQ(cueDialog->size(), QSize(400, 400));
    CueDialogProbe c(*cueDialog);
    QTableWidget* table = c.chemotaxis()->table;
    table->openPersistentEditor(table->item(3, 1));
    auto* combo = qobject_cast<QComboBox*>(table->indexWidget(table->model()->index(3, 1)));
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(combo->findText("KGF"));
    emit combo->activated(combo->currentIndex());

    const QString wound = QString(std::getenv("VANTU_SAMPLES") ? std::getenv("VANTU_SAMPLES") : "samples") +
                          "/wound_center.vt";
    const QString copy = dir.filePath("wound.vt");
    ASSERT_TRUE(QFile::copy(wound, copy));
    ASSERT_TRUE(probe->loadFile(copy));
    EXPECT_EQ(index_chemo_class[3], "KGF");
    EXPECT_EQ(index_name_class[3], "Keratinocyte");

    // The editors go with the main window.
    QPointer<DiagramWindow> diagramAlive(diagram);
    QPointer<TabDialog> cueAlive(cueDialog);
    probe.reset();
    window.reset();
    EXPECT_TRUE(diagramAlive.isNull());
    EXPECT_TRUE(cueAlive.isNull());
}
