#include "app/FAbout.h"

#include "format/TextCodec.h"
#include "util/AppVersion.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

TfrmAbout::TfrmAbout(const BrandProfileRecord& profile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(368, 211);

    const auto label = [this](QLabel*& target, const char* name, QPoint at) {
        target = new QLabel(this);
        target->setObjectName(QString::fromLatin1(name));
        target->setTextFormat(Qt::PlainText);
        target->move(at);
    };
    label(lblProductName, "lblProductName", QPoint(9, 7));
    QFont bold = lblProductName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    lblProductName->setFont(bold);
    label(lblProductVersion, "lblProductVersion", QPoint(9, 32));
    label(lblCopyright1, "lblCopyright1", QPoint(9, 57));

    panAbout = new QWidget(this);
    panAbout->setObjectName(QStringLiteral("panAbout"));
    panAbout->setGeometry(8, 88, 348, 71);
    auto* row = new QHBoxLayout(panAbout);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    memAbout = new QPlainTextEdit(panAbout);
    memAbout->setObjectName(QStringLiteral("memAbout"));
    memAbout->setReadOnly(true);
    memAbout->setFrameShape(QFrame::NoFrame);
    memAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    row->addWidget(memAbout, 1);
    sbrAbout = new QScrollBar(Qt::Vertical, panAbout);
    sbrAbout->setObjectName(QStringLiteral("sbrAbout"));
    sbrAbout->setFixedWidth(19);
    row->addWidget(sbrAbout);

    // The skinned scroll bar beside the memo scrolls it.
    QScrollBar* inner = memAbout->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, sbrAbout, [this, inner](int min, int max) {
        sbrAbout->setRange(min, max);
        sbrAbout->setPageStep(inner->pageStep());
        sbrAbout->setSingleStep(inner->singleStep());
    });
    connect(inner, &QScrollBar::valueChanged, sbrAbout, &QScrollBar::setValue);
    connect(sbrAbout, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);

    editAbout = new QPushButton(QStringLiteral("Ok"), this);
    editAbout->setObjectName(QStringLiteral("editAbout"));
    editAbout->setGeometry(129, 171, 87, 21);
    editAbout->setDefault(true);
    connect(editAbout, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(profile);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    // Centred on the screen, not over the main window where a dialog would
    // otherwise be placed.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TfrmAbout::FormCreate(const BrandProfileRecord& profile) {
    const QString name = textcodec::fromUtf8(profile.ApplicationName);
    setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
    lblProductName->setText(name);
    lblProductVersion->setText(QStringLiteral("Product Version: ") +
                               textcodec::fromUtf8(AppVersion));
    // The separating blank is written even when both values are empty.
    lblCopyright1->setText(QStringLiteral("Copyright (c) ") +
                           textcodec::fromUtf8(profile.CopyrightYears) + u' ' +
                           textcodec::fromUtf8(profile.CopyrightCompany));
    QString about = textcodec::fromUtf8(profile.AboutText);
    about.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memAbout->setPlainText(about);
    for (QLabel* l : {lblProductName, lblProductVersion, lblCopyright1})
        l->adjustSize();
}
