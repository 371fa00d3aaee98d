#include "ModalScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTcpServer>

#include <stdexcept>

namespace vorenta::test {

ModalScript::ModalScript()
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

ModalScript::~ModalScript()
{
    m_timer.stop();
}

ModalScript& ModalScript::then(Step step)
{
    m_steps.append(std::move(step));
    return *this;
}

ModalScript& ModalScript::answer(QMessageBox::StandardButton button)
{
    return then([this, button](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box) {
            widget->close(); // not the expected box: end it, the test's assertions will tell
            return;
        }
        m_messages.append({box->windowTitle(), box->text(), box->icon()});
        if (QAbstractButton* pressed = box->button(button))
            pressed->click();
        else
            box->close();
    });
}

void ModalScript::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_lastHandled.data() || m_steps.isEmpty())
        return;
    m_lastHandled = modal;
    // Run the step outside the timer's slot: a timer does not fire again while its slot runs,
    // and a step may open the next modal dialog (a message box over the login).
    QPointer<QWidget> target = modal;
    QMetaObject::invokeMethod(
        &m_timer,
        [step = m_steps.takeFirst(), target] {
            if (target)
                step(target);
        },
        Qt::QueuedConnection);
}

quint16 UnusedLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(QHostAddress::LocalHost), 0))
        throw std::runtime_error("no free loopback port");
    return probe.serverPort();
}

} // namespace vorenta::test
