#include "IpKeyFilter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QLineEdit>

namespace vorenta {

bool EditIPInicialKeyPress::accepts(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    // Tab moves the focus before any character is typed, as in every dialog; Enter adds.
    if (key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return ||
        key == Qt::Key_Enter)
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

QString EditIPInicialKeyPress::pastable(const QString& text)
{
    QString kept;
    for (QChar c : text) {
        if (c == u'.' || (c >= u'0' && c <= u'9'))
            kept.append(c);
    }
    return kept;
}

void EditIPInicialKeyPress::pasteInto(QLineEdit* edit)
{
    if (edit->isReadOnly())
        return;
    edit->insert(pastable(QGuiApplication::clipboard()->text()));
}

void EditIPInicialKeyPress::attachTo(QLineEdit* edit)
{
    auto* filter = new EditIPInicialKeyPress(edit);
    edit->installEventFilter(filter);
    edit->setAcceptDrops(false);
    // Qt's own menu would paste the clipboard as it is, and speaks English.
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(edit, &QWidget::customContextMenuRequested, edit, [edit](const QPoint& at) {
        auto* menu = new QMenu(edit);
        menu->setObjectName(QStringLiteral("MenuEdicao"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const bool selected = edit->hasSelectedText();
        QAction* cut = menu->addAction(QStringLiteral("&Recortar"), edit, &QLineEdit::cut);
        cut->setEnabled(selected);
        QAction* copy = menu->addAction(QStringLiteral("&Copiar"), edit, &QLineEdit::copy);
        copy->setEnabled(selected);
        QAction* paste = menu->addAction(QStringLiteral("Co&lar"), edit, [edit] { pasteInto(edit); });
        paste->setObjectName(QStringLiteral("Colar"));
        paste->setEnabled(!pastable(QGuiApplication::clipboard()->text()).isEmpty());
        menu->addSeparator();
        menu->addAction(QStringLiteral("Selecionar &tudo"), edit, &QLineEdit::selectAll);
        menu->popup(edit->mapToGlobal(at));
    });
}

bool EditIPInicialKeyPress::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            pasteInto(static_cast<QLineEdit*>(watched));
            return true;
        }
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
            key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Undo) ||
            key->matches(QKeySequence::Redo))
            return false;
        return !accepts(key->key(), key->text(), key->modifiers());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vorenta
