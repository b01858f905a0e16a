#include "output/exportresult.h"

#include "i18n/messagetable.h"
#include "i18n/translate.h"

#include <QDir>

QString ExportErrorText(const TExportResult& result, const QString& fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    switch (result.status) {
    case TExportStatus::Ok:
        return {};
    case TExportStatus::CannotCreate:
        return GetMessageText(31);
    case TExportStatus::WriteFailed: {
        QString text = TranslateText(QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden:"))
            + QLatin1Char(' ') + name;
        if (!result.detail.isEmpty())
            text += QStringLiteral(" (") + result.detail + QLatin1Char(')');
        return text + QLatin1Char('\n')
            + TranslateText(QStringLiteral("Eine vorhandene Datei dieses Namens ist unverändert."));
    }
    case TExportStatus::BadPage:
        return TranslateText(QStringLiteral("Der Drucker meldet keine gültige Seitengröße."));
    }
    return {};
}
