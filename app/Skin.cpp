#include "app/Skin.h"

#include "app/BuiltInStyle.h"
#include "app/StartupPhases.h"
#include "format/TextCodec.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

namespace {

// A box with a header band and a pointer: the Info Box itself, on a 64 unit grid.
void drawApplicationIcon(QPainter& p, const QRect& rect) {
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.topLeft());
    p.scale(rect.width() / 64.0, rect.height() / 64.0);
    QPainterPath box;
    box.addRoundedRect(QRectF(6, 6, 52, 40), 6, 6);
    box.moveTo(18, 45);
    box.lineTo(14, 58);
    box.lineTo(30, 45);
    p.setPen(QPen(QColor(0x6B, 0x4E, 0x16), 2.5));
    p.setBrush(QColor(0xFF, 0xFF, 0xD9));
    p.drawPath(box.simplified());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFB, 0xE2, 0x99));
    p.drawRoundedRect(QRectF(7.5, 7.5, 49, 13), 4.5, 4.5);
    p.setBrush(QColor(0x6B, 0x4E, 0x16));
    p.drawRect(QRectF(14, 27, 24, 4));
    p.drawRect(QRectF(14, 35, 34, 3));
}

// Draws the icon at the size asked for, when it is asked for: a window
// system that never shows the icon costs nothing at start, and every size
// is drawn sharp instead of scaled from a few drawn ones.
class ApplicationIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        drawApplicationIcon(*painter, rect);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QString key =
            QStringLiteral("tipsmith-icon-%1x%2").arg(size.width()).arg(size.height());
        QPixmap drawn;
        if (!QPixmapCache::find(key, &drawn)) {
            drawn = QPixmap(size);
            drawn.fill(Qt::transparent);
            QPainter painter(&drawn);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
            painter.end();
            QPixmapCache::insert(key, drawn);
        }
        return drawn;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}};
    }

    QIconEngine* clone() const override { return new ApplicationIconEngine; }
    QString key() const override { return QStringLiteral("tipsmith-application"); }
};

} // namespace

QIcon applicationIcon() {
    return QIcon(new ApplicationIconEngine);
}

void applyBuiltInSkin(QApplication& app) {
    app.setStyle(new BuiltInStyle);
    startup::mark("style");

    app.setPalette(app.style()->standardPalette());

    // A compact sans-serif close to what the layout was designed with; the
    // first one installed is used. Only the installed ones are named: for a
    // first family that is not installed, the font matcher asks fontconfig
    // for its substitutes, a search as costly as loading a font, before it
    // tries the next family.
    const QStringList preferred = {QStringLiteral("Segoe UI"), QStringLiteral("Arial"),
                                   QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans")};
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString& name : preferred) {
        if (installed.contains(name, Qt::CaseInsensitive))
            families << name;
    }
    QFont font = app.font();
    font.setFamilies(families.isEmpty() ? preferred : families);
    font.setPointSize(9);
    app.setFont(font);
    startup::mark("palette and font");

    app.setWindowIcon(applicationIcon());
    startup::mark("application icon");
}

bool applySkinFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray sheet = qUncompress(file.readAll());
    if (sheet.isEmpty())
        return false;
    // A skin was designed on plain Fusion: the built-in look steps aside.
    if (qobject_cast<BuiltInStyle*>(QApplication::style()))
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    qApp->setStyleSheet(textcodec::decodeToQString(sheet));
    return true;
}
