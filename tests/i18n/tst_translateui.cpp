#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"
#include "i18n/ui/translateform.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// German → English pairs of the sample form. Every English text is itself entered as a
// German text translating to "TWICE", so a text translated twice shows up.
const QList<QPair<QString, QString>> kPairs = {
    {QStringLiteral("Fenster"), QStringLiteral("Window")},
    {QStringLiteral("Name:"), QStringLiteral("Name label")},
    {QStringLiteral("Prüfen"), QStringLiteral("Check")},
    {QStringLiteral("Prüfhinweis"), QStringLiteral("Check hint")},
    {QStringLiteral("Option"), QStringLiteral("Choice")},
    {QStringLiteral("Radiohinweis"), QStringLiteral("Radio hint")},
    {QStringLiteral("Seite Eins"), QStringLiteral("Page one")},
    {QStringLiteral("Knopf"), QStringLiteral("Button")},
    {QStringLiteral("Knopfhinweis"), QStringLiteral("Button hint")},
    {QStringLiteral("Gruppe"), QStringLiteral("Group")},
    {QStringLiteral("Zahl"), QStringLiteral("Number")},
    {QStringLiteral("Rand"), QStringLiteral("Margin")},
    {QStringLiteral("Datum"), QStringLiteral("Date")},
    {QStringLiteral("Farbe"), QStringLiteral("Colour")},
    {QStringLiteral("Rot"), QStringLiteral("Red")},
    {QStringLiteral("Alle Mitarbeiter"), QStringLiteral("All staff")},
    {QStringLiteral("Spalte A"), QStringLiteral("Column A")},
    {QStringLiteral("Spalte B"), QStringLiteral("Column B")},
    {QStringLiteral("Liste"), QStringLiteral("List")},
    {QStringLiteral("Neujahr"), QStringLiteral("New Year")},
    {QStringLiteral("Zeile eins"), QStringLiteral("Line one")},
    {QStringLiteral("Zeile zwei"), QStringLiteral("Line two")},
    {QStringLiteral("Monatsplan"), QStringLiteral("Month plan")},
    {QStringLiteral("Export als PDF Datei..."), QStringLiteral("Export as PDF file...")},
    {QStringLiteral("Exportieren"), QStringLiteral("Export")},
    {QStringLiteral("PDF Dateien (*.pdf)"), QStringLiteral("PDF files (*.pdf)")},
    {QStringLiteral("Öffnen"), QStringLiteral("Open")},
    {QStringLiteral("Statistik"), QStringLiteral("Statistics")},
    {QStringLiteral("Überschrift"), QStringLiteral("Heading")},
};

QString english(const QString& german)
{
    for (const auto& p : kPairs)
        if (p.first == german)
            return p.second;
    return {};
}

void fillTable()
{
    for (const auto& p : kPairs) {
        TranslateText(p.first);
        TranslateText(p.second);
    }
    for (int r = 0; r < TranslationRowCount(); ++r) {
        const QString en = english(TranslationCell(r, 0));
        SetTranslationCell(r, 1, en.isEmpty() ? QStringLiteral("TWICE") : en);
    }
}

bool hasGerman(const QString& text)
{
    for (int r = 0; r < TranslationRowCount(); ++r)
        if (TranslationCell(r, 0) == text)
            return true;
    return false;
}

// The editor with scripted answers to its questions.
class ScriptedForm : public TTranslateForm {
public:
    QList<QMessageBox::StandardButton> answers;
    QStringList asked;
    QList<QPair<int, int>> foundAt; // (row, column) at each search question; row -1: title
    QList<int> firstColumns; // first scrolled column at each search question

protected:
    QMessageBox::StandardButton askContinueSearch(const QString& found) override
    {
        asked.append(found);
        const bool title = StringGrid1->selectedItems().isEmpty();
        foundAt.append({title ? -1 : StringGrid1->currentRow(), title ? -1 : StringGrid1->currentColumn()});
        firstColumns.append(StringGrid1->horizontalScrollBar()->value());
        return answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    }
    QMessageBox::StandardButton askDeleteRow(const QString& german) override
    {
        asked.append(german);
        return answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    }
};

} // namespace

class TestTranslateUi : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString file() const { return dir.filePath(QStringLiteral("translate.dat")); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(file());
        SetTranslationErrorReporter([](const QString& text) { QFAIL(qPrintable(text)); });
        InitTranslations(dir.path());
        SetCurrentLanguage(1);
    }

    void translatesSampleForm()
    {
        fillTable();
        const int rowsBefore = TranslationRowCount();

        QWidget window;
        window.setWindowTitle(QStringLiteral("Fenster"));
        auto* layout = new QVBoxLayout(&window);
        auto* label = new QLabel(QStringLiteral("Name:"), &window);
        auto* check = new QCheckBox(QStringLiteral("Prüfen"), &window);
        check->setToolTip(QStringLiteral("Prüfhinweis"));
        auto* radio = new QRadioButton(QStringLiteral("Option"), &window);
        radio->setToolTip(QStringLiteral("Radiohinweis")); // radio hints stay German
        auto* tabs = new QTabWidget(&window);
        auto* page = new QWidget;
        tabs->addTab(page, QStringLiteral("Seite Eins"));
        auto* button = new QPushButton(QStringLiteral("Knopf"), page);
        button->setToolTip(QStringLiteral("Knopfhinweis"));
        auto* group = new QGroupBox(QStringLiteral("Gruppe"), page);
        auto* spin = new QSpinBox(group);
        spin->setToolTip(QStringLiteral("Zahl"));
        auto* tagged = new QDoubleSpinBox(group);
        tagged->setToolTip(QStringLiteral("Rand"));
        tagged->setProperty(kTagProperty, 99);
        auto* date = new QDateEdit(group);
        date->setToolTip(QStringLiteral("Datum"));
        auto* colour = new QComboBox(&window);
        colour->setProperty(kColorPickerProperty, true);
        colour->addItem(QStringLiteral("Rot"));
        colour->setToolTip(QStringLiteral("Farbe"));
        auto* combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("Alle Mitarbeiter"), QStringLiteral("Meier")});
        combo->setCurrentIndex(1);
        QSignalSpy comboChanges(combo, &QComboBox::currentTextChanged);
        auto* grid = new QTableWidget(2, 2, &window);
        grid->setHorizontalHeaderLabels({QStringLiteral("Spalte A"), QStringLiteral("Spalte B")});
        auto* gridTwin = new QTableView(&window); // a second view on the same model
        gridTwin->setModel(grid->model());
        auto* list = new QTreeWidget(&window);
        list->setHeaderLabels({QStringLiteral("Liste")});
        auto* holidays = new QListWidget(&window);
        holidays->addItem(QStringLiteral("Neujahr")); // check-list box: stays German
        auto* memo = new QPlainTextEdit(QStringLiteral("Zeile eins\n\nZeile zwei"), &window);
        auto* rich = new QTextEdit(&window);
        rich->setPlainText(QStringLiteral("Zeile zwei\nUnbekannte Zeile"));
        auto* edit = new QLineEdit(QStringLiteral("/home/ordner"), &window);
        auto* stats = new QLabel(QStringLiteral("Statistik"), &window);
        stats->setProperty(kNoTranslateProperty, true);
        auto* heading = new QLineEdit(QStringLiteral("Überschrift"), &window);
        auto* menuBar = new QMenuBar(&window);
        QMenu* menu = menuBar->addMenu(QStringLiteral("Monatsplan"));
        QAction* exportAction = menu->addAction(QStringLiteral("Export als PDF Datei..."));
        exportAction->setStatusTip(QStringLiteral("Exportieren"));
        exportAction->setProperty(kFileFilterProperty, QStringLiteral("PDF Dateien (*.pdf)"));
        menu->addSeparator();
        auto* openAction = new QAction(QStringLiteral("Öffnen"), &window);
        auto* tool = new QToolButton(&window);
        tool->setDefaultAction(openAction);
        for (QWidget* w : std::initializer_list<QWidget*>{label, check, radio, tabs, colour, combo, grid, gridTwin,
                 list, holidays, memo, rich, edit, stats, heading, tool})
            layout->addWidget(w);
        // A parented dialog is a top-level window too; it must still be done once.
        auto* dialog = new QDialog(&window);
        dialog->setWindowTitle(QStringLiteral("Statistik"));

        const QString fileBefore = file();
        TranslateApplication(QList<QObject*>{&window, dialog});

        QCOMPARE(window.windowTitle(), QStringLiteral("Window"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Statistics"));
        QCOMPARE(label->text(), QStringLiteral("Name label"));
        QCOMPARE(check->text(), QStringLiteral("Check"));
        QCOMPARE(check->toolTip(), QStringLiteral("Check hint"));
        QCOMPARE(radio->text(), QStringLiteral("Choice"));
        QCOMPARE(radio->toolTip(), QStringLiteral("Radiohinweis"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("Page one"));
        QCOMPARE(button->text(), QStringLiteral("Button"));
        QCOMPARE(button->toolTip(), QStringLiteral("Button hint"));
        QCOMPARE(group->title(), QStringLiteral("Group"));
        QCOMPARE(spin->toolTip(), QStringLiteral("Number"));
        QCOMPARE(tagged->toolTip(), QStringLiteral("Rand"));
        QCOMPARE(date->toolTip(), QStringLiteral("Datum"));
        QCOMPARE(colour->toolTip(), QStringLiteral("Colour"));
        QCOMPARE(colour->itemText(0), QStringLiteral("Rot"));
        QCOMPARE(combo->itemText(0), QStringLiteral("All staff"));
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(comboChanges.count(), 0);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Column A"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Column B"));
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("List"));
        QCOMPARE(holidays->item(0)->text(), QStringLiteral("Neujahr"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("Line one\n\nLine two"));
        QCOMPARE(rich->toPlainText(), QStringLiteral("Line two\nUnbekannte Zeile"));
        QCOMPARE(edit->text(), QStringLiteral("/home/ordner"));
        QCOMPARE(stats->text(), QStringLiteral("Statistik"));
        QCOMPARE(heading->text(), QStringLiteral("Heading"));
        QCOMPARE(menu->title(), QStringLiteral("Month plan"));
        QCOMPARE(exportAction->text(), QStringLiteral("Export as PDF file..."));
        QCOMPARE(exportAction->statusTip(), QStringLiteral("Export"));
        QCOMPARE(exportAction->property(kFileFilterProperty).toString(), QStringLiteral("PDF files (*.pdf)"));
        QCOMPARE(openAction->text(), QStringLiteral("Open"));
        QCOMPARE(tool->text(), QStringLiteral("Open"));

        // Texts not yet known were added as German (and no English text was): the path in
        // the edit field, the person name in the list, the unknown memo line.
        QVERIFY(hasGerman(QStringLiteral("/home/ordner")));
        QVERIFY(hasGerman(QStringLiteral("Meier")));
        QVERIFY(hasGerman(QStringLiteral("Unbekannte Zeile")));
        QCOMPARE(TranslationRowCount(), rowsBefore + 3);
        QVERIFY(!Translations().BatchMode);
        QFile f(fileBefore);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), WriteTranslationData(Translations().TranslationTable));
    }

    void firstShowing()
    {
        fillTable();
        QWidget window;
        window.setWindowTitle(QStringLiteral("Fenster"));
        auto* label = new QLabel(QStringLiteral("Nie gesehen"), &window);
        auto* dialog = new QDialog(&window); // a window owned by another: done once, via its owner
        dialog->setWindowTitle(QStringLiteral("Statistik"));

        TranslateAtFirstShowing(0); // German: only the messages are registered
        QCOMPARE(window.windowTitle(), QStringLiteral("Fenster"));
        QVERIFY(hasGerman(QStringLiteral("Dezember")));
        QVERIFY(!hasGerman(label->text()));

        TranslateAtFirstShowing(1);
        QCOMPARE(GetCurrentLanguage(), 1);
        QCOMPARE(window.windowTitle(), QStringLiteral("Window"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Statistics"));
        QVERIFY(hasGerman(QStringLiteral("Nie gesehen")));
    }

    void editorTitlesAndFill()
    {
        TranslateText(QStringLiteral("Datei"));
        SetTranslationCell(0, 1, QStringLiteral("File"));
        TTranslateForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Translate"));
        for (const char* name :
            {"BackBtn", "FilterEdit", "FilterBtn", "DeleteRowBtn", "FixedColCheck", "StringGrid1", "Timer1"})
            QVERIFY2(form.findChild<QObject*>(QLatin1String(name)), name);
        QVERIFY(!form.FixedColCheck->isChecked());
        QCOMPARE(form.FixedColCheck->text(), QStringLiteral("Erste Spalte ist fixiert"));
        QCOMPARE(form.Timer1->interval(), 1000);
        QVERIFY(!form.Timer1->isActive());

        // The captions of the editor go through the store like any window's.
        TranslateApplication(QList<QObject*>{&form});
        for (const char* german : {"Translate", "Zurück...", "Suchen", "Zeile löschen", "Erste Spalte ist fixiert"})
            QVERIFY2(hasGerman(QString::fromUtf8(german)), german);

        form.FillStringGrid();
        const QStringList expected = {QStringLiteral("German"), QStringLiteral("English"), QStringLiteral("Frensh"),
            QStringLiteral("Italian"), QStringLiteral("Japanese"), QStringLiteral("Espannol"), QStringLiteral("Norsk"),
            QStringLiteral("Castella"), QStringLiteral("Nederlands"), QStringLiteral("Finnish"),
            QStringLiteral("Serbisch"), QStringLiteral("Romance"), QStringLiteral("Czech"),
            QStringLiteral("Chinese traditional"), QStringLiteral("Chinese simplified"), QStringLiteral("Portuguese"),
            QStringLiteral("Swedish"), QStringLiteral("Polski"), QStringLiteral("Brazilian"), QStringLiteral("Russian"),
            QStringLiteral("Hungarian"), QStringLiteral("Farsi"), QStringLiteral("language22"),
            QStringLiteral("language23"), QStringLiteral("language24"), QStringLiteral("language25"),
            QStringLiteral("language26"), QStringLiteral("language27"), QStringLiteral("language28"),
            QStringLiteral("language29")};
        QCOMPARE(form.StringGrid1->columnCount(), 30);
        for (int c = 0; c < 30; ++c) {
            QCOMPARE(form.StringGrid1->horizontalHeaderItem(c)->text(), expected[c]);
            QCOMPARE(form.StringGrid1->columnWidth(c), 250);
        }
        QCOMPARE(form.StringGrid1->rowCount(), TranslationRowCount());
        QCOMPARE(form.StringGrid1->item(0, 0)->text(), QStringLiteral("Datei"));
        QCOMPARE(form.StringGrid1->item(0, 1)->text(), QStringLiteral("File"));

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.FixedColCheck->click();
        auto* fixed = form.findChild<QTableView*>(QStringLiteral("FixedColumnView"));
        QVERIFY(fixed && fixed->isVisible());
        QCOMPARE(fixed->width(), 250);
        form.FixedColCheck->click();
        QVERIFY(!fixed->isVisible());
    }

    void typingSavesOnceAfterASecond()
    {
        TranslateText(QStringLiteral("Datei"));
        QFile::remove(file());
        TTranslateForm form;
        form.FillStringGrid();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.StringGrid1->setFocus();
        form.StringGrid1->setCurrentCell(0, 1);
        form.StringGrid1->editItem(form.StringGrid1->item(0, 1));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        const QString word = QStringLiteral("File");
        for (int i = 0; i < word.size(); ++i) {
            QTest::keyClick(editor, word[i].toLatin1());
            QCOMPARE(TranslationCell(0, 1), word.left(i + 1)); // every keystroke reaches the table
        }
        QVERIFY(form.Timer1->isActive());
        QVERIFY(!QFile::exists(file()));
        // Delete inside the editor removes a character, not the row.
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(TranslationCell(0, 1), QStringLiteral("ile"));
        QCOMPARE(TranslationRowCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file()), 3000);
        QVERIFY(!form.Timer1->isActive());
        QFile f(file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), WriteTranslationData(Translations().TranslationTable));

        // Escape cancels the edit: the table follows the grid back.
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, 'X');
        QCOMPARE(TranslationCell(0, 1), QStringLiteral("ileX"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(TranslationCell(0, 1), form.StringGrid1->item(0, 1)->text());
    }

    void closingSavesPendingChange()
    {
        TranslateText(QStringLiteral("Datei"));
        QFile::remove(file());
        TTranslateForm form;
        form.FillStringGrid();
        form.show();
        form.StringGrid1SetEditText(1, 0, QStringLiteral("File"));
        QVERIFY(form.Timer1->isActive());
        form.BackBtn->click();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(QFile::exists(file()));
        InitTranslations(dir.path());
        QCOMPARE(TranslationCell(0, 1), QStringLiteral("File"));
    }

    void search()
    {
        for (const char* g : {"Äpfel essen", "äpfel", "Birnen", "Apfelbaum"})
            TranslateText(QString::fromUtf8(g));
        SetTranslationCell(2, 3, QStringLiteral("mela e apfel"));
        ScriptedForm form;
        form.FillStringGrid();
        form.show();

        // a to z fold; umlauts compare as they are. Yes goes on, No stops.
        form.FilterEdit->setText(QStringLiteral("äPF"));
        form.answers = {QMessageBox::Yes, QMessageBox::Yes};
        form.FilterBtn->click();
        QCOMPARE(form.foundAt, (QList<QPair<int, int>>{{1, 0}}));

        form.asked.clear();
        form.foundAt.clear();
        form.firstColumns.clear();
        form.FilterEdit->setText(QStringLiteral("APFEL"));
        form.answers = {QMessageBox::Yes, QMessageBox::No};
        form.FilterBtn->click();
        QCOMPARE(form.foundAt, (QList<QPair<int, int>>{{2, 3}, {3, 0}}));
        QCOMPARE(form.firstColumns, (QList<int>{3, 0}));
        QCOMPARE(form.StringGrid1->currentRow(), 3);

        // With the German column fixed, the found column appears right beside it.
        form.FixedColCheck->setChecked(true);
        form.foundAt.clear();
        form.firstColumns.clear();
        form.answers = {QMessageBox::No};
        form.FilterBtn->click();
        QCOMPARE(form.foundAt, (QList<QPair<int, int>>{{2, 3}}));
        QCOMPARE(form.firstColumns, QList<int>{2});
        form.FixedColCheck->setChecked(false);

        // The title row is searched first.
        form.foundAt.clear();
        form.FilterEdit->setText(QStringLiteral("frensh"));
        form.FilterBtn->click();
        QCOMPARE(form.foundAt, (QList<QPair<int, int>>{{-1, -1}}));

        form.foundAt.clear();
        form.FilterEdit->clear();
        form.FilterBtn->click();
        QVERIFY(form.foundAt.isEmpty());
    }

    void deleteRows()
    {
        for (const char* g : {"Eins", "Zwei", "Drei"}) {
            TranslateText(QString::fromUtf8(g));
        }
        SetTranslationCell(2, 1, QStringLiteral("Three"));
        ScriptedForm form;
        form.FillStringGrid();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        form.StringGrid1->setCurrentCell(1, 1);
        form.answers = {QMessageBox::No};
        form.DeleteRowBtn->click();
        QCOMPARE(form.asked, QStringList{QStringLiteral("Zwei")});
        QCOMPARE(TranslationRowCount(), 3);

        form.answers = {QMessageBox::Yes};
        form.StringGrid1->setFocus();
        QTest::keyClick(form.StringGrid1, Qt::Key_Delete); // Delete on the grid itself
        QCOMPARE(TranslationRowCount(), 2);
        QCOMPARE(form.StringGrid1->rowCount(), 2);
        QCOMPARE(form.StringGrid1->currentRow(), 1);
        QCOMPARE(form.StringGrid1->item(1, 1)->text(), QStringLiteral("Three"));
        QCOMPARE(TranslateText(QStringLiteral("Drei")), QStringLiteral("Three"));
        QCOMPARE(TranslationRowCount(), 2);
        InitTranslations(dir.path()); // saved right away
        QCOMPARE(TranslationRowCount(), 2);
        form.FillStringGrid();

        // Escape presses "Zeile löschen"; Cancel keeps the row.
        form.StringGrid1->setCurrentCell(0, 0);
        form.answers = {QMessageBox::Cancel};
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(TranslationRowCount(), 2);
        QVERIFY(form.isVisible());

        // Deleting the last rows leaves only the titles and a file without rows.
        form.answers = {QMessageBox::Yes, QMessageBox::Yes};
        form.StringGrid1->setCurrentCell(1, 0);
        form.DeleteRowBtn->click();
        form.StringGrid1->setCurrentCell(0, 0);
        form.DeleteRowBtn->click();
        QCOMPARE(TranslationRowCount(), 0);
        QCOMPARE(form.StringGrid1->rowCount(), 0);
        QFile f(file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().toHex(), QByteArray("1e00000000000000"));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestTranslateUi, QApplication)
#include "tst_translateui.moc"
