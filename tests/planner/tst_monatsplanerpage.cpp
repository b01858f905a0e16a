// Drives the "Monatsplaner" page of the real main window offscreen against a data folder:
// marking with the mouse, the buttons and typed abbreviations, the copy of the previous
// month through the menu, and another copy's change arriving through the poll.
#include "app/mainform.h"
#include "i18n/translate.h"
#include "planner/monatsplanerpage.h"
#include "planner/monthpreview.h"
#include "planner/plannerdialogs.h"
#include "sampleroster.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"
#include "widgettestsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Entries of one month of a person as day → duty.
QMap<int, int> monthOf(const TPerson& p, int year, int month)
{
    QMap<int, int> out;
    for (const TEintrag& e : std::as_const(p.eintraege)) {
        int y, m, d;
        DecodeDate(e.datum, y, m, d);
        if (y == year && m == month && !out.contains(d))
            out.insert(d, e.dienst);
    }
    return out;
}

// Share of the pixels of a grid cell that have exactly the colour `ref` (0x00BBGGRR).
double colourShare(const QImage& image, const TMonthGeometry& g, int day, int row, std::uint32_t ref)
{
    const QRgb want = ColorFromRef(ref).rgb();
    const int x0 = g.sx + (day - 1) * g.wx + 1, y0 = g.sy + (row - 1) * g.wy + 1;
    int hits = 0, all = 0;
    for (int y = y0; y < y0 + g.wy - 1; ++y)
        for (int x = x0; x < x0 + g.wx - 1; ++x, ++all)
            hits += (image.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
    return all ? double(hits) / all : 0;
}

// The main window on a data folder holding the sample roster of February 2024 (24
// employees, eight duties); the planner shows March 2024 (the tests' fixed today).
struct Planner {
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TMonatsplanerPage* page = nullptr;

    Planner()
    {
        TRoster r;
        sample::FillRoster(r, 24, 2024, 2);
        writePersons(r.personen, r.settings);
        QFile duties(dir.path() + QStringLiteral("/dienste.dat"));
        if (!duties.open(QIODevice::WriteOnly) || duties.write(SerializeDutyFile(r.dienste, 10)) < 0)
            qFatal("cannot write the duty file");
        duties.close();

        form = std::make_unique<TMainForm>();
        form->CreateDialogs();
        form->store.progpath = dir.path() + QLatin1Char('/');
        form->store.loadPersons();
        form->ListPersons();
        form->store.loadDienste();
        form->ListDienste();
        form->ListPersons2();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("main window not shown");
        page = form->MonatsplanerSheet;
    }

    QString personFile() const { return dir.path() + QStringLiteral("/personen.dat"); }
    void writePersons(const TDynaArray<TPerson>& personen, const TPlanSettings& settings) const
    {
        QFile f(personFile());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(SerializePersonFile(personen, settings)) < 0)
            qFatal("cannot write the person file");
    }
    // The person file as another copy of the program reads it.
    std::unique_ptr<TPersonFileContent> readPersons() const
    {
        QFile f(personFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = f.readAll();
        auto content = std::make_unique<TPersonFileContent>(TPlanSettings{});
        if (ParsePersonFile(bytes.constData(), bytes.size(), *content) != TReadResult::Ok)
            return {};
        return content;
    }

    QPoint cell(int day, int row) const
    {
        const TMonthGeometry& g = page->Geometry();
        return {g.sx + (day - 1) * g.wx + g.wx / 2, g.sy + (row - 1) * g.wy + g.wy / 2};
    }
    // Presses at the first point, moves through the others, releases at the last.
    void drag(std::initializer_list<QPoint> path)
    {
        QTest::mousePress(page->PaintBox1, Qt::LeftButton, {}, *path.begin());
        for (QPoint p : path)
            QTest::mouseMove(page->PaintBox1, p);
        QTest::mouseRelease(page->PaintBox1, Qt::LeftButton, {}, *std::rbegin(path));
    }
    // Marks one cell and types `keys` into the key field.
    void type(QPoint at, const QString& keys)
    {
        QTest::mouseClick(page->PaintBox1, Qt::LeftButton, {}, at);
        for (QChar c : keys) {
            if (c == QLatin1Char('\r'))
                QTest::keyClick(page->KeyEdit, Qt::Key_Return);
            else
                QTest::keyClick(page->KeyEdit, c.toLatin1());
        }
    }
};
} // namespace

class TestMonatsplanerPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dragAndAssignReachTheFile()
    {
        Planner t;
        QCOMPARE(t.page->View().month, 3);
        QVERIFY(t.page->Geometry().wx > 0);
        // Days 4 … 6 of rows 2 and 3 (the second and third employee), then "Spätdienst".
        t.drag({t.cell(4, 2), t.cell(6, 2), t.cell(6, 3), t.cell(4, 3)});
        QCOMPARE(t.form->focusWidget(), t.page->KeyEdit);
        t.page->DienstCombo->setCurrentIndex(2);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);

        auto disk = t.readPersons();
        QVERIFY(disk);
        const QMap<int, int> want{{4, 2}, {5, 2}, {6, 2}};
        for (int i = 0; i < 4; ++i) {
            const TPerson& p = *disk->personen.GetObject(i);
            const bool marked = i == 1 || i == 2;
            QCOMPARE(monthOf(p, 2024, 3), (marked ? want : QMap<int, int>()));
            // The drawing before the save recorded the month's hours and the balance.
            QCOMPARE(p.iststunden.Get(2024, 3), marked ? 24.0 : 0.0);
            QCOMPARE(p.uebertrag.Get(2024, 3), p.vortrag.Get(2024, 3) + p.iststunden.Get(2024, 3));
        }
        QVERIFY(!QFile::exists(t.dir.path() + QStringLiteral("/personenschreibe.dat")));

        // "Leerer Eintrag" over the same marks deletes the entries again.
        t.page->DienstCombo->setCurrentIndex(0);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);
        disk = t.readPersons();
        QVERIFY(monthOf(*disk->personen.GetObject(1), 2024, 3).isEmpty());
        QCOMPARE(disk->personen.GetObject(1)->iststunden.Get(2024, 3), 0.0);
    }

    void otherCopysChangeArrivesThroughThePoll()
    {
        Planner t;
        const std::uint32_t night = 0xC87878; // "Nachtdienst"
        t.drag({t.cell(11, 1)});
        QVERIFY(colourShare(t.page->PaintBox1->grab().toImage(), t.page->Geometry(), 10, 1, night) < 0.1);

        // Another copy dismisses the first employee in February and gives the second a
        // night shift on 10 March.
        auto other = t.readPersons();
        QVERIFY(other);
        TPerson& first = *other->personen.GetObject(0);
        first.entlassen = EncodeDate(2024, 2, 10);
        first.istentlassen = true;
        TEintrag* e = other->personen.GetObject(1)->eintraege.Add();
        e->datum = EncodeDate(2024, 3, 10);
        e->dienst = 3;
        t.writePersons(other->personen, other->settings);
        QFile f(t.personFile());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        f.close();

        t.form->Timer1Timer();
        // The poll redrew the grid: row 1 now belongs to the second employee, with the
        // night shift.
        QVERIFY(colourShare(t.page->Preview(), t.page->Geometry(), 10, 1, night) > 0.5);

        // The mark in row 1 now acts on the employee drawn there.
        t.page->DienstCombo->setCurrentIndex(1);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);
        auto disk = t.readPersons();
        QVERIFY(monthOf(*disk->personen.GetObject(0), 2024, 3).isEmpty());
        QCOMPARE(monthOf(*disk->personen.GetObject(1), 2024, 3), (QMap<int, int>{{10, 3}, {11, 1}}));
    }

    void typedAbbreviation_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("dienst"); // 0: nothing assigned
        QTest::newRow("one letter needs Enter") << QStringLiteral("f\r") << 1;
        QTest::newRow("lower case of a two-letter one") << QStringLiteral("fb\r") << 8;
        QTest::newRow("upper case") << QStringLiteral("N\r") << 3;
        QTest::newRow("no Enter: still pending") << QStringLiteral("u") << 0;
        QTest::newRow("unknown") << QStringLiteral("x\r") << 0;
        QTest::newRow("three keys without match") << QStringLiteral("abc") << 0;
    }
    void typedAbbreviation()
    {
        QFETCH(QString, keys);
        QFETCH(int, dienst);
        Planner t;
        t.type(t.cell(12, 4), keys);
        auto disk = t.readPersons();
        QVERIFY(disk);
        const TPerson& p = *disk->personen.GetObject(3);
        const QMap<int, int> want = dienst ? QMap<int, int>{{12, dienst}} : QMap<int, int>();
        QCOMPARE(monthOf(p, 2024, 3), want);
        if (dienst)
            QCOMPARE(t.page->DienstCombo->currentIndex(), dienst);
        QCOMPARE(t.page->Selection().dienststr, keys == QStringLiteral("u") ? keys : QString());
    }

    void copyPreviousMonthThroughTheMenu_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("shift");
        QTest::newRow("yes, no shift") << int(QMessageBox::Yes) << 0;
        QTest::newRow("yes, shift 7") << int(QMessageBox::Yes) << 7;
        QTest::newRow("no") << int(QMessageBox::No) << 0;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << 0;
    }
    void copyPreviousMonthThroughTheMenu()
    {
        QFETCH(int, answer);
        QFETCH(int, shift);
        Planner t;
        bool asked = false;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            asked = box->windowTitle() == QStringLiteral("Einträge übernehmen") && box->icon() == QMessageBox::Critical;
            if (answer == QMessageBox::Yes) {
                whenModal([&](QWidget* dlg) {
                    QVERIFY(qobject_cast<TDiensteOvertakeForm*>(dlg));
                    t.form->DiensteOvertakeForm->VerchiebEd->setValue(shift);
                    t.form->DiensteOvertakeForm->accept();
                });
            }
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        t.form->VomletzenMonatbernehmen1->trigger();
        QVERIFY(asked);

        auto disk = t.readPersons();
        for (int i = 0; i < 24; ++i) {
            const TPerson& p = *disk->personen.GetObject(i);
            QMap<int, int> want;
            if (answer == QMessageBox::Yes) {
                const QMap<int, int> feb = monthOf(p, 2024, 2);
                for (int d = 1; d <= 31; ++d)
                    if (feb.value(d - shift) > 0)
                        want.insert(d, feb.value(d - shift));
            }
            QCOMPARE(monthOf(p, 2024, 3), want);
        }
    }

    void dialogOperations_data()
    {
        QTest::addColumn<bool>("sollBtn"); // "Soll-Stunden festlegen..." or "Überstunden"
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value"); // typed into the dialog, kept to three decimals
        QTest::newRow("extra hours") << false << true << -1.5;
        QTest::newRow("extra hours to the minute of a shift") << false << true << -1.125;
        QTest::newRow("extra hours, window closed") << false << false << -1.5;
        QTest::newRow("target hours") << true << true << 150.0;
        QTest::newRow("target hours, three decimals") << true << true << 162.375;
        QTest::newRow("target hours beyond the old limit") << true << true << 250000.5;
        QTest::newRow("target hours, cancelled") << true << false << 150.0;
    }
    void dialogOperations()
    {
        QFETCH(bool, sollBtn);
        QFETCH(bool, ok);
        QFETCH(double, value);
        Planner t;
        t.drag({t.cell(2, 5), t.cell(3, 5)}); // the fifth employee, an empty 2 and 3 March
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            if (sollBtn)
                t.form->SetSollStdForm->StundeEd->setValue(value);
            else
                t.form->OverHoursForm->OverHoursEd->setValue(value);
            ok ? dialog->accept() : dialog->reject();
        });
        const QDateTime before = QFileInfo(t.personFile()).lastModified();
        QTest::mouseClick(sollBtn ? t.page->SetSollStd : t.page->OverHoursBtn, Qt::LeftButton);

        auto disk = t.readPersons();
        const TPerson& p = *disk->personen.GetObject(4);
        if (!ok) {
            QCOMPARE(QFileInfo(t.personFile()).lastModified(), before);
            return;
        }
        if (sollBtn) {
            QCOMPARE(p.soll.Get(2024, 3), value);
            QCOMPARE(p.uebertrag.Get(2024, 3), p.vortrag.Get(2024, 3) + p.iststunden.Get(2024, 3) - value);
            QCOMPARE(p.vortrag.Get(2024, 4), p.uebertrag.Get(2024, 3));
            QCOMPARE(disk->personen.GetObject(3)->soll.Get(2024, 3), 0.0);
        } else {
            QCOMPARE(monthOf(p, 2024, 3), (QMap<int, int>{{2, 0}, {3, 0}}));
            QCOMPARE(p.iststunden.Get(2024, 3), 2 * value);
        }
    }

    void keyboardOnlyEditingReachesTheFile()
    {
        Planner t;
        t.page->KeyEdit->setFocus();
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(t.page->KeyEdit, k, mods); };
        key(Qt::Key_Right); // the first key shows the cursor on day 1 of row 1
        QVERIFY(t.page->Selection().cursorOn);
        key(Qt::Key_Right);
        key(Qt::Key_Right);
        key(Qt::Key_Down);
        QCOMPARE(QPoint(t.page->Selection().cx, t.page->Selection().cy), QPoint(3, 2));
        // "f" and Enter: nothing marked, so the cursor's cell; the cursor goes on a day.
        QTest::keyClick(t.page->KeyEdit, 'f');
        key(Qt::Key_Return);
        QCOMPARE(QPoint(t.page->Selection().cx, t.page->Selection().cy), QPoint(4, 2));
        // Shift+arrows mark days 4 … 5 of rows 2 … 3; "s" Enter gives them "Spätdienst".
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Down, Qt::ShiftModifier);
        const QString shots = qEnvironmentVariable("ROSTELMARK_SHOT_DIR");
        if (!shots.isEmpty())
            QVERIFY(t.page->Preview().save(shots + QStringLiteral("/cursor_block.png")));
        QTest::keyClick(t.page->KeyEdit, 's');
        key(Qt::Key_Return);
        key(Qt::Key_Escape);
        QVERIFY(!t.page->Selection().select.Any());
        // Delete on day 4 of row 3, then Ctrl+Z takes the deletion back.
        key(Qt::Key_Left);
        key(Qt::Key_Left);
        key(Qt::Key_Delete);
        QCOMPARE(monthOf(*t.readPersons()->personen.GetObject(2), 2024, 3), (QMap<int, int>{{5, 2}}));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.form->undo.history.UndoCount(), 2);
        QCOMPARE(t.form->undo.history.RedoCount(), 1);

        const auto disk = t.readPersons();
        QVERIFY(disk);
        for (int i = 0; i < 24; ++i) {
            const QMap<int, int> want = i == 1 ? QMap<int, int>{{3, 1}, {4, 2}, {5, 2}}
                : i == 2                       ? QMap<int, int>{{4, 2}, {5, 2}}
                                               : QMap<int, int>{};
            QCOMPARE(monthOf(*disk->personen.GetObject(i), 2024, 3), want);
        }
        QVERIFY(!QFile::exists(t.dir.path() + QStringLiteral("/personenschreibe.dat")));
    }

    void cursorKeysFollowThePages()
    {
        Planner t;
        QVERIFY(t.page->Geometry().maxseiten >= 2);
        const int rows = t.page->Geometry().RowsOnPage();
        t.page->KeyEdit->setFocus();
        QTest::keyClick(t.page->KeyEdit, Qt::Key_PageDown); // shows the cursor
        QTest::keyClick(t.page->KeyEdit, Qt::Key_PageDown);
        QCOMPARE(t.page->SeiteEd->value(), 2);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_Up);
        QCOMPARE(t.page->SeiteEd->value(), 1);
        QCOMPARE(t.page->Selection().cy, rows);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_End);
        QCOMPARE(t.page->Selection().cx, 31);
        // The filter leaves one row: the cursor is clamped onto it.
        t.page->MitarbeiterCombo->setCurrentIndex(3);
        QCOMPARE(QPoint(t.page->Selection().cx, t.page->Selection().cy), QPoint(31, 1));
        // April has 30 days.
        t.page->Mon2Ed->setValue(4);
        QCOMPARE(t.page->Selection().cx, 30);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(QPoint(t.page->Selection().cx, t.page->Selection().cy), QPoint(1, 1));
    }

    void marksHiddenByALayoutChangeChangeNothing()
    {
        Planner t;
        t.form->roster.settings.DoubleRowHeightCheck = false;
        t.page->PaintBox1Paint();
        QVERIFY(t.page->Geometry().RowsOnPage() >= 20);
        t.drag({t.cell(5, 17), t.cell(5, 20)});
        QVERIFY(t.page->Selection().select.Get(5, 20));
        // Double height pushes rows 17 … 20 onto page 2; the marks are not seen any more.
        t.form->roster.settings.DoubleRowHeightCheck = true;
        t.page->PaintBox1Paint();
        QVERIFY(t.page->Geometry().RowsOnPage() < 17);
        t.page->DienstCombo->setCurrentIndex(1);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);
        const auto disk = t.readPersons();
        for (int i = 0; i < 24; ++i)
            QVERIFY(monthOf(*disk->personen.GetObject(i), 2024, 3).isEmpty());
    }

    void previewAtOneHundredPercentIsUnchanged()
    {
        // At a device pixel ratio of 1 the preview is the page as the planner core draws
        // it for the screen, pixel for pixel.
        Planner t;
        QCOMPARE(t.page->PixelRatio(), 1.0);
        QImage expected;
        const TMonthGeometry geo = RenderMonthPreview(expected, t.page->PrinterPage(), t.page->ScreenDpi(), 100,
            t.form->roster, t.form->roster.settings, t.page->View(), t.page->Selection().Overlay());
        QCOMPARE(t.page->Preview().devicePixelRatio(), 1.0);
        QCOMPARE(t.page->Preview(), expected);
        QCOMPARE(t.page->Geometry(), geo);
        QCOMPARE(t.page->PaintBox1->size(), expected.size());

        // For a screen at 200 % the page is drawn at twice the zoom, into twice the pixels;
        // drawing again into the picture the screen was given (ratio 2) draws the same.
        QImage sharp;
        RenderMonthPreview(sharp, t.page->PrinterPage(), t.page->ScreenDpi(), 200, t.form->roster,
            t.form->roster.settings, t.page->View());
        QVERIFY(qAbs(sharp.width() - 2 * expected.width()) <= 1);
        const QImage first = sharp.copy();
        sharp.setDevicePixelRatio(2);
        RenderMonthPreview(sharp, t.page->PrinterPage(), t.page->ScreenDpi(), 200, t.form->roster,
            t.form->roster.settings, t.page->View());
        QCOMPARE(sharp, first);
    }

    void cursorIsNotExported()
    {
        Planner t;
        QTemporaryDir out;
        const QString plain = out.path() + QStringLiteral("/plain.pdf");
        const QString withCursor = out.path() + QStringLiteral("/cursor.pdf");
        QVERIFY(t.page->PDFExportTo(plain).isEmpty());
        t.page->KeyEdit->setFocus();
        QTest::keyClick(t.page->KeyEdit, Qt::Key_Right);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(t.page->Selection().cursorOn);
        QVERIFY(t.page->PDFExportTo(withCursor).isEmpty());
        // Only the document's random identifier may differ.
        const auto body = [](const QString& path) {
            QByteArray bytes = fileBytes(path);
            const qsizetype id = bytes.indexOf("/ID [");
            return id < 0 ? bytes : bytes.left(id);
        };
        QVERIFY(!body(plain).isEmpty());
        QCOMPARE(body(withCursor), body(plain));
    }

    void firstStepsHint()
    {
        Planner t;
        QVERIFY(t.page->HintLabel->isHidden()); // a roster with persons and duties
        t.form->roster.InitPersonenDienste();
        t.form->ListPersons();
        QVERIFY(!t.page->HintLabel->isHidden());
        QVERIFY(t.page->HintLabel->text().contains(QStringLiteral("Personen")));
        // In another language the hint is that language's text, through the table.
        SetCurrentLanguage(1);
        const QString german = t.page->HintLabel->text();
        for (int row = 0; row < TranslationRowCount(); ++row)
            if (TranslationCell(row, 0) == german)
                SetTranslationCell(row, 1, QStringLiteral("First steps"));
        t.page->UpdateHint();
        QCOMPARE(t.page->HintLabel->text(), QStringLiteral("First steps"));
        SetCurrentLanguage(0);
    }

    void viewControls()
    {
        Planner t;
        // Zoom scales the preview; the page number stays within the pages of the month.
        const QSize full = t.page->PaintBox1->size();
        t.page->ZoomEd->setValue(50);
        QVERIFY(qAbs(t.page->PaintBox1->width() * 2 - full.width()) <= 1);
        t.page->ZoomEd->setValue(100);
        const int pages = t.page->Geometry().maxseiten;
        QVERIFY(pages >= 2); // 24 employees with double row height
        t.page->SeiteEd->setValue(9);
        QCOMPARE(t.page->SeiteEd->value(), pages);
        QCOMPARE(t.page->Geometry().page, pages);

        // A wheel step over the grid scrolls it by 20 pixels.
        QScrollBar* bar = t.page->ScrollBox1->verticalScrollBar();
        QVERIFY(bar->maximum() > 40);
        bar->setValue(0);
        QWidget* viewport = t.page->ScrollBox1->viewport();
        const QPointF at(10, 10);
        QWheelEvent down(at, viewport->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &down);
        QCOMPARE(bar->value(), 20);
        t.form->PageControl1->setCurrentIndex(0);
        QApplication::sendEvent(viewport, &down);
        QCOMPARE(bar->value(), 20);
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestMonatsplanerPage, QApplication)
#include "tst_monatsplanerpage.moc"
