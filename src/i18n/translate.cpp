#include "i18n/translate.h"

QString TranslateText(const QString& text)
{
    return text;
}
