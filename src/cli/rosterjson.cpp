#include "rosterjson.h"

#include "core/roster.h"

#include <charconv>
#include <cmath>
#include <cstdint>

QByteArray JsonDouble(double v)
{
    if (std::isnan(v))
        return QByteArrayLiteral("\"NaN\"");
    if (std::isinf(v))
        return v > 0 ? QByteArrayLiteral("\"Infinity\"") : QByteArrayLiteral("\"-Infinity\"");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    QByteArray out(buf, res.ptr - buf);
    if (!out.contains('.') && !out.contains('e'))
        out += ".0";
    return out;
}

namespace {

QByteArray jsonString(const QString& s)
{
    QByteArray out = "\"";
    for (const char c : s.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(u, 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}

QByteArray jsonBool(bool b)
{
    return b ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

QByteArray jsonInt(std::int64_t v)
{
    return QByteArray::number(static_cast<qlonglong>(v));
}

// Non-zero months only, keyed "YYYY-MM", in calendar order.
QByteArray monthTable(const TMonatsTabelle& t)
{
    QByteArray out = "{";
    bool first = true;
    for (int jahr = TMonatsTabelle::kFirstYear; jahr <= TMonatsTabelle::kLastYear; ++jahr) {
        for (int monat = 1; monat <= 12; ++monat) {
            const double v = t.Get(jahr, monat);
            if (v == 0)
                continue;
            if (!first)
                out += ", ";
            first = false;
            out += '"' + QByteArray::number(jahr) + '-' + QByteArray::number(monat).rightJustified(2, '0')
                + "\": " + JsonDouble(v);
        }
    }
    return out + '}';
}

QByteArray fontRecord(const TFontRec& f)
{
    return "{\"charset\": " + jsonInt(f.charset) + ", \"color\": " + jsonInt(f.color)
        + ", \"name\": " + jsonString(f.name) + ", \"pitch\": " + jsonInt(f.pitch) + ", \"ppi\": " + jsonInt(f.ppi)
        + ", \"size\": " + jsonInt(f.size) + ", \"style\": " + jsonInt(f.style) + '}';
}

QByteArray person(const TPerson& p)
{
    QByteArray out = "    {\"name\": " + jsonString(p.name) + ", \"persnr\": " + jsonString(p.persnr)
        + ", \"abteilung\": " + jsonString(p.abteilung) + ",\n     \"eingestellt\": " + JsonDouble(p.eingestellt)
        + ", \"entlassen\": " + JsonDouble(p.entlassen) + ", \"istentlassen\": " + jsonBool(p.istentlassen)
        + ",\n     \"maxstunden\": " + JsonDouble(p.maxstunden)
        + ", \"startueberstunden\": " + JsonDouble(p.startueberstunden) + ",\n     \"entries\": [";
    for (int i = 0; i < p.eintraege.Count(); ++i) {
        const TEintrag& e = p.eintraege[i];
        if (i > 0)
            out += ", ";
        out += "{\"datum\": " + JsonDouble(e.datum) + ", \"dienst\": " + jsonInt(e.dienst)
            + ", \"ueberstunden\": " + JsonDouble(e.ueberstunden) + '}';
    }
    out += "],\n     \"soll\": " + monthTable(p.soll) + ", \"vortrag\": " + monthTable(p.vortrag)
        + ", \"iststunden\": " + monthTable(p.iststunden) + ", \"uebertrag\": " + monthTable(p.uebertrag) + '}';
    return out;
}

} // namespace

QByteArray RosterJson(const TRoster& roster)
{
    QByteArray out = "{\n  \"persons\": [";
    for (int i = 0; i < roster.personen.Count(); ++i)
        out += (i > 0 ? ",\n" : "\n") + person(roster.personen[i]);
    out += roster.personen.Count() > 0 ? "\n  ],\n" : "],\n";

    out += "  \"duties\": [";
    for (int i = 0; i < roster.dienste.Count(); ++i) {
        const TDienst& d = roster.dienste[i];
        out += (i > 0 ? ",\n" : "\n");
        out += "    {\"name\": " + jsonString(d.name) + ", \"kuerzel\": " + jsonString(d.kuerzel)
            + ", \"farbe\": " + jsonInt(static_cast<std::int32_t>(d.farbe)) + ", \"abwesend\": " + jsonBool(d.abwesend)
            + ", \"stunden\": " + JsonDouble(d.stunden) + '}';
    }
    out += roster.dienste.Count() > 0 ? "\n  ],\n" : "],\n";

    const TPlanSettings& s = roster.settings;
    out += "  \"settings\": {\n    \"colors\": [" + jsonInt(static_cast<std::int32_t>(s.TesselColorComboBox1)) + ", "
        + jsonInt(static_cast<std::int32_t>(s.TesselColorComboBox2)) + ", "
        + jsonInt(static_cast<std::int32_t>(s.TesselColorComboBox3)) + "],\n    \"fonts\": ["
        + fontRecord(s.FontDialog1) + ",\n              " + fontRecord(s.FontDialog2) + ",\n              "
        + fontRecord(s.FontDialog3) + "],\n    \"holidays\": [";
    for (int i = 0; i < kFeiertagCount; ++i)
        out += (i > 0 ? ", " : "") + jsonBool(s.FeiertageList[i]);
    out += "],\n    \"caption\": " + jsonString(s.CaptionEd) + ", \"caption2\": " + jsonString(s.Capt2Ed)
        + ",\n    \"legend\": " + jsonBool(s.LegendeCheck) + ", \"showSum\": " + jsonBool(s.ShowSumCheck)
        + ", \"showAnw\": " + jsonBool(s.ShowAnwCheck) + ", \"language\": " + jsonInt(s.languagesetto)
        + ",\n    \"doubleRowHeight\": " + jsonBool(s.DoubleRowHeightCheck) + ", \"addFreeLines\": "
        + jsonBool(s.AddFreeLinesCheck) + ", \"secondLinesDarker\": " + jsonBool(s.SecondLinesareDarkerCheck)
        + ",\n    \"margin\": " + JsonDouble(s.RandBreitEd)
        + "\n  },\n  \"rules\": " + SerializePlanRules(roster.regeln).trimmed().replace('\n', "\n  ") + "\n}\n";
    return out;
}
