#ifndef VANTU_APP_PROPERTIESDIALOG_H
#define VANTU_APP_PROPERTIESDIALOG_H

#include <QDialog>
#include <QString>

#include <vector>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The cell-type chooser: one radio button per cell type of the current
// parameter tables. "Set properties" records the checked type and announces
// it; the view then gives that type to the selected cells.
class propertiesDialog : public QDialog {
    Q_OBJECT

public:
    explicit propertiesDialog(QWidget* parent = nullptr);

    QGroupBox* cellTypesGroup = nullptr;           // holds the radio buttons
    std::vector<QRadioButton*> cellTypeButtons;    // one per cell type, in type-index order
    bool setFlag = false;                          // set by "Set properties", cleared once applied
    QString cellTypeName = "NA";                   // text of the chosen button
    int cellType = -1;                             // type index of cellTypeName; -1 for none
    QGroupBox* elasticityGroup = nullptr;          // built but never shown or read
    QSpinBox* youngSpinBox = nullptr;              // Young's modulus, kPa
    QSpinBox* poissonSpinBox = nullptr;            // Poisson's ratio, percent
    QPushButton* setButton = nullptr;
    QPushButton* cancelButton = nullptr;

signals:
    void cell_types(QString str);

private slots:
    void setClicked();
    void cancelClicked();
};

#endif
