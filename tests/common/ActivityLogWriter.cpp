// A second process writing LOG.TXT, for ActivityLogProcessesTest: `activity_log_writer FILE NAME
// COUNT` writes "escritor NAME linha I" for I = 0 .. COUNT-1, one line at a time and, every fourth
// time, three lines in one call, as a collector and the tool do on the same file.
#include "common/ActivityLog.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4)
        return 2;
    vorenta::ActivityLog log(arguments[1]);
    const QString name = arguments[2];
    const int count = arguments[3].toInt();
    auto line = [&](int i) { return QStringLiteral("escritor %1 linha %2").arg(name).arg(i); };
    for (int i = 0; i < count;) {
        if (i % 4 == 3 && i + 3 <= count) {
            log.WriteLines({line(i), line(i + 1), line(i + 2)});
            i += 3;
        } else {
            log.WriteLog(line(i));
            ++i;
        }
    }
    return 0;
}
