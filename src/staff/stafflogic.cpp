#include "staff/stafflogic.h"

#include "core/ansicodec.h"
#include "i18n/translate.h"

#include <QStringList>

#include <optional>

int GetPersonNr(const TDynaArray<TPerson>& personen, int listnr, int jahr, int monat)
{
    int row = 0;
    for (int i = 0; i < personen.Count(); ++i) {
        if (!IsActiveInMonth(personen[i], jahr, monat))
            continue;
        if (row == listnr)
            return i;
        ++row;
    }
    return -1;
}

void ChooseSortColumn(int clicked, int& sortspalte, bool& sortdir)
{
    if (clicked == sortspalte) {
        sortdir = !sortdir;
    } else {
        sortspalte = clicked;
        sortdir = false;
    }
}

namespace {
// Personnel numbers compare as decimal integers; a text that is not one takes no part.
std::optional<qint64> persnrKey(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || text.isEmpty())
        return std::nullopt;
    return v;
}

int compareOrdinal(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseSensitive);
}

// True when records i and j (i before j) stand in the wrong order.
bool outOfOrder(const TPerson& pi, const TPerson& pj, int spalte, bool ascending)
{
    switch (spalte) {
    case 0:
    case 5: {
        const int c = spalte == 0 ? compareOrdinal(pi.name, pj.name) : compareOrdinal(pi.abteilung, pj.abteilung);
        return ascending ? c > 0 : c < 0;
    }
    case 1:
        return ascending ? pj.eingestellt < pi.eingestellt : pj.eingestellt > pi.eingestellt;
    case 2:
        return ascending ? pj.entlassen < pi.entlassen : pj.entlassen > pi.entlassen;
    case 3:
        return ascending ? pj.maxstunden < pi.maxstunden : pj.maxstunden > pi.maxstunden;
    case 4: {
        const auto ki = persnrKey(pi.persnr);
        const auto kj = persnrKey(pj.persnr);
        if (!ki || !kj)
            return false;
        return ascending ? *ki > *kj : *ki < *kj;
    }
    default:
        return false;
    }
}
} // namespace

void SortierePersonen(TDynaArray<TPerson>& personen, int spalte, bool ascending, std::vector<int>* order)
{
    const int n = personen.Count();
    if (order) {
        order->resize(std::size_t(n));
        for (int i = 0; i < n; ++i)
            (*order)[i] = i;
    }
    const TDynaArray<TPerson>& list = personen;
    for (int i = 0; i + 1 < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (outOfOrder(list[i], list[j], spalte, ascending)) {
                personen.Change(i, j);
                if (order)
                    std::swap((*order)[i], (*order)[j]);
            }
}

void DeleteDienstAndEntries(TRoster& roster, int d)
{
    if (d < 1 || d > roster.dienste.Count())
        return;
    for (TPerson& p : roster.personen) {
        for (int k = p.eintraege.Count() - 1; k >= 0; --k)
            if (p.eintraege[k].dienst == d)
                p.eintraege.Delete(k);
        for (TEintrag& e : p.eintraege)
            if (e.dienst > d)
                --e.dienst;
    }
    roster.dienste.Delete(d - 1);
}

void SwapDienste(TRoster& roster, int a, int b)
{
    if (a < 1 || b < 1 || a > roster.dienste.Count() || b > roster.dienste.Count() || a == b)
        return;
    roster.dienste.Change(b - 1, a - 1);
    for (TPerson& p : roster.personen)
        for (TEintrag& e : p.eintraege) {
            if (e.dienst == a)
                e.dienst = b;
            else if (e.dienst == b)
                e.dienst = a;
        }
}

QList<char32_t> UnstorableCharacters(const QString& text)
{
    QList<char32_t> found;
    for (const char32_t c : text.toUcs4()) {
        const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        const QString one = QString::fromUcs4(&c, 1);
        const bool unmapped = c != U'?' && ToAnsi(one) == "?";
        if ((control || unmapped) && !found.contains(c))
            found << c;
    }
    return found;
}

QString UnstorableTextMessage(const QString& fieldLabel, const QList<char32_t>& characters)
{
    QStringList names;
    for (const char32_t c : characters) {
        const QString code = QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        QString name;
        if (c == U'\t')
            name = TranslateText(QStringLiteral("Tabulator"));
        else if (c == U'\n' || c == 0x85 || c == 0x2028 || c == 0x2029)
            name = TranslateText(QStringLiteral("Zeilenumbruch"));
        else if (c == U'\r')
            name = TranslateText(QStringLiteral("Wagenrücklauf"));
        else if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            name = TranslateText(QStringLiteral("Steuerzeichen"));
        else
            name = QStringLiteral("\u201E") + QString::fromUcs4(&c, 1) + QStringLiteral("\u201C");
        names << name + QStringLiteral(" (U+") + code + QLatin1Char(')');
    }
    return fieldLabel + QLatin1Char('\n')
        + TranslateText(QStringLiteral("Diese Zeichen können in der Datei nicht gespeichert werden:"))
        + QLatin1Char(' ') + names.join(QStringLiteral(", ")) + QStringLiteral("\n\n")
        + TranslateText(QStringLiteral("Bitte entfernen oder ersetzen Sie sie."));
}

QString StorableText(const QString& text)
{
    return FromAnsi(ToAnsi(text));
}
