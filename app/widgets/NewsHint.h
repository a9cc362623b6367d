#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

// The news balloon (the main window's hintNews): a non-modal balloon of
// several lines whose tip points at a screen point, its body opening below
// and to the left of it, with a 4-pixel shadow, in the tool-tip colours.
//
// It closes at the user's next key press or mouse click anywhere in the
// program, when a window of another program becomes active, when another
// window of this program that is not a modal box becomes active, or when its
// owner is hidden. A modal box the program opens meanwhile (the update
// question right after the start-up check) leaves it open.
class NewsHint : public QWidget {
    Q_OBJECT
public:
    explicit NewsHint(QWidget* owner);
    ~NewsHint() override;

    // Shows `text` (lines may end in CR LF) pointing at `anchor`, in screen
    // coordinates; a balloon still open is closed first. Returns at once.
    void showAt(const QString& text, const QPoint& anchor);

    const QString& text() const { return m_text; }
    QPoint anchor() const { return m_anchor; }
    // The body without tail and shadow, in screen coordinates.
    QRect bodyGeometry() const { return m_body.translated(pos()); }

    static constexpr int ShadowDepth = 4;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    // The body and its tail, in the balloon's coordinates.
    QPainterPath outline() const;
    void focusWindowChanged(QWindow* window);

    QWidget* m_owner;
    QString m_text;
    QPoint m_anchor;
    QRect m_body; // in the balloon's coordinates
    int m_tipX = 0;
    bool m_watching = false;
};
