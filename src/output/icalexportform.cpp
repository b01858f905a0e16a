#include "output/icalexportform.h"

#include "core/roster.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"
#include "output/exportresult.h"
#include "storage/datastore.h"
#include "widgets/controls.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {
QSpinBox* spinEdit(QWidget* parent, const char* name, int lo, int hi)
{
    auto* e = new QSpinBox(parent);
    e->setObjectName(QLatin1String(name));
    e->setRange(lo, hi);
    e->setAlignment(Qt::AlignRight);
    return e;
}
} // namespace

TICalExportForm::TICalExportForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ICalExportForm"));
    setWindowTitle(QStringLiteral("Kalenderdatei exportieren"));
    // The save dialog's filter, translated with the window.
    setProperty(kFileFilterProperty, QStringLiteral("Kalenderdateien (*.ics)"));

    MitarbeiterCombo = new QComboBox(this);
    MitarbeiterCombo->setObjectName(QStringLiteral("MitarbeiterCombo"));
    MitarbeiterCombo->addItem(QStringLiteral("Alle Mitarbeiter"));
    MitarbeiterCombo->setMinimumWidth(220);
    VonMonEd = spinEdit(this, "VonMonEd", 1, 12);
    VonYearEd = spinEdit(this, "VonYearEd", 1, 9999);
    BisMonEd = spinEdit(this, "BisMonEd", 1, 12);
    BisYearEd = spinEdit(this, "BisYearEd", 1, 9999);
    AddOkCancelButtons(this, BitBtn1, BitBtn2);

    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "Label1", "Mitarbeiter:"), 0, 0);
    grid->addWidget(MitarbeiterCombo, 0, 1, 1, 4);
    grid->addWidget(NamedLabel(this, "Label2", "Von Monat:"), 1, 0);
    grid->addWidget(VonMonEd, 1, 1);
    grid->addWidget(NamedLabel(this, "Label3", "Jahr:"), 1, 2);
    grid->addWidget(VonYearEd, 1, 3);
    grid->addWidget(NamedLabel(this, "Label4", "Bis Monat:"), 2, 0);
    grid->addWidget(BisMonEd, 2, 1);
    grid->addWidget(NamedLabel(this, "Label5", "Jahr:"), 2, 2);
    grid->addWidget(BisYearEd, 2, 3);
    grid->addWidget(NamedLabel(this, "Label6", "Eine Datei je Mitarbeiter, wenn alle exportiert werden."), 3, 0, 1, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 4, 0, 1, 5);

    for (QSpinBox* e : {VonMonEd, VonYearEd, BisMonEd, BisYearEd})
        connect(e, &QSpinBox::valueChanged, this, &TICalExportForm::updateOk);
    askTarget = [this](bool all, const QString& suggested) { return chooseTarget(all, suggested); };
}

TICalRange TICalExportForm::range() const
{
    return {VonYearEd->value(), VonMonEd->value(), BisYearEd->value(), BisMonEd->value()};
}

void TICalExportForm::updateOk()
{
    BitBtn1->setEnabled(range().valid());
}

void TICalExportForm::fillPersons(const TDataStore& store)
{
    // Item 0 stays: it carries the window translation of "Alle Mitarbeiter".
    const QString previous = MitarbeiterCombo->currentIndex() > 0 ? MitarbeiterCombo->currentText() : QString();
    const QSignalBlocker quiet(MitarbeiterCombo);
    while (MitarbeiterCombo->count() > 1)
        MitarbeiterCombo->removeItem(MitarbeiterCombo->count() - 1);
    for (const TPerson& p : store.roster.personen)
        MitarbeiterCombo->addItem(p.name);
    const int again = previous.isEmpty() ? -1 : MitarbeiterCombo->findText(previous, Qt::MatchExactly);
    MitarbeiterCombo->setCurrentIndex(again > 0 ? again : 0);
}

QString TICalExportForm::chooseTarget(bool all, const QString& suggested)
{
    const QString start = lastFolder.isEmpty() ? QDir::homePath() : lastFolder;
    QString target;
    if (all) {
        target = QFileDialog::getExistingDirectory(
            this, TranslateText(QStringLiteral("Ordner für die Kalenderdateien wählen")), start);
    } else {
        target = QFileDialog::getSaveFileName(this, TranslateText(QStringLiteral("Kalenderdatei speichern")),
            QDir(start).filePath(suggested), property(kFileFilterProperty).toString());
        if (!target.isEmpty() && QFileInfo(target).suffix().isEmpty())
            target += QStringLiteral(".ics");
    }
    if (!target.isEmpty())
        lastFolder = all ? target : QFileInfo(target).absolutePath();
    return target;
}

void TICalExportForm::Execute(TDataStore& store, int jahr, int monat)
{
    fillPersons(store);
    if (!rangeSet) {
        for (QSpinBox* e : {VonMonEd, BisMonEd})
            e->setValue(monat);
        for (QSpinBox* e : {VonYearEd, BisYearEd})
            e->setValue(jahr);
        rangeSet = true;
    }
    updateOk();
    if (exec() != QDialog::Accepted)
        return;

    const int row = MitarbeiterCombo->currentIndex() - 1; // -1: all
    const bool all = row < 0;
    const QString name = all ? QString() : MitarbeiterCombo->currentText();
    const QString target = askTarget(all, all ? QString() : SafeICalBaseName(name) + QStringLiteral(".ics"));
    if (target.isEmpty())
        return;

    if (!store.canreadnowpersonen())
        return;
    const TRoster& roster = store.roster;
    TICalTexts texts;
    texts.overtimeLabel = TranslateText(texts.overtimeLabel);
    TICalResult result;
    if (all) {
        result = ExportICalAll(roster, range(), target, texts);
    } else {
        // The poll may have reloaded the person file while the dialogs were open.
        int person = row < roster.personen.Count() && roster.personen[row].name == name ? row : -1;
        if (person < 0)
            person = ICalPersonIndex(roster, name);
        result = ExportICalPerson(roster, person, range(), target, texts);
    }
    store.EndWriteMowpersonen();

    switch (result.status) {
    case TICalStatus::Ok: {
        const QString where = all ? target : (result.written.isEmpty() ? target : result.written.constFirst());
        const QString text = TranslateText(QStringLiteral("Geschriebene Kalenderdateien:")) + QLatin1Char(' ')
            + QString::number(result.written.size()) + QLatin1Char('\n') + QDir::toNativeSeparators(where);
        if (tellDone)
            tellDone(text);
        else
            QMessageBox::information(this, QString(), text);
        break;
    }
    case TICalStatus::InvalidRange:
        store.ui.ShowError(TranslateText(QStringLiteral("Der Zeitraum ist ungültig.")));
        break;
    case TICalStatus::NoSuchPerson:
        store.ui.ShowError(
            TranslateText(QStringLiteral("Diesen Mitarbeiter gibt es nicht mehr.")) + QLatin1Char('\n') + name);
        break;
    case TICalStatus::WriteFailed: {
        TExportResult failed;
        failed.status = TExportStatus::CannotCreate;
        failed.error = result.error;
        failed.detail = result.reason;
        QString text = ExportErrorText(failed, result.failedPath);
        if (result.reason.isEmpty() && result.error == 0)
            text += QStringLiteral("\n\n") + QDir::toNativeSeparators(result.failedPath);
        store.ui.ShowError(text);
        break;
    }
    }
}
