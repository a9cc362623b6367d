#pragma once

#include <QComboBox>
#include <QKeyEvent>
#include <QStringList>
#include <QWheelEvent>

#include <functional>

// A font list that starts with its start value alone and takes in the whole
// list of installed fonts the first time it is needed (opened, stepped
// through or searched), so listing every font costs nothing at start.
class FontNameBox : public QComboBox {
public:
    FontNameBox(const QString& startName, std::function<const QStringList&()> names,
                QWidget* parent = nullptr)
        : QComboBox(parent), m_names(std::move(names)) {
        addItem(startName);
    }

    // Takes in every installed font, keeping the current selection.
    void ensureFilled() {
        if (m_filled)
            return;
        m_filled = true;
        const QString current = currentText();
        const QStringList& names = m_names();
        const bool wasBlocked = blockSignals(true);
        clear();
        addItems(names);
        int index = findText(current, Qt::MatchFixedString);
        if (index < 0) {
            insertItem(0, current);
            index = 0;
        }
        setCurrentIndex(index);
        blockSignals(wasBlocked);
    }

    // Selects the entry of that name, letter case not significant; false when
    // the list does not hold it.
    bool selectName(const QString& name) {
        ensureFilled();
        const int index = findText(name, Qt::MatchFixedString);
        if (index < 0)
            return false;
        setCurrentIndex(index);
        return true;
    }

    void showPopup() override {
        ensureFilled();
        QComboBox::showPopup();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        ensureFilled();
        QComboBox::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        ensureFilled();
        QComboBox::wheelEvent(event);
    }

private:
    std::function<const QStringList&()> m_names;
    bool m_filled = false;
};
