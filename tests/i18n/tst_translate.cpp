#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "testsupport.h"

#include <QFile>
#include <QtEndian>

namespace {

void putInt(QByteArray& out, qint32 v)
{
    char b[4];
    qToLittleEndian<qint32>(v, b);
    out.append(b, 4);
}

void putString(QByteArray& out, const QString& s)
{
    putInt(out, qint32(s.size()));
    for (QChar ch : s) {
        char b[2];
        qToLittleEndian<quint16>(ch.unicode(), b);
        out.append(b, 2);
    }
}

// A file image with `columns` strings per row; rows are given as their first columns,
// missing columns are written empty.
QByteArray image(qint32 columns, const QList<QStringList>& rows)
{
    QByteArray out;
    putInt(out, columns);
    putInt(out, qint32(rows.size()));
    for (const QStringList& row : rows)
        for (int c = 0; c < columns; ++c)
            putString(out, c < row.size() ? row[c] : QString());
    return out;
}

// Every row with a German text has exactly one entry, in its bucket, naming it; no entry
// names a row that is gone.
bool indexConsistent()
{
    TTranslationStore& st = Translations();
    QList<int> entries(st.TranslationTable.Count(), 0);
    for (int b = 0; b < kTranslationBuckets; ++b) {
        for (const IndexEntry& e : st.TranslationIndex[b]) {
            if (e.row < 0 || e.row >= st.TranslationTable.Count())
                return false;
            const QString& german = st.TranslationTable[e.row].spalten[0];
            if (german != e.text || TranslationBucket(german) != b)
                return false;
            ++entries[e.row];
        }
    }
    for (int r = 0; r < st.TranslationTable.Count(); ++r)
        if (entries[r] != (st.TranslationTable[r].spalten[0].isEmpty() ? 0 : 1))
            return false;
    return true;
}

} // namespace

class TestTranslate : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QStringList reported;

    QString file() const { return dir.filePath(QStringLiteral("translate.dat")); }
    void writeFile(const QByteArray& data)
    {
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    QByteArray readFile() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        SetTranslationErrorReporter([this](const QString& text) { reported.append(text); });
    }
    void init()
    {
        QFile::remove(file());
        reported.clear();
        SetCurrentLanguage(1);
        InitTranslations(dir.path());
    }

    void blankRules_data()
    {
        QTest::addColumn<QString>("german"); // row 0
        QTest::addColumn<QString>("translation"); // row 1
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("added"); // German text of the appended row, if any
        QTest::newRow("outer blanks of the German text, not the translation's") << "Datei"
                                                                                << "File "
                                                                                << "  Datei "
                                                                                << "  File "
                                                                                << "";
        QTest::newRow("translation trimmed of controls") << "Datei"
                                                         << "\t File\r\n"
                                                         << "Datei"
                                                         << "File"
                                                         << "";
        QTest::newRow("empty translation keeps the German blanks") << "Datei"
                                                                   << ""
                                                                   << " Datei  "
                                                                   << " Datei  "
                                                                   << "";
        QTest::newRow("blank-only translation counts as none") << "Datei"
                                                               << "   "
                                                               << " Datei"
                                                               << " Datei"
                                                               << "";
        QTest::newRow("only blanks: unchanged, not added") << "Datei"
                                                           << "File"
                                                           << "   "
                                                           << "   "
                                                           << "";
        QTest::newRow("empty: unchanged, not added") << "Datei"
                                                     << "File"
                                                     << ""
                                                     << ""
                                                     << "";
        QTest::newRow("tab is not a blank") << "Datei"
                                            << "File"
                                            << "\tDatei"
                                            << "\tDatei"
                                            << "\tDatei";
        QTest::newRow("case-sensitive") << "Datei"
                                        << "File"
                                        << "datei"
                                        << "datei"
                                        << "datei";
        QTest::newRow("unknown text added without blanks") << "Datei"
                                                           << "File"
                                                           << " Neu "
                                                           << " Neu "
                                                           << "Neu";
    }
    void blankRules()
    {
        QFETCH(QString, german);
        QFETCH(QString, translation);
        QFETCH(QString, asked);
        QFETCH(QString, expected);
        QFETCH(QString, added);
        writeFile(image(2, {{german, translation}}));
        InitTranslations(dir.path());
        QCOMPARE(TranslateText(asked), expected);
        QCOMPARE(TranslationRowCount(), added.isEmpty() ? 1 : 2);
        if (!added.isEmpty()) {
            QCOMPARE(TranslationCell(1, 0), added);
            QVERIFY(indexConsistent());
            QCOMPARE(TranslateText(asked), asked); // found now, still no translation
            QCOMPARE(TranslationRowCount(), 2);
        }
    }

    void germanReturnsTextUnchangedButRegisters()
    {
        writeFile(image(2, {{QStringLiteral("Datei"), QStringLiteral("File")}}));
        InitTranslations(dir.path());
        SetCurrentLanguage(0);
        QCOMPARE(TranslateText(QStringLiteral(" Datei")), QStringLiteral(" Datei"));
        QCOMPARE(TranslateText(QStringLiteral("Neu")), QStringLiteral("Neu"));
        QCOMPARE(TranslationRowCount(), 2);
        SetCurrentLanguage(30); // out of range: German
        QCOMPARE(GetCurrentLanguage(), 0);
        QVERIFY(!ChooseLanguage(1, true));
        QCOMPARE(GetCurrentLanguage(), 0);
        QVERIFY(ChooseLanguage(1, false));
        QCOMPARE(TranslateText(QStringLiteral("Datei")), QStringLiteral("File"));
    }

    void newTextSavedAtOnceAndReloaded()
    {
        QVERIFY(!QFile::exists(file()));
        TranslateText(QStringLiteral("Übersicht"));
        QVERIFY(QFile::exists(file()));
        const QByteArray expected = image(30, {{QStringLiteral("Übersicht")}});
        QCOMPARE(readFile(), expected);
        SetTranslationCell(0, 1, QStringLiteral("Overview"));
        QVERIFY(SaveTranslations());
        InitTranslations(dir.path());
        QCOMPARE(TranslateText(QStringLiteral("Übersicht")), QStringLiteral("Overview"));
        QVERIFY(reported.isEmpty());
    }

    void columnCounts_data()
    {
        QTest::addColumn<int>("columns");
        QTest::newRow("C = 31, column 30 skipped") << 31;
        QTest::newRow("C = 2, columns 2 to 29 empty") << 2;
        QTest::newRow("C = 30") << 30;
    }
    void columnCounts()
    {
        QFETCH(int, columns);
        QStringList row, row2;
        for (int c = 0; c < columns; ++c) {
            row.append(QStringLiteral("a%1").arg(c));
            row2.append(QStringLiteral("b%1").arg(c));
        }
        writeFile(image(columns, {row, row2}));
        InitTranslations(dir.path());
        QVERIFY(reported.isEmpty());
        QCOMPARE(TranslationRowCount(), 2);
        for (int c = 0; c < kTranslationColumns; ++c) {
            QCOMPARE(TranslationCell(0, c), c < columns ? row[c] : QString());
            QCOMPARE(TranslationCell(1, c), c < columns ? row2[c] : QString());
        }
        QVERIFY(indexConsistent());
        QVERIFY(SaveTranslations());
        row.resize(qMin<qsizetype>(row.size(), 30));
        row2.resize(qMin<qsizetype>(row2.size(), 30));
        QCOMPARE(readFile(), image(30, {row, row2}));
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("rowsKept");
        const QByteArray good = image(2,
            {{QStringLiteral("Eins"), QStringLiteral("One")}, {QStringLiteral("Zwei"), QStringLiteral("Two")},
                {QStringLiteral("Drei"), QStringLiteral("Three")}});
        // Row 3 starts at 8 + 2 × (4 + 8 + 4 + 6) bytes; cut it in the middle of "Drei".
        QTest::newRow("ends in the middle of a string") << good.left(8 + 44 + 4 + 3) << 2;
        QTest::newRow("ends after a count") << good.left(8 + 44 + 4) << 2;
        QTest::newRow("row count beyond the data") << [&] {
            QByteArray d = good;
            qToLittleEndian<qint32>(1000000, d.data() + 4);
            return d;
        }() << 3;
        QTest::newRow("string count beyond the data") << [&] {
            QByteArray d = good;
            qToLittleEndian<qint32>(0x7fffffff, d.data() + 8 + 22);
            return d;
        }() << 1;
        QTest::newRow("negative string count") << [&] {
            QByteArray d = good;
            qToLittleEndian<qint32>(-2, d.data() + 8 + 22);
            return d;
        }() << 1;
        QTest::newRow("negative row count") << [] {
            QByteArray d;
            putInt(d, 30);
            putInt(d, -1);
            return d;
        }() << 0;
        QTest::newRow("negative column count") << [] {
            QByteArray d;
            putInt(d, -5);
            putInt(d, 1);
            return d;
        }() << 0;
        QTest::newRow("rows without columns") << [] {
            QByteArray d;
            putInt(d, 0);
            putInt(d, 0x7fffffff);
            return d;
        }() << 0;
        QTest::newRow("header cut") << QByteArray("\x1e\x00\x00", 3) << 0;
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, rowsKept);
        writeFile(data);
        InitTranslations(dir.path());
        QCOMPARE(reported, QStringList{QStringLiteral("The file translation.dat has been corrupted.")});
        QCOMPARE(TranslationRowCount(), rowsKept);
        if (rowsKept >= 2)
            QCOMPARE(TranslateText(QStringLiteral("Zwei")), QStringLiteral("Two"));
        QVERIFY(indexConsistent());
        QCOMPARE(readFile(), data);
        // A new text does not replace the damaged file (its unread rows would be lost);
        // once the user has removed it, the table is written again.
        QCOMPARE(TranslateText(QStringLiteral("Neu")), QStringLiteral("Neu"));
        QCOMPARE(readFile(), data);
        QVERIFY(QFile::remove(file()));
        TranslateText(QStringLiteral("Noch neuer"));
        QVERIFY(QFile::exists(file()));
    }

    void rowLimit()
    {
        const QByteArray data = image(1, {{QStringLiteral("a")}, {QStringLiteral("b")}, {QStringLiteral("c")}});
        TDynaArray<TTranslationRow> table;
        const TranslationReadResult res = ReadTranslationData(data, table, 2);
        QVERIFY(res.damaged);
        QCOMPARE(res.rowsRead, 2);
        QCOMPARE(table.Count(), 2);
        TDynaArray<TTranslationRow> all;
        QVERIFY(!ReadTranslationData(data, all, 3).damaged);
        QCOMPARE(all.Count(), 3);
    }

    void emptyAndMissingFiles()
    {
        InitTranslations(dir.path()); // no file
        QCOMPARE(TranslationRowCount(), 0);
        writeFile(image(30, {}));
        InitTranslations(dir.path());
        QCOMPARE(TranslationRowCount(), 0);
        QVERIFY(reported.isEmpty());
        InitTranslations(dir.filePath(QStringLiteral("missing/folder")));
        TranslateText(QStringLiteral("Nur im Speicher"));
        QCOMPARE(TranslationRowCount(), 1);
        QVERIFY(!SaveTranslations()); // not writable: not reported, table stays
        QVERIFY(reported.isEmpty());
    }

    void deletionKeepsIndex()
    {
        QList<QStringList> rows;
        // Several texts share a bucket ("A…" and "Ā…" both have low byte 0x41/0x00).
        const QStringList germans
            = {QStringLiteral("Anfang"), QStringLiteral("Abend"), QString(), QStringLiteral("Bett"),
                QStringLiteral("Anfang"), QStringLiteral("Auge"), QString(QChar(0x0141)) + QStringLiteral("odz")};
        for (const QString& g : germans)
            rows.append({g, g.isEmpty() ? QString() : g.toUpper()});
        writeFile(image(2, rows));
        InitTranslations(dir.path());
        QVERIFY(indexConsistent());
        QCOMPARE(TranslationBucket(germans[6]), TranslationBucket(germans[0]));
        // Duplicates: the first row wins.
        SetTranslationCell(4, 1, QStringLiteral("second"));
        QCOMPARE(TranslateText(QStringLiteral("Anfang")), QStringLiteral("ANFANG"));

        QVERIFY(DeleteTranslationRow(1)); // "Abend"
        QVERIFY(indexConsistent());
        QVERIFY(DeleteTranslationRow(1)); // the row without German text
        QVERIFY(indexConsistent());
        QVERIFY(DeleteTranslationRow(0)); // first "Anfang": the second now answers
        QVERIFY(indexConsistent());
        QVERIFY(!DeleteTranslationRow(4));
        QVERIFY(!DeleteTranslationRow(-1));
        QCOMPARE(TranslationRowCount(), 4);
        QCOMPARE(TranslateText(QStringLiteral("Anfang")), QStringLiteral("second"));
        QCOMPARE(TranslateText(QStringLiteral("Bett")), QStringLiteral("BETT"));
        QCOMPARE(TranslateText(QStringLiteral("Auge")), QStringLiteral("AUGE"));
        QCOMPARE(TranslateText(germans[6]), germans[6].toUpper());
        QCOMPARE(TranslationRowCount(), 4);
        TranslateText(QStringLiteral("Abend")); // appended again after the deletion
        QCOMPARE(TranslationRowCount(), 5);
        QVERIFY(indexConsistent());

        // A row whose German text was edited is still found by its entry when deleted.
        SetTranslationCell(0, 0, QStringLiteral("Zebra"));
        QVERIFY(DeleteTranslationRow(0));
        QCOMPARE(TranslateText(QStringLiteral("Abend")), QStringLiteral("Abend"));
        QCOMPARE(TranslateText(QStringLiteral("Auge")), QStringLiteral("AUGE"));
        QVERIFY(indexConsistent());
    }

    void batchSavesOnce()
    {
        TranslateText(QStringLiteral("Vorher"));
        const QByteArray before = readFile();
        BeginTranslationBatch();
        TranslateText(QStringLiteral("Eins"));
        TranslateText(QStringLiteral("Zwei"));
        QVERIFY(Translations().TableDirty);
        QCOMPARE(readFile(), before); // nothing written during the batch
        EndTranslationBatch();
        QVERIFY(!Translations().BatchMode);
        QCOMPARE(
            readFile(), image(30, {{QStringLiteral("Vorher")}, {QStringLiteral("Eins")}, {QStringLiteral("Zwei")}}));

        // A batch that adds nothing does not write.
        QFile::remove(file());
        BeginTranslationBatch();
        TranslateText(QStringLiteral("Eins"));
        EndTranslationBatch();
        QVERIFY(!QFile::exists(file()));

        // Batches inside a batch (the start-up around the message registration) write
        // once, when the outermost one ends.
        BeginTranslationBatch();
        BeginTranslationBatch();
        TranslateText(QStringLiteral("Drei"));
        EndTranslationBatch();
        QVERIFY(Translations().BatchMode);
        QVERIFY(!QFile::exists(file()));
        TranslateText(QStringLiteral("Vier"));
        EndTranslationBatch();
        QVERIFY(!Translations().BatchMode);
        QCOMPARE(readFile(),
            image(30,
                {{QStringLiteral("Vorher")}, {QStringLiteral("Eins")}, {QStringLiteral("Zwei")},
                    {QStringLiteral("Drei")}, {QStringLiteral("Vier")}}));
    }

    void messages()
    {
        QCOMPARE(GetMessageText(0), QString());
        QCOMPARE(GetMessageText(86), QString());
        QCOMPARE(GetMessageText(-1), QString());
        QCOMPARE(TranslationRowCount(), 0);
        QVERIFY(!QFile::exists(file()));

        RegisterMessages();
        // 85 numbers, 5 reserved, "Dienst Statistik" and the web address twice.
        QCOMPARE(TranslationRowCount(), 78);
        QVERIFY(indexConsistent());
        QCOMPARE(TranslationCell(0, 0),
            QStringLiteral("Bitte starten Sie das Programm neu, damit die Sprache aktiviert werden kann."));
        QCOMPARE(TranslationCell(77, 0), QStringLiteral("Dezember"));
        const QByteArray saved = readFile();
        QCOMPARE(saved.size() > 8, true);
        QCOMPARE(qFromLittleEndian<qint32>(saved.constData() + 4), 78);

        const int mo = [] {
            for (int r = 0; r < TranslationRowCount(); ++r)
                if (TranslationCell(r, 0) == QStringLiteral("Mo"))
                    return r;
            return -1;
        }();
        QVERIFY(mo >= 0);
        SetTranslationCell(mo, 1, QStringLiteral("Mon"));
        QCOMPARE(GetMessageText(5), QStringLiteral("Mon"));
        QCOMPARE(GetMessageText(3), QString());
        QCOMPARE(GetMessageText(40), QStringLiteral("Oster~sonntag"));

        RegisterMessages(); // all known: nothing added, nothing written
        QFile::remove(file());
        RegisterMessages();
        QVERIFY(!QFile::exists(file()));
        QCOMPARE(TranslationRowCount(), 78);
    }

    void saveReplacesFileWhole()
    {
        writeFile(image(30, {{QStringLiteral("Alt")}}) + QByteArray(5000, '\0')); // long tail
        InitTranslations(dir.path());
        QVERIFY(reported.isEmpty());
        TranslateText(QStringLiteral("Neu"));
        QCOMPARE(readFile(), image(30, {{QStringLiteral("Alt")}, {QStringLiteral("Neu")}}));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("translate.dat")});
    }
};

ROSTELMARK_TEST_MAIN(TestTranslate)
#include "tst_translate.moc"
