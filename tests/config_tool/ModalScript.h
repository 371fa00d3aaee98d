#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

namespace vorenta::test {

/// What a message box showed before the script answered it.
struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

/// Answers the modal dialogs a GUI action opens, in order, from inside their own event loops:
/// each step gets the next new modal widget. Steps left over at the end mean a dialog never came.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript();
    ~ModalScript();

    /// Handles the next modal widget with `step`.
    ModalScript& then(Step step);
    /// Records the next modal message box and presses `button` on it.
    ModalScript& answer(QMessageBox::StandardButton button);

    /// Steps not run yet.
    int pending() const { return static_cast<int>(m_steps.size()); }
    /// Every message box answered through answer(), in order.
    const QList<SeenMessage>& messages() const { return m_messages; }

private:
    void poll();

    QTimer m_timer;
    QList<Step> m_steps;
    QPointer<QWidget> m_lastHandled;
    QList<SeenMessage> m_messages;
};

/// A TCP port on 127.0.0.1 that nothing listens on (taken from the system and released).
quint16 UnusedLoopbackPort();

} // namespace vorenta::test
