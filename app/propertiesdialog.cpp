#include "app/propertiesdialog.h"

#include "model/parameter_tables.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

propertiesDialog::propertiesDialog(QWidget* parent) : QDialog(parent)
{
    cellTypesGroup = new QGroupBox(tr("Cell Types"));
    auto* typesLayout = new QVBoxLayout;
    const int typeCount = static_cast<int>(index_name_class.size());
    for (int t = 0; t < typeCount; ++t) {
        const auto name = index_name_class.find(t);
        auto* button = new QRadioButton(name != index_name_class.end() ? name->second : QString());
        typesLayout->addWidget(button);
        cellTypeButtons.push_back(button);
    }
    if (!cellTypeButtons.empty())
        cellTypeButtons.front()->setChecked(true);
    cellTypesGroup->setLayout(typesLayout);

    auto* scrollArea = new QScrollArea;
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidgetResizable(true);
    scrollArea->setWidget(cellTypesGroup);

    // The elasticity choice exists but takes no part in the dialog: it is
    // kept hidden so that it is not drawn over the other controls.
    elasticityGroup = new QGroupBox(tr("Customize Elasticities"), this);
    elasticityGroup->setCheckable(true);
    elasticityGroup->setChecked(false);
    youngSpinBox = new QSpinBox;
    youngSpinBox->setRange(1, 400);
    youngSpinBox->setSingleStep(1);
    youngSpinBox->setSuffix(tr("kPa"));
    youngSpinBox->setValue(20);
    poissonSpinBox = new QSpinBox;
    poissonSpinBox->setRange(10, 49);
    poissonSpinBox->setSingleStep(1);
    poissonSpinBox->setSuffix(tr("%"));
    poissonSpinBox->setValue(40);
    auto* elasticityLayout = new QVBoxLayout;
    elasticityLayout->addWidget(new QLabel(tr("Young's modulus (1~400kPa)")));
    elasticityLayout->addWidget(youngSpinBox);
    elasticityLayout->addWidget(new QLabel(tr("Poisson's ratio (0.1~0.49)")));
    elasticityLayout->addWidget(poissonSpinBox);
    elasticityGroup->setLayout(elasticityLayout);
    elasticityGroup->hide();

    setButton = new QPushButton(tr("Set properties"));
    cancelButton = new QPushButton(tr("Cancel"));
    connect(setButton, &QPushButton::clicked, this, &propertiesDialog::setClicked);
    connect(cancelButton, &QPushButton::clicked, this, &propertiesDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(setButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout;
    layout->addWidget(scrollArea);
    layout->addLayout(buttons);
    setLayout(layout);

    setWindowTitle(tr("Cell selection"));
    setFixedSize(300, 200);
}

void propertiesDialog::setClicked()
{
    setFlag = true;
    for (QRadioButton* button : cellTypeButtons) {
        if (!button->isChecked())
            continue;
        cellTypeName = button->text();
        // The buttons name the types of the tables they were built from; a
        // name those tables no longer hold chooses no type.
        const auto index = name_index_class.find(cellTypeName);
        cellType = index != name_index_class.end() ? index->second : -1;
        break;
    }
    emit cell_types(cellTypeName);
}

void propertiesDialog::cancelClicked()
{
    setFlag = false;
}
