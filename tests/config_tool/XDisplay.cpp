#include "XDisplay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QProcessEnvironment>
#include <QScreen>
#include <QThread>

#include <stdexcept>

namespace vorenta::test {

namespace {

std::unique_ptr<XDisplay>& instance()
{
    static std::unique_ptr<XDisplay> display;
    return display;
}

QProcessEnvironment displayEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), XDisplay::shared().name());
    return environment;
}

} // namespace

void XDisplay::startShared(bool start)
{
    instance() = std::make_unique<XDisplay>();
    XDisplay& display = *instance();
    if (!start) {
        display.m_failure = QStringLiteral("not started");
        return;
    }
    // -displayfd: the server picks a free display number and writes it to its standard output.
    display.m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                    QStringLiteral("-screen"), QStringLiteral("0"),
                                                    QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                                    QStringLiteral("tcp")});
    if (!display.m_server.waitForStarted(10000)) {
        display.m_failure = QStringLiteral("Xvfb (Debian package xvfb) cannot be started");
        return;
    }
    QDeadlineTimer deadline(std::chrono::seconds(30));
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired() && display.m_server.state() == QProcess::Running) {
        display.m_server.waitForReadyRead(200);
        out += display.m_server.readAllStandardOutput();
    }
    if (!out.contains('\n')) {
        display.m_failure = QStringLiteral("Xvfb did not report its display within 30 s: ") +
                            QString::fromUtf8(display.m_server.readAllStandardError());
        display.m_server.kill();
        display.m_server.waitForFinished();
        return;
    }
    display.m_name = u':' + QString::fromUtf8(out.trimmed());
}

void XDisplay::stopShared()
{
    if (instance() && instance()->m_server.state() != QProcess::NotRunning) {
        instance()->m_server.terminate();
        if (!instance()->m_server.waitForFinished(5000))
            instance()->m_server.kill();
        instance()->m_server.waitForFinished();
    }
}

XDisplay& XDisplay::shared()
{
    return *instance();
}

namespace Xdo {

QString run(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.setProcessEnvironment(displayEnvironment());
    xdotool.start(QStringLiteral("xdotool"), arguments);
    // This process owns the clipboard a paste asks for: it must answer while xdotool types.
    QDeadlineTimer deadline(std::chrono::seconds(20));
    while (xdotool.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        xdotool.waitForFinished(10);
    }
    if (xdotool.state() != QProcess::NotRunning || xdotool.exitStatus() != QProcess::NormalExit ||
        xdotool.exitCode() != 0) {
        xdotool.kill();
        throw std::runtime_error("xdotool " + arguments.join(u' ').toStdString() + " failed: " +
                                 xdotool.readAllStandardError().toStdString());
    }
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

namespace {

QStringList windowsNamed(const QString& title)
{
    QProcess xdotool;
    xdotool.setProcessEnvironment(displayEnvironment());
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   u'^' + QRegularExpression::escape(title) + u'$'});
    xdotool.waitForFinished(20000);
    // Exit code 1 means nothing found.
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

std::optional<QString> waitForWindow(const QString& title, std::chrono::milliseconds within)
{
    QDeadlineTimer deadline(within);
    do {
        const QStringList found = windowsNamed(title);
        if (!found.isEmpty())
            return found.first();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

bool waitForNoWindow(const QString& title, std::chrono::milliseconds within)
{
    QDeadlineTimer deadline(within);
    do {
        if (windowsNamed(title).isEmpty())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    } while (!deadline.hasExpired());
    return false;
}

void focus(const QString& window)
{
    run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
}

void type(const QString& text)
{
    run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

void key(const QString& keys)
{
    run({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys});
}

void click(const QString& window, int x, int y, int button)
{
    run({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"), window,
         QString::number(x), QString::number(y)});
    run({QStringLiteral("click"), QString::number(button)});
}

QRect geometry(const QString& window)
{
    // "X=..\nY=..\nWIDTH=..\nHEIGHT=.." with --shell
    const QStringList lines =
        run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(u'\n');
    QRect area;
    for (const QString& line : lines) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QStringLiteral("X=")))
            area.moveLeft(value.toInt());
        else if (line.startsWith(QStringLiteral("Y=")))
            area.moveTop(value.toInt());
        else if (line.startsWith(QStringLiteral("WIDTH=")))
            area.setWidth(value.toInt());
        else if (line.startsWith(QStringLiteral("HEIGHT=")))
            area.setHeight(value.toInt());
    }
    return area;
}

} // namespace Xdo

QImage GrabScreen(const QRect& area)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = area.isNull() ? screen->grabWindow(0)
                                       : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.toImage();
}

ToolProgram::ToolProgram(const QString& folder)
{
    QProcessEnvironment environment = displayEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(VORENTA_CONFIG_PROGRAM), {QStringLiteral("--home"), folder});
    m_process.waitForStarted(10000);
}

ToolProgram::~ToolProgram()
{
    stop();
}

void ToolProgram::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished();
}

} // namespace vorenta::test
