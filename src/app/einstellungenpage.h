#pragma once
// The "Einstellungen" page: the plan settings of the roster (colours, fonts, headings,
// switches, margin) and the holiday list. The day plan's heading and its absence switch
// live on the day view's page. Controls write into the roster's settings as
// soon as they change; the window decides what is saved when.

#include "core/plansettings.h"

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TTesselColorComboBox;

class TEinstellungenPage : public QWidget {
    Q_OBJECT
public:
    TEinstellungenPage(TPlanSettings& settings, QWidget* parent = nullptr);

    // Shows the values of the settings (after a file was read), without raising handlers.
    void ShowSettings();
    // Takes the values the controls show into the settings (after the window translation
    // changed the headings, as the controls are where the settings live).
    void ReadControls() { readControls(); }
    // The settings as they were before the last change made through a control (for the
    // undo step of that change).
    const TPlanSettings& SettingsBefore() const { return m_before; }

    TTesselColorComboBox* TesselColorComboBox1;
    TTesselColorComboBox* TesselColorComboBox2;
    TTesselColorComboBox* TesselColorComboBox3;
    QPushButton* FontBtn;
    QPushButton* Font2Btn;
    QPushButton* Font3Btn;
    QLineEdit* CaptionEd;
    QCheckBox* LegendeCheck;
    QCheckBox* ShowSumCheck;
    QCheckBox* ShowAnwCheck;
    QCheckBox* DoubleRowHeightCheck;
    QCheckBox* AddFreeLinesCheck;
    QCheckBox* SecondLinesareDarkerCheck;
    QCheckBox* StundenSumCheck;
    QCheckBox* PrintActualDateCheck;
    QCheckBox* ShowKalenderwocheCheck;
    QCheckBox* ShowAbteilungCheck;
    QDoubleSpinBox* RandBreitEd;
    QListWidget* FeiertageList;

Q_SIGNALS:
    // One of the three colour pickers changed (1 … 3); the value is already in the settings.
    void colorChanged(int which);
    // One of the three font buttons was pressed (1 … 3).
    void fontButtonClicked(int which);
    // A holiday was switched on or off; the flag is already in the settings.
    void feiertageChanged();
    // A switch or heading that only affects drawing changed.
    void displayChanged();

private:
    void readControls();
    QCheckBox* addCheck(const char* name, const char* caption);
    // Remembers the settings before a control's change is read into them.
    void readChange()
    {
        m_before = m_settings;
        readControls();
    }
    TPlanSettings& m_settings;
    TPlanSettings m_before;
    bool m_showing = false;
};
