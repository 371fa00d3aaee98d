#include "IpKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace vorenta {

bool EditIPInicialKeyPress::accepts(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    // Tab moves the focus before any character is typed, as in every dialog.
    if (key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return true;
    // Ctrl+V and friends may come without text on some platforms: judge them by the modifier.
    if (modifiers & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier))
        return false;
    // Delete edits like backspace. On Linux desktops (xkbcommon) it comes with the text U+007F,
    // which the character test below would refuse; Shift+Delete is the clipboard's cut.
    if (key == Qt::Key_Delete)
        return !(modifiers & Qt::ShiftModifier);
    if (text.isEmpty())
        return key != Qt::Key_Insert; // Shift+Insert pastes
    if (text.size() != 1)
        return false;
    const QChar typed = text.front();
    return typed == u'.' || (typed >= u'0' && typed <= u'9');
}

void EditIPInicialKeyPress::attachTo(QLineEdit* edit)
{
    auto* filter = new EditIPInicialKeyPress(edit);
    edit->installEventFilter(filter);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setAcceptDrops(false);
}

bool EditIPInicialKeyPress::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return !accepts(key->key(), key->text(), key->modifiers());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vorenta
