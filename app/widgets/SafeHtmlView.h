#pragma once

#include <QTextBrowser>
#include <QUrl>
#include <QVariant>

class QMimeData;

// A rich-text view for texts that come from outside the program: news items
// and the brand's welcome page. It draws what the text holds and nothing the
// text only names: no file, no network address and none of the program's own
// resources is read for an image, a style sheet or a background, so a text
// naming /dev/zero or a named pipe costs nothing. data: addresses carry their
// content in the text and are drawn. Links are reported through
// anchorClicked, never followed by the view itself; a link to a place in the
// text ("#top") scrolls there.
//
// Qt would otherwise read such names in several places: the document falls back
// to reading a local file when its loader answers nothing, its image handler
// loads the image file by name (and looks for "@2x" variants of it) when the
// resource holds no image, and a copied selection is also offered as an
// OpenDocument text, whose writer reads every image's file. A tool tip of the
// text would be shown as a rich text of its own, read the same way.
class SafeHtmlView : public QTextBrowser {
    Q_OBJECT
public:
    explicit SafeHtmlView(QWidget* parent = nullptr);

protected:
    // A tool tip the text sets is shown as plain text: shown as rich text, it
    // would be a document of its own, free to read what it names.
    bool event(QEvent* event) override;
    // Every resource the text names, answered here so the document never
    // looks for it elsewhere: a data: address's content, else nothing.
    QVariant loadResource(int type, const QUrl& name) override;
    // The selection as plain text and HTML only.
    QMimeData* createMimeDataFromSelection() const override;
};
