#pragma once

#include "brand/BrandProfile.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QWidget;

// The About window: product name, version, copyright and the brander's About
// text. A fixed-size dialog without border icons, centred on the screen; "Ok"
// closes it.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const BrandProfileRecord& profile, QWidget* parent = nullptr);

    QLabel* lblProductName = nullptr;
    QLabel* lblProductVersion = nullptr;
    QLabel* lblCopyright1 = nullptr;
    QWidget* panAbout = nullptr;
    QPlainTextEdit* memAbout = nullptr;
    QScrollBar* sbrAbout = nullptr;
    QPushButton* editAbout = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const BrandProfileRecord& profile);
};
