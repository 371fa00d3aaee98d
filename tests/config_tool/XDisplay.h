#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace vorenta::test {

/// An Xvfb server on a display number of its own (-displayfd), for the whole test program.
class XDisplay {
public:
    /// Starts the server when `start`; otherwise the display stays absent.
    static void startShared(bool start = true);
    static void stopShared();
    static XDisplay& shared();

    bool running() const { return !m_name.isEmpty(); }
    /// ":N", for DISPLAY.
    const QString& name() const { return m_name; }
    /// Why the server is not running.
    const QString& failure() const { return m_failure; }

private:
    QProcess m_server;
    QString m_name;
    QString m_failure;
};

/// xdotool on the shared display: real key and button events through XTEST, as from a keyboard.
namespace Xdo {
/// Runs xdotool with `arguments`; its standard output. Throws std::runtime_error when it fails.
QString run(const QStringList& arguments);
/// The first visible window whose title is exactly `title`, waited for until `within` passes.
std::optional<QString> waitForWindow(const QString& title, std::chrono::milliseconds within);
/// True when no visible window has the title `title` any more, waited for until `within` passes.
bool waitForNoWindow(const QString& title, std::chrono::milliseconds within);
/// Gives the keyboard focus to the window (no window manager runs: the focus is set directly).
void focus(const QString& window);
/// Types `text` into the focused widget, key by key.
void type(const QString& text);
/// Presses a key or a chord ("Return", "ctrl+v", "alt+s").
void key(const QString& keys);
/// Moves the pointer to `x`,`y` inside `window` and clicks `button` (1 left, 3 right).
void click(const QString& window, int x, int y, int button = 1);
/// Where the window lies on the screen.
QRect geometry(const QString& window);
} // namespace Xdo

/// The screen as the display shows it now, cut to `area` when given.
QImage GrabScreen(const QRect& area = QRect());

/// ConfigVorenta --home `folder` on the shared display, ended when this object goes.
class ToolProgram {
public:
    explicit ToolProgram(const QString& folder);
    ~ToolProgram();
    /// Ends the program now.
    void stop();
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    QString standardError() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

} // namespace vorenta::test
