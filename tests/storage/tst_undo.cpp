// Undo and redo against a data folder: every kind of change is undone to the files it
// started from and redone to the files it made; a long random mix undone to the start
// gives the starting files; another copy's change drops the whole history; a failed save
// of an undo is reported;
// a refused lock keeps the step.
#include "core/undohistory.h"
#include "planner/hoursaccount.h"
#include "planner/monthplanner.h"
#include "staff/stafflogic.h"
#include "storage/datastore.h"
#include "storage/rosterfiles.h"
#include "storage/undomanager.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <csignal>

#include <sys/resource.h>

#include <functional>
#include <memory>

namespace {

class FakeUi : public TStoreUi {
public:
    TLockAnswer answer = TLockAnswer::Cancel;
    int asked = 0;
    TLockAnswer AskLockMessage(const QString&) override
    {
        ++asked;
        return answer;
    }
    std::function<void(const QString&)> onError;
    void ShowError(const QString& text) override
    {
        if (onError)
            onError(text);
        else
            QFAIL(qPrintable(text));
    }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

// One running copy of the program on a folder.
struct Copy {
    FakeUi ui;
    TRoster roster;
    TDataStore store{roster, ui};
    TUndoManager undo{roster, store};
    int droppedReports = 0;

    explicit Copy(const QString& dir)
    {
        store.progpath = dir + QLatin1Char('/');
        store.loadPersons();
        store.loadDienste();
        undo.onApplied = [this](unsigned) { repaint(); };
        undo.onDropped = [this](int) { ++droppedReports; };
    }
    // What the month grid's drawing records: the March hours of every person.
    void repaint()
    {
        for (TPerson& p : roster.personen) {
            p.monatssumme = 0;
            for (const TEintrag& e : std::as_const(p.eintraege)) {
                int y, m, d;
                DecodeDate(e.datum, y, m, d);
                if (y == 2024 && m == 3)
                    p.monatssumme += EintragHours(roster, e);
            }
            RecordMonth(p, 2024, 3);
        }
    }
    // The two files as this copy's memory would write them.
    QByteArray image() const
    {
        return SerializePersonFile(roster.personen, roster.settings) + "|"
            + SerializeDutyFile(roster.dienste, roster.settings.RandBreitEd);
    }
    QByteArray files() const
    {
        QByteArray all;
        for (const QString& name : {store.personFile(), store.dutyFile()}) {
            QFile f(name);
            all += (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing")) + "|";
        }
        return all;
    }
};

using Change = std::function<void(TRoster&, TUndoRecorder&)>;

// Carries out a change as the pages do: the kind's locks, the change, repaint and save
// in the kind's order, release. Returns whether a step was recorded.
bool act(Copy& c, TUndoKind kind, const Change& change)
{
    const unsigned locks = UndoKindInfo(kind).locks;
    if ((locks & kUndoDutyFile) && !c.store.canwritenowdienste())
        return false;
    if ((locks & kUndoPersonFile) && !c.store.canwritenowpersonen()) {
        if (locks & kUndoDutyFile)
            c.store.EndWriteMowdienste();
        return false;
    }
    TUndoRecorder rec(&c.undo.history, c.roster, kind);
    change(c.roster, rec);
    const bool repaintFirst = UndoKindInfo(kind).repaintFirst;
    if (repaintFirst)
        c.repaint();
    if (locks & kUndoDutyFile)
        c.store.saveDienste();
    if (locks & kUndoPersonFile)
        c.store.savePersons();
    c.store.EndWriteMowpersonen();
    c.store.EndWriteMowdienste();
    const bool recorded = rec.Commit(c.roster);
    if (!repaintFirst)
        c.repaint();
    return recorded;
}

// Duty `k` (0 = clear) on day `tag` of March 2024 for person `p`, as the assignment does.
void setDay(TRoster& r, int p, int tag, int k, double extra = -1)
{
    TPerson& person = r.personen[p];
    const int i = TRoster::EintragIndexOfDay(person, 2024, 3, tag);
    if (k == 0 && extra < 0) {
        if (i >= 0)
            person.eintraege.Delete(i);
        return;
    }
    TEintrag* e = i >= 0 ? &person.eintraege[i] : person.eintraege.Add();
    e->datum = EncodeDate(2024, 3, tag);
    if (extra >= 0)
        e->ueberstunden = extra;
    else
        e->dienst = k;
}

void fillRoster(Copy& c)
{
    TRoster& r = c.roster;
    r.dienste.Clear();
    const char* names[4][2] = {{"Urlaub", "U"}, {"Früh", "F"}, {"Spät", "S"}, {"Nacht", "N"}};
    for (int d = 0; d < 4; ++d) {
        TDienst* x = r.dienste.Add();
        x->name = QString::fromUtf8(names[d][0]);
        x->kuerzel = QString::fromUtf8(names[d][1]);
        x->farbe = 0x102030u * unsigned(d + 1);
        x->stunden = d == 0 ? 0 : 8;
    }
    r.personen.Clear();
    for (int p = 0; p < 5; ++p) {
        TPerson* x = r.AddPerson();
        x->name = QStringLiteral("Person %1").arg(p);
        x->startueberstunden = p;
        for (int m = 1; m <= 12; ++m)
            x->soll.Set(2024, m, 160);
        for (int tag = 1; tag <= 28; tag += 1 + p)
            setDay(r, p, tag, 1 + (tag + p) % 4);
    }
    c.repaint();
    QVERIFY(c.store.SavePersonsLocked());
    QVERIFY(c.store.SaveDiensteLocked());
}

struct Action {
    TUndoKind kind;
    Change change;
};

// One change of every kind, as the pages and the planner make them.
QList<QPair<QByteArray, Action>> actionKinds()
{
    return {
        {"assign",
            {TUndoKind::AssignDienst,
                [](TRoster& r, TUndoRecorder&) {
                    for (int tag = 3; tag <= 9; ++tag)
                        setDay(r, 1, tag, 3);
                    setDay(r, 2, 1, 0); // "Leerer Eintrag"
                }}},
        {"overhours", {TUndoKind::OverHours, [](TRoster& r, TUndoRecorder&) { setDay(r, 0, 30, 0, 2.5); }}},
        {"soll",
            {TUndoKind::SollStunden,
                [](TRoster& r, TUndoRecorder&) {
                    for (TPerson& p : r.personen)
                        p.soll.Set(2024, 3, 120);
                }}},
        {"copy month",
            {TUndoKind::CopyMonth,
                [](TRoster& r, TUndoRecorder&) {
                    TMonthView view;
                    view.month = 4;
                    view.year = 2024;
                    CopyPreviousMonth(r, view, 2);
                }}},
        {"add person",
            {TUndoKind::AddPerson,
                [](TRoster& r, TUndoRecorder& rec) {
                    r.AddPerson()->name = QStringLiteral("Neu");
                    rec.PersonInserted(r.personen.Count() - 1);
                }}},
        {"edit person",
            {TUndoKind::EditPerson,
                [](TRoster& r, TUndoRecorder&) {
                    r.personen[2].name = QStringLiteral("Umbenannt");
                    r.personen[2].maxstunden = 150;
                }}},
        {"delete person",
            {TUndoKind::DeletePerson,
                [](TRoster& r, TUndoRecorder& rec) {
                    r.personen.Delete(1);
                    rec.PersonRemoved(1);
                }}},
        {"move person",
            {TUndoKind::MovePerson,
                [](TRoster& r, TUndoRecorder& rec) {
                    r.personen.Change(3, 2);
                    rec.PersonsSwapped(3, 2);
                }}},
        {"sort persons",
            {TUndoKind::SortPersons,
                [](TRoster& r, TUndoRecorder& rec) {
                    std::vector<int> order;
                    SortierePersonen(r.personen, 0, false, &order);
                    rec.PersonsReordered(order);
                }}},
        {"add duty",
            {TUndoKind::AddDienst,
                [](TRoster& r, TUndoRecorder& rec) {
                    TDienst* d = r.dienste.Add();
                    d->name = QStringLiteral("Bereitschaft");
                    d->kuerzel = QStringLiteral("B");
                    rec.DutyInserted(r.dienste.Count() - 1);
                }}},
        {"edit duty", {TUndoKind::EditDienst, [](TRoster& r, TUndoRecorder&) { r.dienste[1].stunden = 7.5; }}},
        {"delete duty",
            {TUndoKind::DeleteDienst,
                [](TRoster& r, TUndoRecorder& rec) {
                    DeleteDienstAndEntries(r, 2);
                    rec.DutyRemoved(1);
                }}},
        {"move duty",
            {TUndoKind::MoveDienst,
                [](TRoster& r, TUndoRecorder& rec) {
                    SwapDienste(r, 3, 4);
                    rec.DutiesSwapped(2, 3);
                }}},
        {"font", {TUndoKind::Font, [](TRoster& r, TUndoRecorder&) { r.settings.FontDialog2.size = 14; }}},
        {"holidays", {TUndoKind::Holidays, [](TRoster& r, TUndoRecorder&) { r.settings.FeiertageList[3] ^= true; }}},
        {"colour", {TUndoKind::Colour, [](TRoster& r, TUndoRecorder&) { r.settings.TesselColorComboBox2 = 0x123456; }}},
        {"display",
            {TUndoKind::Display,
                [](TRoster& r, TUndoRecorder&) {
                    r.settings.LegendeCheck = !r.settings.LegendeCheck;
                    r.settings.RandBreitEd = 12.5;
                }}},
    };
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Another copy's save, one second later than anything this test wrote so far.
void later(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addSecs(1), QFileDevice::FileModificationTime));
}

void checkSame(const QByteArray& actual, const QByteArray& expected)
{
    QVERIFY2(actual == expected, "content differs");
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void undoRestoresTheFilesRedoRemakesThem_data()
    {
        QTest::addColumn<int>("index");
        const auto kinds = actionKinds();
        for (int i = 0; i < kinds.size(); ++i)
            QTest::newRow(kinds[i].first.constData()) << i;
    }
    void undoRestoresTheFilesRedoRemakesThem()
    {
        QFETCH(int, index);
        const Action action = actionKinds()[index].second;
        const bool saves = UndoKindInfo(action.kind).locks != kUndoNoFile;
        QTemporaryDir dir;
        Copy c(dir.path());
        fillRoster(c);
        const QByteArray files0 = c.files(), image0 = c.image();
        QVERIFY(act(c, action.kind, action.change));
        QCOMPARE(c.undo.history.NextUndo()->Name(), QString::fromUtf8(UndoKindInfo(action.kind).name));
        const QByteArray files1 = c.files(), image1 = c.image();
        QVERIFY(image1 != image0);
        QCOMPARE(files1 != files0, saves); // moves and switches reach the files later

        QVERIFY(c.undo.Undo());
        checkSame(c.image(), image0);
        checkSame(c.files(), files0);
        QVERIFY(!c.undo.history.CanUndo() && c.undo.history.CanRedo());
        QVERIFY(c.undo.Redo());
        checkSame(c.image(), image1);
        checkSame(c.files(), files1);
        QVERIFY(!QFile::exists(c.store.personLockFile()) && !QFile::exists(c.store.dutyLockFile()));
    }

    void randomMixUndoneToTheStart()
    {
        QTemporaryDir dir;
        Copy c(dir.path());
        fillRoster(c);
        const QByteArray start = c.files();
        QCOMPARE(c.image(), start.left(start.size() - 1));
        const auto kinds = actionKinds();
        QRandomGenerator rng(16);
        int steps = 0;
        for (int n = 0; n < 200; ++n) {
            const int pick = rng.bounded(kinds.size() + 2);
            if (pick >= kinds.size()) { // the most common edit: a few random cells
                const int p = rng.bounded(c.roster.personen.Count());
                const int k = rng.bounded(c.roster.dienste.Count() + 1);
                const int from = 1 + rng.bounded(31), to = std::min(31, from + rng.bounded(5));
                steps += act(c, TUndoKind::AssignDienst, [&](TRoster& r, TUndoRecorder&) {
                    for (int tag = from; tag <= to; ++tag)
                        setDay(r, p, tag, k);
                });
                continue;
            }
            const Action& a = kinds[pick].second;
            // Keep at least two persons and two duties for the fixed indices above.
            if ((a.kind == TUndoKind::DeletePerson && c.roster.personen.Count() < 5)
                || (a.kind == TUndoKind::DeleteDienst && c.roster.dienste.Count() < 5))
                continue;
            // Fixed values repeat: only real changes make steps.
            steps += act(c, a.kind, a.change);
        }
        QVERIFY(steps > 100);
        QCOMPARE(c.undo.history.UndoCount(), steps);
        const QByteArray end = c.image();
        store(c);
        const QByteArray endFiles = c.files();
        while (c.undo.history.CanUndo())
            QVERIFY(c.undo.Undo());
        store(c); // the moves and switches undone last reach the files with a save
        checkSame(c.files(), start);
        while (c.undo.history.CanRedo())
            QVERIFY(c.undo.Redo());
        checkSame(c.image(), end);
        store(c);
        checkSame(c.files(), endFiles);
    }

    void anotherCopysChangeDropsTheWholeHistory()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        fillRoster(a);
        // A duty edit of this copy, then the assignment the user just made.
        QVERIFY(act(a, TUndoKind::EditDienst, [](TRoster& r, TUndoRecorder&) { r.dienste[1].farbe = 0xABCDEF; }));
        QVERIFY(act(a, TUndoKind::AssignDienst, actionKinds()[0].second.change));
        QVERIFY(a.undo.Undo()); // one redo step as well
        QCOMPARE(a.undo.history.RedoCount(), 1);

        // A second copy saves the person file; its time differs from the one a knows.
        Copy b(dir.path());
        QVERIFY(act(b, TUndoKind::EditPerson, actionKinds()[5].second.change));
        later(b.store.personFile());
        a.store.Timer1Timer();
        QCOMPARE(a.roster.personen[2].name, QStringLiteral("Umbenannt"));
        // Ctrl+Z must not reach back to the older duty edit of this copy.
        QCOMPARE(a.undo.history.UndoCount(), 0);
        QCOMPARE(a.undo.history.RedoCount(), 0);
        QCOMPARE(a.droppedReports, 1);
        a.store.Timer1Timer();
        QCOMPARE(a.droppedReports, 1); // said once
        const QByteArray personsOfB = fileBytes(b.store.personFile());
        QVERIFY(!a.undo.Undo());
        QCOMPARE(a.roster.dienste[1].farbe, 0xABCDEFu);
        QCOMPARE(fileBytes(a.store.personFile()), personsOfB); // b's work stays
    }

    void failedSaveOfAnUndoIsReported()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        fillRoster(a);
        QVERIFY(act(a, TUndoKind::AssignDienst, actionKinds()[0].second.change));
        const QByteArray before = a.files();
        QStringList errors;
        a.ui.onError = [&](const QString& text) { errors << text; };
        int failedReports = 0;
        a.undo.onSaveFailed = [&](bool redo) {
            QVERIFY(!redo);
            ++failedReports;
        };
        // Every write of a data file fails (a file-size limit of a few bytes); the lock
        // files are empty and still made.
        struct rlimit old {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = old;
        tiny.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const bool undone = a.undo.Undo();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldSignal);
        QVERIFY(!undone);
        QCOMPARE(failedReports, 1);
        QCOMPARE(errors.size(), 1); // the store named the file and the reason
        QCOMPARE(a.files(), before); // the file keeps the state before the undo
        QVERIFY(a.undo.history.CanRedo());
    }

    void refusedLockKeepsTheStep()
    {
        QTemporaryDir dir;
        Copy c(dir.path());
        fillRoster(c);
        QVERIFY(act(c, TUndoKind::AssignDienst, actionKinds()[0].second.change));
        const QByteArray files = c.files(), image = c.image();
        QFile lock(c.store.personLockFile()); // another copy is writing
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        for (TLockAnswer answer : {TLockAnswer::Cancel, TLockAnswer::Yes}) {
            c.ui.answer = answer;
            QVERIFY(!c.undo.Undo());
            QCOMPARE(c.undo.history.UndoCount(), 1);
            checkSame(c.image(), image);
            checkSame(c.files(), files);
            QVERIFY(QFile::exists(c.store.personLockFile()));
        }
        c.ui.answer = TLockAnswer::No; // the user overrides the lock
        QVERIFY(c.undo.Undo());
        QCOMPARE(c.ui.asked, 3);
        QVERIFY(c.files() != files);
        QVERIFY(!QFile::exists(c.store.personLockFile()));
    }

    void slotChangeClearsAndDepthHoldsAHundred()
    {
        QTemporaryDir dir;
        Copy c(dir.path());
        fillRoster(c);
        for (int n = 0; n < 150; ++n)
            QVERIFY(act(c, TUndoKind::SollStunden,
                [n](TRoster& r, TUndoRecorder&) { r.personen[0].soll.Set(2024, 3, 100 + n); }));
        QCOMPARE(c.undo.history.UndoCount(), 150);
        // Memory follows the change: one month's target and the balances after it.
        QVERIFY(c.undo.history.Bytes() < 150 * 60 * 1024);
        std::array<bool, kLagerCount> ticked{};
        ticked[3] = true;
        c.store.ChangeTheLager(ticked);
        QVERIFY(!c.undo.history.CanUndo());
    }

private:
    static void store(Copy& c)
    {
        QVERIFY(c.store.SavePersonsLocked());
        QVERIFY(c.store.SaveDiensteLocked());
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestUndo, QCoreApplication)
#include "tst_undo.moc"
