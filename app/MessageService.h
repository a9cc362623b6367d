#pragma once

#include <QString>

class QWidget;

enum class MessageKind { Warning, Error, Information, Confirmation };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// Shows one message and returns the user's answer. The program presents
// messages as modal boxes; tests put a recorder in its place.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual MessageAnswer present(QWidget* parent, MessageKind kind, MessageButtons buttons,
                                  const QString& text) = 0;
};

// A modal QMessageBox with the window's icon for the kind.
class ModalMessagePresenter : public MessagePresenter {
public:
    MessageAnswer present(QWidget* parent, MessageKind kind, MessageButtons buttons,
                          const QString& text) override;
};

// The main window's message box (named msgMain there): every message of the
// program goes through it. (Not called MessageBox: Windows headers define that.)
class MessageService {
public:
    MessageService(MessagePresenter& presenter, QWidget* parent)
        : m_presenter(presenter), m_parent(parent) {}

    MessageAnswer show(MessageKind kind, MessageButtons buttons, const QString& text) {
        return m_presenter.present(m_parent, kind, buttons, text);
    }
    MessageAnswer information(const QString& text) {
        return show(MessageKind::Information, MessageButtons::Ok, text);
    }
    MessageAnswer error(const QString& text) {
        return show(MessageKind::Error, MessageButtons::Ok, text);
    }

private:
    MessagePresenter& m_presenter;
    QWidget* m_parent;
};
