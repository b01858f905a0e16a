#include "i18n/messagetable.h"

#include "i18n/translate.h"

namespace {
const char* const kWebAddress = "https://www.quorvex.example/rostelmark";

// UTF-8 source texts, index = message number.
const char* const kMessages[kMessageCount + 1] = {
    "", // 0: not a message
    "Bitte starten Sie das Programm neu, damit die Sprache aktiviert werden kann.",
    "Übersetzung",
    "",
    "",
    "Mo",
    "Di",
    "Mi",
    "Do",
    "Fr",
    "Sa",
    "So",
    kWebAddress,
    "Mustermann",
    "Urlaub",
    "U",
    "Wollen Sie diese Person entgültig löschen?",
    "Person löschen",
    "Leerer Eintrag",
    "Wollen Sie diesen Dienst entgültig löschen?",
    "Dienst löschen",
    "Anwesenheit",
    "Std.",
    "Seite",
    "von",
    "Monatsplan",
    "Tagesplan",
    "Dienst Statistik",
    "Statistik",
    "Dienst Statistik",
    "Ein anderer Nutzer will gerade die Daten verändern. Sie müssen warten bis die Änderung "
    "abgeschlossen wurde. Wenn Sie trotzdem den Bearbeitungsvorgang fortsetzen wollen, klicken Sie "
    "auf \"NEIN\".",
    "Die Datei konnte nicht zum Schreiben geöffnet werden. Ist diese vielleicht noch geöffnet?",
    "",
    "",
    "Neujahr",
    "Heilige drei Könige",
    "Valentins~tag",
    "Ascher~mittwoch",
    "Karfrei~tag",
    "Karsams~tag",
    "Oster~sonntag",
    "Oster~montag",
    "Maifeiertag",
    "Muttertag",
    "Christi Himmelfahrt",
    "Pfingst~sonntag",
    "Pfingst~montag",
    "Fron~leichnam",
    "Maria Himmelfahrt",
    "Tag der Deutschen Einheit",
    "Reforma~tionstag",
    "Aller~heiligen",
    "Aller~seelen",
    "Buß- u. Bettag",
    "Toten~sonntag",
    "Nikolaus",
    "1. Advent",
    "2. Advent",
    "3. Advent",
    "4. Advent",
    "Heilig Abend",
    "1. Weih~nachtstag",
    "2. Weih~nachtstag",
    "Faschings Dienstag",
    "Silvester",
    "",
    kWebAddress,
    "Vort",
    "Soll",
    "Ist",
    "Utrg",
    "=",
    "Alle Eintragungen des aktuellen Monats gehen verloren und werden durch die Eintragungen des "
    "letzten Monats ersetzt. Fortfahren?",
    "Einträge übernehmen",
    "Januar",
    "Februar",
    "März",
    "April",
    "Mai",
    "Juni",
    "Juli",
    "August",
    "September",
    "Oktober",
    "November",
    "Dezember",
};
} // namespace

QString MessageGerman(int n)
{
    if (n < 1 || n > kMessageCount)
        return {};
    return QString::fromUtf8(kMessages[n]);
}

QString GetMessageText(int n)
{
    if (n < 1 || n > kMessageCount)
        return {};
    return TranslateText(MessageGerman(n));
}

void RegisterMessages()
{
    BeginTranslationBatch();
    for (int n = 1; n <= kMessageCount; ++n)
        TranslateText(MessageGerman(n));
    EndTranslationBatch();
}
