#include "app/toolkitlanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
// The German catalogue, loaded once and kept for the whole run; nullptr when it could not
// be loaded (package not installed), in which case the toolkit stays English.
QTranslator* germanCatalogue()
{
    static QTranslator* catalogue = [] {
        auto* t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            qWarning("Rostelmark: the toolkit's German translation (qtbase_de.qm) is missing; "
                     "standard buttons stay English");
            delete t;
            return static_cast<QTranslator*>(nullptr);
        }
        return t;
    }();
    return catalogue;
}
} // namespace

void ApplyToolkitLanguage(int language)
{
    if (!QCoreApplication::instance())
        return;
    QTranslator* german = germanCatalogue();
    if (!german)
        return;
    // Installing or removing a catalogue sends every widget a language change, so it
    // happens only when the choice changes.
    static bool installed = false;
    const bool want = language == 0;
    if (want == installed)
        return;
    installed = want;
    if (want)
        QCoreApplication::installTranslator(german);
    else
        QCoreApplication::removeTranslator(german);
}
