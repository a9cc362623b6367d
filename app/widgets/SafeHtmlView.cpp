#include "app/widgets/SafeHtmlView.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QTextDocumentFragment>
#include <QTextFormat>
#include <QTextObjectInterface>
#include <QToolTip>

namespace {

// The content a data: address carries ("data:[type][;base64],content"); empty
// for any other address, or for one without its comma.
QByteArray dataContent(const QUrl& address) {
    if (address.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) != 0)
        return {};
    // The whole rest of the address: senders leave '?' and '#' in the content.
    const QByteArray text = QByteArray::fromPercentEncoding(address.toEncoded(QUrl::RemoveScheme));
    const qsizetype comma = text.indexOf(',');
    if (comma < 0)
        return {};
    const QByteArray content = text.mid(comma + 1);
    if (text.left(comma).trimmed().toLower().endsWith(";base64"))
        return QByteArray::fromBase64(content);
    return content;
}

// The picture the document holds for an image, or a null one.
QPixmap pictureOf(QTextDocument* document, const QTextImageFormat& format) {
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(format.name()));
    switch (resource.typeId()) {
    case QMetaType::QPixmap:
        return resource.value<QPixmap>();
    case QMetaType::QImage:
        return QPixmap::fromImage(resource.value<QImage>());
    default:
        // Bytes that the document could not take for a picture are none.
        return {};
    }
}

// Draws the images of a text from the document's resources alone. Qt's own
// handler loads the file an image names when the resource holds no picture.
class ResourceImageDrawer : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument* document, int, const QTextFormat& format) override {
        const QTextImageFormat image = format.toImageFormat();
        const bool hasWidth = image.hasProperty(QTextFormat::ImageWidth);
        const bool hasHeight = image.hasProperty(QTextFormat::ImageHeight);
        QSizeF size(image.width(), image.height());
        // A missing side follows the picture's, keeping its proportions; an
        // image without a picture and without a size takes no room.
        if (!hasWidth || !hasHeight) {
            const QSizeF natural = pictureOf(document, image).deviceIndependentSize();
            if (hasWidth)
                size.setHeight(
                    natural.width() > 0 ? size.width() * natural.height() / natural.width() : 0);
            else if (hasHeight)
                size.setWidth(
                    natural.height() > 0 ? size.height() * natural.width() / natural.height() : 0);
            else
                size = natural;
        }
        // Sizes in the text are in pixels at 96 dots an inch, as Qt takes them.
        if (const QPaintDevice* device = document->documentLayout()->paintDevice())
            size *= device->logicalDpiY() / 96.0;
        return QSizeF(qRound(size.width()), qRound(size.height()));
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                    const QTextFormat& format) override {
        const QPixmap picture = pictureOf(document, format.toImageFormat());
        if (!picture.isNull())
            painter->drawPixmap(rect, picture, QRectF(picture.rect()));
    }
};

} // namespace

SafeHtmlView::SafeHtmlView(QWidget* parent) : QTextBrowser(parent) {
    // Followed by the view, a link would load what it names into it. A link
    // to a place in the text itself only scrolls there.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.toString().startsWith(u'#'))
            scrollToAnchor(link.fragment());
    });
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    layout->registerHandler(QTextFormat::ImageObject, new ResourceImageDrawer(layout));
}

bool SafeHtmlView::event(QEvent* event) {
    // Every tool tip event ends here, even where no tip is found: Qt's own
    // lookup places the point a frame's width off and could find one there.
    if (event->type() != QEvent::ToolTip)
        return QTextBrowser::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip =
        cursorForPosition(viewport()->mapFrom(this, help->pos())).charFormat().toolTip();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal),
                           viewport());
    return true;
}

QVariant SafeHtmlView::loadResource(int, const QUrl& name) {
    // Bytes, even empty ones, are an answer: the document then neither reads
    // a file nor asks another provider, and turns picture bytes into a picture.
    return dataContent(name);
}

QMimeData* SafeHtmlView::createMimeDataFromSelection() const {
    const QTextDocumentFragment selection = textCursor().selection();
    auto* data = new QMimeData;
    data->setHtml(selection.toHtml());
    data->setText(selection.toPlainText());
    return data;
}

#include "SafeHtmlView.moc"
