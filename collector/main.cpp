// VorentaServer: the printer and copier fleet collector.
#include "collector/service/CollectorProgram.h"
#include "collector/service/CommandLine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QString error;
    const auto command = vorenta::ParseCommandLine(application.arguments().mid(1), &error);
    if (!command) {
        std::fprintf(stderr, "VorentaServer: %s\n%s", qPrintable(error), qPrintable(vorenta::UsageText()));
        return 2;
    }
    return vorenta::RunCollector(*command);
}
