#pragma once

#include <QLineEdit>

// A whole-number entry: digits and one leading minus sign only. A typed value
// outside the range is replaced at once by the nearest limit; while the
// field is empty or holds only "-", it keeps its last valid value.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    NumberEdit(int minimum, int maximum, int value, QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Brings the value into the range first.
    void setValue(int value);

signals:
    // Every change of the shown number, by typing or by setValue.
    void valueChanged(int value);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onTextEdited(const QString& text);
    int clamp(long long value) const;

    int m_minimum;
    int m_maximum;
    int m_value;
};
