#include "FailureReport.h"

#include "common/ActivityLog.h"

#include <QMessageBox>

namespace vorenta {

void ReportFailure(QWidget* parent, LogSink& log, const QString& message)
{
    log.WriteLog(QStringLiteral("Erro: ") + message);
    QMessageBox::critical(parent, QString::fromLatin1(kToolTitle), message);
}

} // namespace vorenta
