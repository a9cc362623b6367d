#include "app/FMain.h"
#include "app/MainWindowParts.h"

#include "app/ErrorReporting.h"
#include "app/FAbout.h"
#include "app/Skin.h"
#include "app/widgets/ClickableLabel.h"
#include "brand/BrandProfileReader.h"
#include "brand/JpegDecoder.h"
#include "util/Utils.h"

#include <QFileInfo>
#include <QMovie>
#include <QPushButton>
#include <QToolButton>

// The main window: the brand profile, the banners and links, and the promotional actions.

using namespace mainwindow;

QWidget* TfrmMain::buildBannerStrip() {
    panBanner = new QWidget(stsMain);
    panBanner->setObjectName(QStringLiteral("panBanner"));
    panBanner->setFixedHeight(kBannerHeight);

    imgBanner = new ClickableLabel(panBanner);
    imgBanner->setObjectName(QStringLiteral("imgBanner"));
    imgBanner->setGeometry(196, 2, 468, 60);
    gifBanner = new ClickableLabel(panBanner);
    gifBanner->setObjectName(QStringLiteral("gifBanner"));
    gifBanner->setGeometry(196, 2, 120, 60);
    gifBanner->hide();

    panBanner->installEventFilter(this);
    return panBanner;
}

QWidget* TfrmMain::buildLinksBar() {
    panLinks = new QWidget(stsMain);
    panLinks->setObjectName(QStringLiteral("panLinks"));
    panLinks->setFixedHeight(kLinksBarHeight);
    const auto link = [this](ClickableLabel*& label, const char* name) {
        label = new ClickableLabel(panLinks);
        label->setObjectName(QString::fromLatin1(name));
        label->setText(QString::fromLatin1(kDesignedLinkCaption));
        label->URL = QString::fromLatin1(kDesignedLinkAddress);
        label->setCursor(Qt::PointingHandCursor);
        label->adjustSize();
    };
    link(lblLink1URL, "lblLink1URL");
    link(lblLink2URL, "lblLink2URL");
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panLinks->installEventFilter(this);
    return panLinks;
}

void TfrmMain::LoadBrandProfile() {
    // An error reading the profile is reported and ends the reading there: what
    // was set so far stays set, the skin and the icon below still apply, and the
    // window opens.
    try {
        const ProfileBytes file = readBrandProfileFile(m_env.exeFolder);
        // Without a brand profile beside the program the window keeps its
        // designed state: an unbranded copy.
        if (file.state == ProfileFile::Missing)
            return;
        const std::string_view plain(file.plain.constData(),
                                     static_cast<size_t>(file.plain.size()));
        const BrandProfileText text = parseBrandProfile(plain);
        const BrandChoice choice = chooseBrand(text, m_env.randomSeed());
        BrandProfile = choice.profile;

        setWindowTitle(brandedCaption(BrandProfile, windowTitle()));
        btnNews->setVisible(newsButtonVisible(BrandProfile));
        btnMakeMoney->setText(text.MakeMoneyButton.empty() ? QStringLiteral("Make Money")
                                                           : fromUtf8(text.MakeMoneyButton));

        const Qt::CursorShape bannerCursor =
            BrandProfile.BannerURL.empty() ? Qt::ArrowCursor : Qt::PointingHandCursor;
        imgBanner->setCursor(bannerCursor);
        gifBanner->setCursor(bannerCursor);
        showBanner(choice.bannerNumber);

        panLinks->setVisible(!BrandProfile.Link1Caption.empty());
        lblLink1URL->setText(fromUtf8(BrandProfile.Link1Caption));
        lblLink1URL->URL = fromUtf8(BrandProfile.Link1URL);
        lblLink2URL->setText(fromUtf8(BrandProfile.Link2Caption));
        lblLink2URL->URL = fromUtf8(BrandProfile.Link2URL);
        placeLinkLabels();
    } catch (...) {
        errors::reportCurrent();
    }

    // A copy with a profile file takes the skin and the icon beside the program,
    // even when the profile itself is not usable; an unbranded copy keeps its own.
    const QString skin = m_env.exeFolder + QStringLiteral("mainskin.dat");
    // A skin file that holds no style sheet leaves the built-in look.
    if (QFileInfo::exists(skin))
        static_cast<void>(applySkinFile(skin));
    const QString icon = m_env.exeFolder + QStringLiteral("main.ico");
    if (QFileInfo::exists(icon)) {
        const QIcon appIcon(icon);
        if (!appIcon.isNull()) {
            QApplication::setWindowIcon(appIcon);
            setWindowIcon(appIcon);
        }
    }
}

void TfrmMain::showBanner(int number) {
    const std::string& image = BrandProfile.BannerImage;
    const QString file = bannerFileName(m_env.exeFolder, number);
    const auto hideStrip = [this] { panBanner->hide(); };
    if (image.empty() || number <= 0 || !QFileInfo::exists(file))
        return hideStrip();

    // The picture is decoded straight from the banner file; the image name's
    // extension says how.
    const std::string name = imageFileNamePart(image);
    if (pictureDecoderFor(name) == PictureDecoder::Animated) {
        auto* movie = new QMovie(file, QByteArrayLiteral("gif"), gifBanner);
        if (!movie->isValid() || !movie->jumpToFrame(0)) {
            delete movie;
            return hideStrip();
        }
        imgBanner->hide();
        gifBanner->setMovie(movie);
        gifBanner->resize(movie->currentPixmap().size());
        gifBanner->show();
        movie->start();
        panBanner->setFixedHeight(gifBanner->height() + 10);
        return;
    }
    QFile in(file);
    QImage picture;
    if (in.open(QIODevice::ReadOnly))
        picture = decodeStillPicture(in.readAll(), name);
    if (picture.isNull())
        return hideStrip();
    gifBanner->hide();
    imgBanner->setPixmap(QPixmap::fromImage(picture));
    imgBanner->resize(picture.size());
    imgBanner->show();
    panBanner->setFixedHeight(imgBanner->height() + 10);
}

// --- promotional actions ------------------------------------------------------

// The brand's addresses open only as web or mail addresses (browsableAddress).

void TfrmMain::imgBannerClick() {
    // A banner without an address is only a picture.
    const auto address = browsableAddress(BrandProfile.BannerURL);
    if (address && !address->empty())
        m_env.openInBrowser(*address);
}

// Make Money and Help start the browser even without an address: it then
// shows its own start page.
void TfrmMain::btnMakeMoneyClick() {
    if (const auto address = browsableAddress(BrandProfile.AffiliateURL))
        m_env.openInBrowser(*address);
}

void TfrmMain::btnHelpClick() {
    if (const auto address = browsableAddress(BrandProfile.AppHelpURL))
        m_env.openInBrowser(*address);
}

void TfrmMain::lblLinkClick(ClickableLabel* label) {
    // Link labels open their address through the desktop, not the http browser lookup.
    openLink(m_env.openUrl, label->URL);
}

void TfrmMain::btnAboutClick() {
    TfrmAbout about(BrandProfile, this);
    m_env.runModal(about);
}
