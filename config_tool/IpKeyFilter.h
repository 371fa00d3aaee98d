#pragma once

#include <QObject>

class QLineEdit;

namespace vorenta {

/// `EditIPInicialKeyPress`, the key filter of both address edits: only backspace, "." and the
/// digits pass. Every other character is discarded without a message. Keys that move or delete
/// without typing a digit (arrows, Home, Delete, Tab) pass, and so does Enter. Copy and cut work
/// as anywhere; a paste (Ctrl+V, Shift+Insert, the context menu's "Colar") inserts the digits and
/// dots of the clipboard's text, so "IP: 10.0.0.1" copied from a mail arrives as 10.0.0.1.
class EditIPInicialKeyPress final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// True when a key with this text and these modifiers may reach the edit.
    static bool accepts(int key, const QString& text, Qt::KeyboardModifiers modifiers);

    /// The part of `text` a paste inserts: its digits and dots.
    static QString pastable(const QString& text);

    /// Inserts the pastable part of the clipboard's text at the cursor (within the length limit).
    static void pasteInto(QLineEdit* edit);

    /// Installs the filter on `edit`, gives it the Portuguese context menu whose "Colar" pastes
    /// as above, and closes drops.
    static void attachTo(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vorenta
