#include "output/exportresult.h"

#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "output/safefile.h"

#include <QDir>

#include <cerrno>

namespace {
// The reason as the user reads it: the refused link and the odd file kinds in words of
// this program, everything else as the system says it.
QString reasonText(const TExportResult& result)
{
    if (result.error == ELOOP)
        return TranslateText(QStringLiteral("Die Datei ist eine Verknüpfung, die ein anderer Benutzer angelegt haben "
                                            "kann; sie wird nicht überschrieben."));
    if (result.error == kErrNotRegularFile)
        return TranslateText(QStringLiteral("Das Ziel ist keine gewöhnliche Datei."));
    return result.detail.isEmpty() && result.error != 0 ? SystemReason(result.error) : result.detail;
}
} // namespace

TExportResult ExportFailure(TExportStatus status, int error)
{
    TExportResult result;
    result.status = status;
    result.error = error;
    result.detail = SystemReason(error);
    return result;
}

QString ExportErrorText(const TExportResult& result, const QString& fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    const QString reason = reasonText(result);
    switch (result.status) {
    case TExportStatus::Ok:
        return {};
    case TExportStatus::CannotCreate:
        if (reason.isEmpty())
            return GetMessageText(31);
        return TranslateText(QStringLiteral("Die Datei kann nicht geschrieben werden:")) + QLatin1Char(' ') + name
            + QLatin1Char('\n') + reason;
    case TExportStatus::WriteFailed: {
        QString text = TranslateText(QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden:"))
            + QLatin1Char(' ') + name;
        if (!reason.isEmpty())
            text += QStringLiteral(" (") + reason + QLatin1Char(')');
        return text + QLatin1Char('\n')
            + TranslateText(QStringLiteral("Eine vorhandene Datei dieses Namens ist unverändert."));
    }
    case TExportStatus::BadPage:
        return TranslateText(QStringLiteral("Der Drucker meldet keine gültige Seitengröße."));
    }
    return {};
}
