#include "app/widgets/NewsHint.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>
#include <QWindow>

namespace {

constexpr int kPadding = 7;
constexpr int kTailHeight = 12;
constexpr int kTailWidth = 14;
constexpr int kCorner = 6;
// How far in from the body's right edge the tip sits.
constexpr int kTipInset = 22;

QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

} // namespace

NewsHint::NewsHint(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_owner(owner) {
    setObjectName(QStringLiteral("hintNews"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setPalette(QToolTip::palette());
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            [this](QWindow* window) { focusWindowChanged(window); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    hide();
            });
}

NewsHint::~NewsHint() {
    if (m_watching)
        qApp->removeEventFilter(this);
}

void NewsHint::showAt(const QString& text, const QPoint& anchor) {
    hide();
    m_text = text;
    m_anchor = anchor;
    layOut();
    show();
    raise();
}

void NewsHint::layOut() {
    const QRect textBox = fontMetrics().boundingRect(
        QRect(0, 0, 2000, 2000), Qt::AlignLeft | Qt::AlignTop, displayText(m_text));
    const int width = std::max(textBox.width() + 2 * kPadding, 2 * kTipInset);
    const int height = textBox.height() + 2 * kPadding;
    m_body = QRect(0, kTailHeight, width, height);
    m_tipX = width - kTipInset;
    QPoint topLeft(m_anchor.x() - m_tipX, m_anchor.y());

    // Kept on the screen sideways: the body moves, the tip stays on the point.
    if (const QScreen* screen = QGuiApplication::screenAt(m_anchor)) {
        const QRect area = screen->availableGeometry();
        const int shift = std::max(area.left() - topLeft.x(), 0);
        topLeft.rx() += std::min(shift, m_tipX - kCorner - kTailWidth);
        m_tipX = m_anchor.x() - topLeft.x();
    }
    setGeometry(QRect(topLeft, QSize(width + ShadowDepth, kTailHeight + height + ShadowDepth)));

    const QPainterPath shape = outline();
    // A mask rather than a translucent window: it works without a compositor.
    const QRegion region(shape.toFillPolygon().toPolygon());
    setMask(region.united(region.translated(ShadowDepth, ShadowDepth)));
}

QPainterPath NewsHint::outline() const {
    QPainterPath shape;
    shape.addRoundedRect(m_body, kCorner, kCorner);
    QPainterPath tail;
    tail.moveTo(m_tipX, 0);
    tail.lineTo(m_tipX - kTailWidth, kTailHeight + 1);
    tail.lineTo(m_tipX, kTailHeight + 1);
    tail.closeSubpath();
    return shape.united(tail);
}

void NewsHint::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPainterPath shape = outline();

    painter.fillRect(rect(), palette().color(QPalette::Dark));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawPath(shape);
    painter.drawText(m_body.adjusted(kPadding, kPadding, -kPadding, -kPadding),
                     Qt::AlignLeft | Qt::AlignTop, displayText(m_text));
}

void NewsHint::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_watching) {
        qApp->installEventFilter(this);
        m_watching = true;
    }
}

void NewsHint::hideEvent(QHideEvent* event) {
    if (m_watching) {
        qApp->removeEventFilter(this);
        m_watching = false;
    }
    QWidget::hideEvent(event);
}

bool NewsHint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        hide(); // the key or click still goes where it was meant to
        break;
    case QEvent::Hide:
    case QEvent::Close:
        if (m_owner && watched == m_owner->window())
            hide();
        break;
    default:
        break;
    }
    return false;
}

void NewsHint::focusWindowChanged(QWindow* window) {
    if (!isVisible() || !window || window == windowHandle())
        return;
    if (m_owner && window == m_owner->window()->windowHandle())
        return;
    if (window->modality() != Qt::NonModal)
        return;
    hide();
}
