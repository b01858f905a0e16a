// Undo and redo through the main window offscreen: the "Monatsplan" items and their keys
// after changes made with the mouse, typed abbreviations, the month copy and the duty
// page; another copy's change arriving through the poll.
#include "app/mainform.h"
#include "planner/monatsplanerpage.h"
#include "planner/plannerdialogs.h"
#include "sampleroster.h"
#include "staff/dienstepage.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"
#include "widgets/accesskeys.h"
#include "widgettestsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <memory>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The main window on a folder with the sample roster of February 2024, showing March.
struct Window {
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TMonatsplanerPage* page = nullptr;

    Window()
    {
        TRoster r;
        sample::FillRoster(r, 24, 2024, 2);
        write(personFile(), SerializePersonFile(r.personen, r.settings));
        write(dutyFile(), SerializeDutyFile(r.dienste, 10));
        form = std::make_unique<TMainForm>();
        form->CreateDialogs();
        form->store.progpath = dir.path() + QLatin1Char('/');
        form->store.loadPersons();
        form->ListPersons();
        form->store.loadDienste();
        form->ListDienste();
        form->ListPersons2();
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("main window not active");
        page = form->MonatsplanerSheet;
    }
    QString personFile() const { return dir.path() + QStringLiteral("/personen.dat"); }
    QString dutyFile() const { return dir.path() + QStringLiteral("/dienste.dat"); }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
    QByteArray files() const { return fileBytes(personFile()) + "|" + fileBytes(dutyFile()); }

    QPoint cell(int day, int row) const
    {
        const TMonthGeometry& g = page->Geometry();
        return {g.sx + (day - 1) * g.wx + g.wx / 2, g.sy + (row - 1) * g.wy + g.wy / 2};
    }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(page->PaintBox1, Qt::LeftButton, {}, from);
        QTest::mouseMove(page->PaintBox1, to);
        QTest::mouseRelease(page->PaintBox1, Qt::LeftButton, {}, to);
    }
    // A key combination as the user types it, with the focus where it is.
    void keys(Qt::Key key, Qt::KeyboardModifiers mods)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, key, mods);
    }
};

} // namespace

class TestUndoMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mouseAndTypedAssignmentsUndoneWithTheKeys()
    {
        Window t;
        QVERIFY(!t.form->Rueckgaengig1->isEnabled());
        QVERIFY(!t.form->Wiederherstellen1->isEnabled());
        const QByteArray start = t.files();

        t.drag(t.cell(4, 2), t.cell(9, 2));
        t.page->DienstCombo->setCurrentIndex(2);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);
        const QByteArray afterMouse = t.files();
        QVERIFY(afterMouse != start);
        QCOMPARE(WithoutAccessKey(t.form->Rueckgaengig1->text()), QStringLiteral("Rückgängig: Dienst zuweisen"));
        QVERIFY(t.form->Rueckgaengig1->isEnabled());
        QCOMPARE(WithoutAccessKey(t.form->Wiederherstellen1->text()), QStringLiteral("Wiederherstellen"));
        saveMenuShot(t);

        // "N" and Enter in the key field: the typed duty is a step of its own.
        QTest::mouseClick(t.page->PaintBox1, Qt::LeftButton, {}, t.cell(12, 3));
        QCOMPARE(QApplication::focusWidget(), t.page->KeyEdit);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_N);
        QTest::keyClick(t.page->KeyEdit, Qt::Key_Return);
        const QByteArray afterTyped = t.files();
        QVERIFY(afterTyped != afterMouse);
        QCOMPARE(t.form->undo.history.UndoCount(), 2);

        // Ctrl+Z reaches the menu also from the key field.
        t.keys(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.files(), afterMouse);
        QCOMPARE(
            WithoutAccessKey(t.form->Wiederherstellen1->text()), QStringLiteral("Wiederherstellen: Dienst zuweisen"));
        t.keys(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.files(), start);
        QVERIFY(!t.form->Rueckgaengig1->isEnabled());
        t.keys(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(t.files(), afterMouse);
        t.keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(t.files(), afterTyped);
        QVERIFY(!t.form->Wiederherstellen1->isEnabled());
        QVERIFY(!QFile::exists(t.dir.path() + QStringLiteral("/personenschreibe.dat")));
    }

    void monthCopyAndDutyDeletionAreOneStepEach()
    {
        Window t;
        const QByteArray start = t.files();
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            whenModal([&](QWidget*) { t.form->DiensteOvertakeForm->accept(); });
            box->button(QMessageBox::Yes)->click();
        });
        t.form->VomletzenMonatbernehmen1->trigger();
        const QByteArray copied = t.files();
        QVERIFY(copied != start);
        QCOMPARE(t.form->undo.history.UndoCount(), 1);
        QCOMPARE(
            WithoutAccessKey(t.form->Rueckgaengig1->text()), QStringLiteral("Rückgängig: Vom letzen Monat übernehmen"));

        // Deleting "Spätdienst" removes its entries and renumbers the later duties in both
        // files; undo brings all of it back.
        t.form->DiensteSheet->SelectRow(1);
        whenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
        t.form->DiensteSheet->DelDienstBtnClick();
        const QByteArray deleted = t.files();
        QCOMPARE(t.form->roster.dienste.Count(), 7);
        QCOMPARE(WithoutAccessKey(t.form->Rueckgaengig1->text()), QStringLiteral("Rückgängig: Dienst löschen"));
        t.form->Rueckgaengig1->trigger();
        QCOMPARE(t.files(), copied);
        QCOMPARE(t.form->DiensteSheet->ListView2->topLevelItemCount(), 8);
        t.form->Rueckgaengig1->trigger();
        QCOMPARE(t.files(), start);
        t.form->Wiederherstellen1->trigger();
        t.form->Wiederherstellen1->trigger();
        QCOMPARE(t.files(), deleted);
    }

    void anotherCopysChangeDropsTheStepsAndTheStatusBarSaysSo()
    {
        Window t;
        t.drag(t.cell(2, 1), t.cell(3, 1));
        t.page->DienstCombo->setCurrentIndex(1);
        QTest::mouseClick(t.page->DienstBtn, Qt::LeftButton);
        QVERIFY(t.form->Rueckgaengig1->isEnabled());
        QVERIFY(t.form->StatusPanel0->text().isEmpty());

        // Another copy writes the person file.
        TPersonFileContent other(TPlanSettings{});
        const QByteArray bytes = fileBytes(t.personFile());
        QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), other), TReadResult::Ok);
        other.personen.GetObject(0)->name = QStringLiteral("Anna Anders");
        Window::write(t.personFile(), SerializePersonFile(other.personen, other.settings));
        QFile f(t.personFile());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        f.close();

        t.form->Timer1Timer();
        QCOMPARE(t.form->roster.personen[0].name, QStringLiteral("Anna Anders"));
        QVERIFY(!t.form->Rueckgaengig1->isEnabled());
        QCOMPARE(WithoutAccessKey(t.form->Rueckgaengig1->text()), QStringLiteral("Rückgängig"));
        // A short note that fits the 250-pixel panel; the whole sentence is its tip.
        QVERIFY(t.form->StatusPanel0->text().contains(QStringLiteral("andere Kopie")));
        QVERIFY(t.form->StatusPanel0->fontMetrics().horizontalAdvance(t.form->StatusPanel0->text())
            <= t.form->StatusPanel0->contentsRect().width());
        QVERIFY(t.form->StatusPanel0->toolTip().contains(QStringLiteral("anderen Kopie")));
        t.keys(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.form->roster.personen[0].name, QStringLiteral("Anna Anders"));
    }

private:
    // The "Bearbeiten" menu opened under its title, over the window.
    static void saveMenuShot(Window& t)
    {
        QMenuBar* bar = t.form->menuBar();
        const QRect title = bar->actionGeometry(t.form->Bearbeiten1->menuAction());
        t.form->Bearbeiten1->popup(bar->mapToGlobal(title.bottomLeft()));
        QVERIFY(QTest::qWaitForWindowExposed(t.form->Bearbeiten1));
        t.form->Bearbeiten1->setActiveAction(t.form->Rueckgaengig1);
        QImage shot = t.form->grab().toImage();
        {
            QPainter painter(&shot);
            painter.drawPixmap(t.form->mapFromGlobal(t.form->Bearbeiten1->pos()), t.form->Bearbeiten1->grab());
        }
        t.form->Bearbeiten1->hide();
        const QString folder = qEnvironmentVariable("ROSTELMARK_SHOT_DIR");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            QVERIFY(shot.save(folder + QStringLiteral("/undo_menu.png")));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestUndoMenu, QApplication)
#include "tst_undomenu.moc"
