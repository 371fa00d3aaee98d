#pragma once

#include <QObject>

class QLineEdit;

namespace vorenta {

/// `EditIPInicialKeyPress`, the key filter of both address edits: only backspace, "." and the
/// digits pass. Every other character is discarded without a message, control characters
/// included, so the clipboard shortcuts do nothing there. Keys that move or delete without
/// typing a digit (arrows, Home, Delete, Tab) pass.
class EditIPInicialKeyPress final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// True when a key with this text and these modifiers may reach the edit.
    static bool accepts(int key, const QString& text, Qt::KeyboardModifiers modifiers);

    /// Installs the filter on `edit` and closes the edit's other ways in: its context menu
    /// (Paste) and drops.
    static void attachTo(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vorenta
