// The person and duty dialogs on their own, offscreen: what a fill-and-store gives back,
// the rules edited fields pass through, four-digit years, and the texts OK refuses.
#include "core/format.h"
#include "staff/dienstform.h"
#include "staff/personform.h"
#include "testsupport.h"
#include "widgettestsupport.h"
#include "widgets/colorcombobox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>

namespace {
// Doubles compare bit for bit: 37.125 must not come back as 37.13, nor NaN as anything else.
bool same(double a, double b)
{
    return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b);
}

// A record the dialog did not fill from: every field differs from the test values, so a
// field StoreInto forgets shows up as well as one it changes.
TPerson otherPerson()
{
    TPerson p;
    p.name = QStringLiteral("other");
    p.persnr = QStringLiteral("999");
    p.abteilung = QStringLiteral("other");
    p.eingestellt = 12345.5;
    p.entlassen = 23456.25;
    p.istentlassen = true;
    p.maxstunden = 99;
    p.startueberstunden = 98;
    return p;
}


// Presses OK in `form` and returns the text of the warning box that comes up (closed
// again right away); empty when none came up.
QString pressOkExpectingWarning(QDialog* form, QPushButton* ok)
{
    QString seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&seen, form] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box != form) {
            seen = box->text();
            box->done(QMessageBox::Ok);
        }
    });
    watch.start(10);
    ok->click(); // returns once the box is closed, or at once when OK was accepted
    return seen;
}
} // namespace

class TestStaffForms : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void untouchedPersonFieldsKeepStoredValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("persnr");
        QTest::addColumn<QString>("abteilung");
        QTest::addColumn<double>("eingestellt");
        QTest::addColumn<double>("entlassen");
        QTest::addColumn<bool>("istentlassen");
        QTest::addColumn<double>("maxstunden");
        QTest::addColumn<double>("startueberstunden");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("plain") << QStringLiteral("Meier") << QStringLiteral("42") << QStringLiteral("Pflege")
                               << EncodeDate(2020, 1, 1) << EncodeDate(2024, 3, 1) << true << 160.0 << 0.0;
        QTest::newRow("written by other copies")
            << QStringLiteral("Anna\tB") << QStringLiteral("A-12") << QStringLiteral("Station 3 \x1b")
            << EncodeDate(2019, 5, 2) + 0.25 << -700.5 << false << 1.005 << 37.125;
        QTest::newRow("beyond the fields")
            << QString() << QStringLiteral("０１２") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << -1.0e7 << 5.0e6
            << true << 1.0e12 << nan;
        QTest::newRow("default person") << QStringLiteral("Mustermann") << QString() << QString() << 0.0 << 0.0 << false
                                        << -0.0 << 7.125;
    }
    void untouchedPersonFieldsKeepStoredValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, persnr);
        QFETCH(QString, abteilung);
        QFETCH(double, eingestellt);
        QFETCH(double, entlassen);
        QFETCH(bool, istentlassen);
        QFETCH(double, maxstunden);
        QFETCH(double, startueberstunden);
        TPerson stored;
        stored.name = name;
        stored.persnr = persnr;
        stored.abteilung = abteilung;
        stored.eingestellt = eingestellt;
        stored.entlassen = entlassen;
        stored.istentlassen = istentlassen;
        stored.maxstunden = maxstunden;
        stored.startueberstunden = startueberstunden;

        TPersonForm form;
        // A previous dialog run leaves other values in the controls.
        form.FillFrom(otherPerson());
        form.FillFrom(stored);
        TPerson out = otherPerson();
        form.StoreInto(out);
        QCOMPARE(out.name, name);
        QCOMPARE(out.persnr, persnr);
        QCOMPARE(out.abteilung, abteilung);
        QVERIFY2(same(out.eingestellt, eingestellt), qPrintable(QString::number(out.eingestellt, 'g', 17)));
        QVERIFY2(same(out.entlassen, entlassen), qPrintable(QString::number(out.entlassen, 'g', 17)));
        QCOMPARE(out.istentlassen, istentlassen);
        QVERIFY2(same(out.maxstunden, maxstunden), qPrintable(QString::number(out.maxstunden, 'g', 17)));
        QVERIFY2(same(out.startueberstunden, startueberstunden),
            qPrintable(QString::number(out.startueberstunden, 'g', 17)));
    }

    void untouchedDutyFieldsKeepStoredValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kuerzel");
        QTest::addColumn<quint32>("farbe");
        QTest::addColumn<bool>("abwesend");
        QTest::addColumn<double>("stunden");
        QTest::newRow("plain") << QStringLiteral("Frühdienst") << QStringLiteral("F") << quint32(0x0000FFFF) << false
                               << 8.0;
        QTest::newRow("long abbreviation")
            << QStringLiteral("Nacht") << QStringLiteral("ABCDEFGH") << quint32(0x00123456) << true << 7.125;
        QTest::newRow("system colour") << QStringLiteral("Urlaub\r\n") << QStringLiteral("U\t") << quint32(0xFF000005)
                                       << true << -0.005;
        QTest::newRow("beyond the field") << QString() << QString() << quint32(0x80FFFFFF) << false << -1.0e15;
    }
    void untouchedDutyFieldsKeepStoredValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, kuerzel);
        QFETCH(quint32, farbe);
        QFETCH(bool, abwesend);
        QFETCH(double, stunden);
        TDienst stored{name, kuerzel, farbe, abwesend, stunden};
        const TDienst other{QStringLiteral("other"), QStringLiteral("O"), 0x00C0C0C0, !abwesend, 3.5};

        TDienstForm form;
        form.FillFrom(other);
        form.FillFrom(stored);
        TDienst out = other;
        form.StoreInto(out);
        QCOMPARE(out.name, name);
        QCOMPARE(out.kuerzel, kuerzel);
        QCOMPARE(out.farbe, farbe);
        QCOMPARE(out.abwesend, abwesend);
        QVERIFY2(same(out.stunden, stunden), qPrintable(QString::number(out.stunden, 'g', 17)));
    }

    void editedFieldsFollowTheRules()
    {
        TPerson stored;
        stored.name = QStringLiteral("Anna");
        stored.persnr = QStringLiteral("A-12");
        stored.eingestellt = EncodeDate(2019, 5, 2) + 0.25;
        stored.entlassen = -700.5;
        stored.maxstunden = 1.005;
        stored.startueberstunden = 37.125;

        // Only the name is edited: the other awkward values stay.
        TPersonForm form;
        form.FillFrom(stored);
        form.Edit1->setText(QStringLiteral("Anna Berg"));
        TPerson out = otherPerson();
        form.StoreInto(out);
        QCOMPARE(out.name, QStringLiteral("Anna Berg"));
        QCOMPARE(out.persnr, QStringLiteral("A-12"));
        QVERIFY(same(out.eingestellt, stored.eingestellt));
        QVERIFY(same(out.startueberstunden, 37.125));

        // Every field edited: each one goes through its rule.
        form.FillFrom(stored);
        form.Edit2->selectAll();
        QTest::keyClicks(form.Edit2, QStringLiteral("7x3"));
        form.VonEd->setDate(QDate(2021, 7, 1));
        form.BisEd->setDate(QDate(2022, 1, 31));
        form.MaxStundenEd->setValue(37.125);
        form.UeberstundenEd->setValue(-2.5);
        form.StoreInto(out);
        QCOMPARE(out.persnr, QStringLiteral("73")); // digits only
        QCOMPARE(out.eingestellt, EncodeDate(2021, 7, 1)); // a whole date
        QCOMPARE(out.entlassen, EncodeDate(2022, 1, 31));
        QCOMPARE(out.maxstunden, 37.13); // two decimals
        QCOMPARE(out.startueberstunden, -2.5);

        TDienstForm dform;
        dform.FillFrom(TDienst{QStringLiteral("Nacht"), QStringLiteral("ABCDEFGH"), 0xFF000005, false, 7.125});
        dform.Edit2->selectAll();
        QTest::keyClicks(dform.Edit2, QStringLiteral("NACHTDIENST"));
        dform.StundeEd->setValue(6.666);
        dform.TesselColorComboBox1->setColorValue(0x000000FF);
        dform.abwesendcheck->setChecked(true);
        TDienst d;
        dform.StoreInto(d);
        QCOMPARE(d.name, QStringLiteral("Nacht"));
        QCOMPARE(d.kuerzel, QStringLiteral("NACHTD")); // six characters at most
        QCOMPARE(d.stunden, 6.67); // two decimals
        QCOMPARE(d.farbe, quint32(0x000000FF));
        QVERIFY(d.abwesend);
    }

    void datesShowAndTakeFourDigitYears()
    {
        TPersonForm form;
        form.PrepareNew(QDate(2024, 3, 15));
        for (QDateEdit* e : {form.VonEd, form.BisEd}) {
            QCOMPARE(e->text(), QStringLiteral("15.03.2024"));
            QCOMPARE(e->minimumDate(), QDate(1899, 12, 30));
        }
        form.Edit1->setText(QStringLiteral("Meier"));
        // The year typed in full is the year stored, also one of the last century.
        form.VonEd->setFocus();
        form.VonEd->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(form.VonEd, QStringLiteral("1985"));
        QCOMPARE(form.VonEd->date(), QDate(1985, 3, 15));
        form.BisEd->setDate(QDate(1899, 12, 30));
        QCOMPARE(form.BisEd->text(), QStringLiteral("30.12.1899"));
        TPerson p;
        form.StoreInto(p);
        QCOMPARE(p.eingestellt, EncodeDate(1985, 3, 15));
        QCOMPARE(p.entlassen, 0.0);

        // Dialog shot for the record: "Neue Person" with a 1985 hire date.
        const QString shots = qEnvironmentVariable("ROSTELMARK_SHOT_DIR");
        if (!shots.isEmpty()) {
            form.show();
            QVERIFY(form.grab().save(shots + QStringLiteral("/person_dialog_1985.png")));
            form.hide();
        }
    }

    void okRefusesTextsTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("named"); // what the warning must name; empty: accepted
        QTest::newRow("polish name") << QStringLiteral("person") << QStringLiteral("Edit1") << QStringLiteral("Łukasz")
                                     << QStringList{QStringLiteral("Ł")};
        QTest::newRow("chinese department") << QStringLiteral("person") << QStringLiteral("Edit3")
                                            << QStringLiteral("Pflege 王") << QStringList{QStringLiteral("王")};
        QTest::newRow("tab in name") << QStringLiteral("person") << QStringLiteral("Edit1")
                                     << QStringLiteral("Anna\tBerg") << QStringList{QStringLiteral("Tabulator")};
        QTest::newRow("line break in duty")
            << QStringLiteral("duty") << QStringLiteral("Edit1") << QStringLiteral("Früh\nDienst")
            << QStringList{QStringLiteral("Zeilenumbruch")};
        QTest::newRow("C1 control") << QStringLiteral("duty") << QStringLiteral("Edit2") << QStringLiteral("F\u0085")
                                    << QStringList{QStringLiteral("U+0085")};
        QTest::newRow("emoji") << QStringLiteral("duty") << QStringLiteral("Edit1") << QStringLiteral("Sonne ☀ und 😀")
                               << QStringList{QStringLiteral("☀"), QStringLiteral("😀")};
        QTest::newRow("code page text") << QStringLiteral("person") << QStringLiteral("Edit1")
                                        << QStringLiteral("Jürgen Šimek – 5 € ‰") << QStringList{};
        QTest::newRow("code page duty") << QStringLiteral("duty") << QStringLiteral("Edit2") << QStringLiteral("Ü€")
                                        << QStringList{};
    }
    void okRefusesTextsTheFileCannotHold()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QStringList, named);
        TPersonForm personForm;
        TDienstForm dienstForm;
        QDialog* form = &personForm;
        QPushButton* ok = personForm.BitBtn1;
        if (dialog == QLatin1String("duty")) {
            form = &dienstForm;
            ok = dienstForm.BitBtn1;
            dienstForm.PrepareNew();
            dienstForm.Edit1->setText(QStringLiteral("Dienst"));
            dienstForm.Edit2->setText(QStringLiteral("D"));
        } else {
            personForm.PrepareNew(QDate(2024, 3, 15));
            personForm.Edit1->setText(QStringLiteral("Meier"));
        }
        auto* edit = form->findChild<QLineEdit*>(field);
        QVERIFY(edit);
        edit->setText(text);

        int result = -1;
        QString warning;
        whenModal([&](QWidget*) {
            warning = pressOkExpectingWarning(form, ok);
            if (form->isVisible()) // still open after a refusal: leave it
                form->reject();
        });
        result = form->exec();
        if (named.isEmpty()) {
            QCOMPARE(warning, QString());
            QCOMPARE(result, int(QDialog::Accepted));
            return;
        }
        QCOMPARE(result, int(QDialog::Rejected)); // OK did not close it
        QVERIFY(!warning.isEmpty());
        for (const QString& n : named)
            QVERIFY2(warning.contains(n), qPrintable(warning));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestStaffForms, QApplication)
#include "tst_staffforms.moc"
