#include "core/plansettings.h"

#include <cmath>

namespace {
TFontRec makeFont(const char* face, std::int32_t points, std::uint8_t style, std::uint8_t charset)
{
    TFontRec f;
    f.charset = charset;
    f.color = 0;
    f.name = QString::fromLatin1(face);
    f.pitch = 0;
    f.ppi = 96;
    f.size = points;
    f.style = style;
    return f;
}
} // namespace

int TFontRec::PixelHeight() const
{
    if (ppi <= 0 || size <= 0)
        return 1;
    // MulDiv(size, ppi, 72) rounds half away from zero.
    return static_cast<int>((static_cast<std::int64_t>(size) * ppi + 36) / 72);
}

QFont TFontRec::ToQFont(int dpi, double zoom) const
{
    QFont f(name);
    const double px = PixelHeight() * (dpi / 96.0) * zoom;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    f.setBold(style & Bold);
    f.setItalic(style & Italic);
    f.setUnderline(style & Underline);
    f.setStrikeOut(style & StrikeOut);
    if (pitch == 2)
        f.setFixedPitch(true);
    return f;
}

TFontRec TFontRec::FromQFont(const QFont& font, std::uint8_t charset, std::int32_t color)
{
    TFontRec r;
    r.charset = charset;
    r.color = color;
    r.name = font.family();
    r.pitch = font.fixedPitch() ? 2 : 0;
    r.ppi = 96;
    if (font.pixelSize() > 0)
        r.size = static_cast<std::int32_t>((static_cast<std::int64_t>(font.pixelSize()) * 72 + 48) / 96);
    else
        r.size = static_cast<std::int32_t>(std::lround(font.pointSizeF()));
    if (r.size < 1)
        r.size = 1;
    r.style = (font.bold() ? Bold : 0) | (font.italic() ? Italic : 0) | (font.underline() ? Underline : 0)
        | (font.strikeOut() ? StrikeOut : 0);
    return r;
}

// 19, 11 and 13 pixels at 96 dpi are 14, 8 and 10 points.
TFontRec TPlanSettings::DefaultHeadingFont()
{
    return makeFont("Arial", 14, TFontRec::Bold, 0);
}

TFontRec TPlanSettings::DefaultEntriesFont()
{
    return makeFont("Arial Narrow", 8, 0, 0);
}

TFontRec TPlanSettings::DefaultDayLineFont()
{
    return makeFont("Arial", 10, TFontRec::Bold, 178);
}

std::array<bool, kFeiertagCount> TPlanSettings::DefaultFeiertage()
{
    std::array<bool, kFeiertagCount> a{};
    for (int i = 0; i < kFeiertagCount; ++i)
        a[i] = i < 27;
    return a;
}

const std::array<PlanSettingPlace, 22> kPlanSettingPlaces = {{
    {"TesselColorComboBox1", SettingPlace::PersonFile},
    {"TesselColorComboBox2", SettingPlace::PersonFile},
    {"TesselColorComboBox3", SettingPlace::PersonFile},
    {"FontDialog1", SettingPlace::PersonFile},
    {"FontDialog2", SettingPlace::PersonFile},
    {"FontDialog3", SettingPlace::PersonFile},
    {"FeiertageList", SettingPlace::PersonFile},
    {"CaptionEd", SettingPlace::PersonFile},
    {"Capt2Ed", SettingPlace::PersonFile},
    {"LegendeCheck", SettingPlace::PersonFile},
    {"ShowSumCheck", SettingPlace::PersonFile},
    {"ShowAnwCheck", SettingPlace::PersonFile},
    {"languagesetto", SettingPlace::PersonFile},
    {"DoubleRowHeightCheck", SettingPlace::PersonFile},
    {"AddFreeLinesCheck", SettingPlace::PersonFile},
    {"SecondLinesareDarkerCheck", SettingPlace::PersonFile},
    {"RandBreitEd", SettingPlace::DutyFileAndUserStore},
    {"CountNoDienstCheck", SettingPlace::UserStore},
    {"StundenSumCheck", SettingPlace::UserStore},
    {"PrintActualDateCheck", SettingPlace::UserStore},
    {"ShowKalenderwocheCheck", SettingPlace::UserStore},
    {"ShowAbteilungCheck", SettingPlace::UserStore},
}};

const std::array<const char*, kFeiertagCount> kFeiertagNames = {
    "Neujahr",
    "Heilige drei Könige",
    "Valentinstag",
    "Aschermittwoch",
    "Karfreitag",
    "Karsamstag",
    "Ostersonntag",
    "Ostermontag",
    "Maifeiertag",
    "Muttertag",
    "Christi Himmelfahrt",
    "Pfingstsonntag",
    "Pfingstmontag",
    "Fronleichnam",
    "Maria Himmelfahrt",
    "Tag der Deutschen Einheit",
    "Reformationstag",
    "Allerheiligen",
    "Allerseelen",
    "Buß- u. Bettag",
    "Totensonntag",
    "Nikolaus",
    "Advent",
    "Heilig Abend",
    "Weihnachten",
    "Fasching",
    "Silvester",
    "Nationalfeiertag Österreich",
    "Maria Empfängis",
};
