#include "app/widgets/NumberEdit.h"

#include <QRegularExpressionValidator>

#include <algorithm>

NumberEdit::NumberEdit(int minimum, int maximum, int value, QWidget* parent)
    : QLineEdit(parent), m_minimum(minimum), m_maximum(maximum), m_value(clamp(value)) {
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this));
    setText(QString::number(m_value));
    connect(this, &QLineEdit::textEdited, this, &NumberEdit::onTextEdited);
}

int NumberEdit::clamp(long long value) const {
    return static_cast<int>(std::clamp<long long>(value, m_minimum, m_maximum));
}

void NumberEdit::setValue(int value) {
    m_value = clamp(value);
    setText(QString::number(m_value));
    emit valueChanged(m_value);
}

void NumberEdit::onTextEdited(const QString& text) {
    if (text.isEmpty() || text == u'-')
        return;
    bool ok = false;
    long long typed = text.toLongLong(&ok);
    if (!ok) // more digits than a number holds: as far past the limit as it gets
        typed = text.startsWith(u'-') ? m_minimum - 1LL : m_maximum + 1LL;
    m_value = clamp(typed);
    if (typed != m_value)
        setText(QString::number(m_value));
    emit valueChanged(m_value);
}

void NumberEdit::focusOutEvent(QFocusEvent* event) {
    // Leaving the field shows the value it holds again.
    if (text() != QString::number(m_value))
        setText(QString::number(m_value));
    QLineEdit::focusOutEvent(event);
}
