#pragma once

#include <QColor>
#include <QPainter>
#include <QWidget>

// A filled rectangle with an optional outline drawn inside its edges: the
// box frame and the header band of the preview.
class PreviewShape : public QWidget {
public:
    explicit PreviewShape(QWidget* parent = nullptr) : QWidget(parent) {}

    QColor fill() const { return m_fill; }
    QColor outline() const { return m_outline; }
    int outlineWidth() const { return m_outlineWidth; }

    void setFill(const QColor& color) {
        m_fill = color;
        update();
    }
    void setOutline(const QColor& color) {
        m_outline = color;
        update();
    }
    void setOutlineWidth(int width) {
        m_outlineWidth = width;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), m_fill);
        if (m_outlineWidth <= 0)
            return;
        const int w = m_outlineWidth;
        painter.fillRect(0, 0, width(), w, m_outline);
        painter.fillRect(0, height() - w, width(), w, m_outline);
        painter.fillRect(0, 0, w, height(), m_outline);
        painter.fillRect(width() - w, 0, w, height(), m_outline);
    }

private:
    QColor m_fill = Qt::white;
    QColor m_outline = Qt::black;
    int m_outlineWidth = 0;
};
