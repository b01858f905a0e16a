#pragma once
#include <QString>

// The German text in the current language. Until the translation store is loaded every
// text is returned unchanged.
QString TranslateText(const QString& text);
