#pragma once
// Display settings that travel with a roster, under the names of the controls that show
// them. Each carries its default; `kPlanSettingPlaces` says where it is stored.

#include <QFont>
#include <QString>

#include <array>
#include <cstdint>

// A font as the person file stores it: charset, colour, face, pitch, the pixels per inch
// its size refers to, the size in points and the style bits.
struct TFontRec {
    enum Style : std::uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

    std::uint8_t charset = 0;
    std::int32_t color = 0;
    QString name;
    std::uint8_t pitch = 0; // 0 default, 1 variable, 2 fixed
    std::int32_t ppi = 96;
    std::int32_t size = 10; // points
    std::uint8_t style = 0;

    // Height in pixels at `ppi`, rounded as the system rounds (MulDiv).
    int PixelHeight() const;
    // A QFont of this face and style whose pixel size is PixelHeight() scaled to `dpi`.
    QFont ToQFont(int dpi = 96, double zoom = 1.0) const;
    static TFontRec FromQFont(const QFont& font, std::uint8_t charset = 0, std::int32_t color = 0);
    bool operator==(const TFontRec&) const = default;
};

constexpr int kFeiertagCount = 29;

enum class SettingPlace { PersonFile, DutyFile, DutyFileAndUserStore, UserStore };

struct TPlanSettings {
    // colours 0x00BBGGRR
    std::uint32_t TesselColorComboBox1 = 0x9696C4; // normal days
    std::uint32_t TesselColorComboBox2 = 0x808096; // weekends
    std::uint32_t TesselColorComboBox3 = 0xC4C4E4; // holidays
    TFontRec FontDialog1 = DefaultHeadingFont();
    TFontRec FontDialog2 = DefaultEntriesFont();
    TFontRec FontDialog3 = DefaultDayLineFont();
    std::array<bool, kFeiertagCount> FeiertageList = DefaultFeiertage();
    QString CaptionEd = QStringLiteral("Rostelmark");
    QString Capt2Ed = QStringLiteral("Tagesanwesenheit");
    bool LegendeCheck = true;
    bool ShowSumCheck = true;
    bool ShowAnwCheck = false;
    std::int32_t languagesetto = 0;
    bool DoubleRowHeightCheck = true;
    bool AddFreeLinesCheck = false;
    bool SecondLinesareDarkerCheck = false;
    double RandBreitEd = 10.0; // mm, 0 … 30
    bool CountNoDienstCheck = false;
    bool StundenSumCheck = false;
    bool PrintActualDateCheck = true;
    bool ShowKalenderwocheCheck = true;
    bool ShowAbteilungCheck = true;

    static TFontRec DefaultHeadingFont();
    static TFontRec DefaultEntriesFont();
    static TFontRec DefaultDayLineFont();
    static std::array<bool, kFeiertagCount> DefaultFeiertage();
    bool operator==(const TPlanSettings&) const = default;
};

struct PlanSettingPlace {
    const char* control;
    SettingPlace place;
};
extern const std::array<PlanSettingPlace, 22> kPlanSettingPlaces;

// Captions of the 29 holidays of `FeiertageList`, index 0 … 28.
extern const std::array<const char*, kFeiertagCount> kFeiertagNames;

// Colour helpers for the 0x00BBGGRR encoding.
#include <QColor>
inline QColor ColorFromRef(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
inline std::uint32_t ColorToRef(const QColor& c)
{
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) | (std::uint32_t(c.blue()) << 16);
}
