#include "core/dynaarray.h"
#include "core/tempfile.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {
struct Rec {
    int a;
    char text[12];
};
struct Owning {
    QString s;
    int n = 0;
};
} // namespace

class TestDynaArray : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void walkOverEmptyDoesNothing()
    {
        Rec* cur = reinterpret_cast<Rec*>(0x1);
        TDynaArray<Rec> arr(&cur);
        arr.aobjnr = 7;
        arr.First();
        QCOMPARE(arr.aobjnr, 7);
        QCOMPARE(cur, reinterpret_cast<Rec*>(0x1));
        int visits = 0;
        arr.aobjnr = -1;
        arr.First();
        while (arr.WhileNext())
            ++visits;
        QCOMPARE(visits, 0);
    }

    void walkPublishesOneBasedNumbers()
    {
        Rec* cur = nullptr;
        TDynaArray<Rec> arr(&cur);
        for (int i = 0; i < 5; ++i)
            arr.Add()->a = i * 10;
        QCOMPARE(arr.aobjnr, 4); // Add leaves the 0-based index
        QList<int> seen;
        arr.First();
        while (arr.WhileNext()) {
            QCOMPARE(arr.aobjnr, cur->a / 10 + 1);
            QCOMPARE(cur, arr.aobj);
            seen << cur->a;
        }
        QCOMPARE(seen, (QList<int>{0, 10, 20, 30, 40}));
        QCOMPARE(arr.aobjnr, 5);
        QCOMPARE(cur->a, 40); // the last record stays published
    }

    void nextSteps()
    {
        TDynaArray<Rec> arr;
        QVERIFY(!arr.Next());
        arr.Add()->a = 1;
        arr.Add()->a = 2;
        arr.aobjnr = -1;
        QVERIFY(arr.Next());
        QCOMPARE(arr.aobj->a, 1);
        QVERIFY(arr.Next());
        QCOMPARE(arr.aobj->a, 2);
        QVERIFY(!arr.Next());
        QCOMPARE(arr.aobjnr, 1);
    }

    void outOfRangeOperationsChangeNothing()
    {
        Rec* cur = nullptr;
        TDynaArray<Rec> arr(&cur);
        for (int i = 0; i < 3; ++i)
            arr.Add()->a = i;
        arr.GetObject(1);
        arr.Delete(-1);
        arr.Delete(3);
        arr.Change(-1, 0);
        arr.Change(0, 3);
        QCOMPARE(arr.Count(), 3);
        QCOMPARE(arr.aobjnr, 1);
        QCOMPARE(cur->a, 1);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(arr[i].a, i);
        QVERIFY(arr.Insert(4) == nullptr);
        QVERIFY(arr.Insert(-1) == nullptr);
        QCOMPARE(arr.Count(), 3);
        Rec* appended = arr.Insert(3);
        QVERIFY(appended);
        QCOMPARE(arr.Count(), 4);
        QCOMPARE(arr.aobjnr, 3);
        QCOMPARE(&arr[3], appended);
    }

    void insertShiftsAndZeroes()
    {
        TDynaArray<Rec> arr;
        for (int i = 0; i < 3; ++i)
            arr.Add()->a = i + 1;
        Rec* r = arr.Insert(1);
        QCOMPARE(r->a, 0);
        QCOMPARE(arr[0].a, 1);
        QCOMPARE(arr[2].a, 2);
        QCOMPARE(arr[3].a, 3);
    }

    void deleteLeavesNoCurrentRecord()
    {
        Rec* cur = nullptr;
        TDynaArray<Rec> arr(&cur);
        for (int i = 0; i < 4; ++i)
            arr.Add()->a = i;
        arr.Delete(1);
        QVERIFY(cur == nullptr);
        QVERIFY(arr.aobj == nullptr);
        QCOMPARE(arr.aobjnr, -1);
        QCOMPARE(arr.Count(), 3);
        QCOMPARE(arr[0].a, 0);
        QCOMPARE(arr[1].a, 2);
        QCOMPARE(arr[2].a, 3);
    }

    void changeSwapsAndPublishesSecond()
    {
        Rec* cur = nullptr;
        TDynaArray<Rec> arr(&cur);
        for (int i = 0; i < 3; ++i)
            arr.Add()->a = i;
        arr.Change(0, 2);
        QCOMPARE(arr[0].a, 2);
        QCOMPARE(arr[2].a, 0);
        QCOMPARE(arr.aobjnr, 2);
        QCOMPARE(cur, &arr[2]);
    }

    void growthAndShrinkInSteps()
    {
        TDynaArray<Rec> arr;
        QCOMPARE(arr.amemsize, 0u);
        for (int i = 0; i < 100; ++i) {
            Rec* r = arr.Add();
            r->a = i;
            std::memset(r->text, 'a' + i % 26, sizeof r->text);
        }
        QCOMPARE(arr.amemsize, 100u * sizeof(Rec));
        const QByteArray before(reinterpret_cast<const char*>(arr.poi), 100 * sizeof(Rec));
        arr.Add()->a = 100; // the 101st record doubles the block
        QCOMPARE(arr.amemsize, 200u * sizeof(Rec));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(arr.poi), 100 * sizeof(Rec)), before);
        arr.Delete(100); // and deleting it shrinks it back at once
        QCOMPARE(arr.amemsize, 100u * sizeof(Rec));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(arr.poi), 100 * sizeof(Rec)), before);
        arr.Clear();
        QCOMPARE(arr.amemsize, 0u);
        QVERIFY(arr.poi == nullptr);
        Rec* r = arr.Add();
        QCOMPARE(arr.Count(), 1);
        QCOMPARE(r, &arr[0]);
        QCOMPARE(r->a, 0);
    }

    void reusedSpaceIsZeroed()
    {
        TDynaArray<Rec> arr;
        for (int i = 0; i < 10; ++i) {
            Rec* r = arr.Add();
            r->a = -1;
            std::memset(r->text, 0x7f, sizeof r->text);
        }
        arr.Delete(9);
        arr.Delete(0);
        Rec* added = arr.Add();
        const Rec zero{};
        QCOMPARE(std::memcmp(added->text, zero.text, sizeof zero.text), 0);
        QCOMPARE(added->a, 0);
        Rec* inserted = arr.Insert(0);
        QCOMPARE(inserted->a, 0);
        QCOMPARE(std::memcmp(inserted->text, zero.text, sizeof zero.text), 0);
    }

    void customBufferSize_data()
    {
        QTest::addColumn<std::uint32_t>("step");
        QTest::addColumn<std::uint32_t>("recordsAfterFour");
        QTest::newRow("3") << 3u << 6u;
        QTest::newRow("1") << 1u << 4u;
        QTest::newRow("0 acts as 1") << 0u << 4u;
    }

    void customBufferSize()
    {
        QFETCH(std::uint32_t, step);
        QFETCH(std::uint32_t, recordsAfterFour);
        TDynaArray<Rec> arr;
        arr.buffersize = step;
        for (int i = 0; i < 4; ++i)
            arr.Add()->a = i;
        QCOMPARE(arr.amemsize, recordsAfterFour * sizeof(Rec));
        arr.Insert(1)->a = 9;
        arr.Delete(4);
        arr.Delete(0);
        QCOMPARE(arr.Count(), 3);
        QCOMPARE(arr[0].a, 9);
        QCOMPARE(arr[2].a, 2);
    }

    void owningRecordsSurviveMoves()
    {
        Owning* cur = nullptr;
        TDynaArray<Owning> arr(&cur);
        for (int i = 0; i < 250; ++i) {
            Owning* o = arr.Add();
            o->s = QString::number(i).repeated(3);
            o->n = i;
        }
        arr.Insert(0)->s = QStringLiteral("front");
        arr.Delete(100);
        arr.Change(0, 249);
        QCOMPARE(arr[249].s, QStringLiteral("front"));
        QCOMPARE(arr[0].s, QStringLiteral("249249249"));
        QCOMPARE(arr[100].s, QStringLiteral("100100100"));
        while (arr.Count() > 0)
            arr.Delete(arr.Count() - 1);
        QCOMPARE(arr.amemsize, 0u);
    }

    void allocationFailureIsReported()
    {
        QStringList reports;
        rostelmark::setAllocErrorHandler([&](const QString& t) { reports << t; });
        TDynaArray<Rec> arr;
        rostelmark::failNthAllocationForTest(1);
        QVERIFY(arr.Add() == nullptr);
        QCOMPARE(arr.Count(), 0);
        QCOMPARE(reports.value(0),
            QStringLiteral("Error 1 while trying to allocate %1 bytes of RAM. Not enough memory.")
                .arg(100 * sizeof(Rec)));
        for (int i = 0; i < 100; ++i)
            arr.Add()->a = i;
        rostelmark::failNthAllocationForTest(1);
        QVERIFY(arr.Add() == nullptr);
        QCOMPARE(arr.Count(), 100);
        QVERIFY(reports.value(1).startsWith(
            QStringLiteral("Error 2 while trying to allocate %1 bytes of RAM. Not enough memory.")
                .arg(200 * sizeof(Rec))));
        QCOMPARE(arr[99].a, 99);
        rostelmark::setAllocErrorHandler({});
    }

    void uniqueTempFileNames()
    {
        const QString prefix = QStringLiteral("rmtest%1_").arg(QCoreApplication::applicationPid());
        const QString first = GetUniqueTempFileName(prefix, QStringLiteral(".tmp"));
        QVERIFY(first.endsWith(prefix + QStringLiteral("0.tmp")));
        const QString created = CreateUniqueTempFile(prefix, QStringLiteral(".tmp"));
        QCOMPARE(created, first);
        QVERIFY(QFileInfo::exists(created));
        // A link of the next name must never be written through.
        const QString linkName = GetUniqueTempFileName(prefix, QStringLiteral(".tmp"));
        QVERIFY(linkName.endsWith(prefix + QStringLiteral("1.tmp")));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/target"), linkName));
        const QString second = CreateUniqueTempFile(prefix, QStringLiteral(".tmp"));
        QVERIFY(second.endsWith(prefix + QStringLiteral("2.tmp")));
        QFile::remove(created);
        QFile::remove(linkName);
        QFile::remove(second);
    }
};

ROSTELMARK_TEST_MAIN(TestDynaArray)
#include "tst_dynaarray.moc"
