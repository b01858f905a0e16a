#include "session.h"

#include "calendar/feiertage.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

QString OneLine(const QString& text)
{
    QString out;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            continue;
        if (!out.isEmpty())
            out += out.endsWith(QLatin1Char(':')) ? QStringLiteral(" ") : QStringLiteral(": ");
        out += part;
    }
    return out;
}

TCliSession::TCliSession() = default;

TLockAnswer TCliSession::AskLockMessage(const QString&)
{
    if (force_)
        return TLockAnswer::No; // like answering No: go on and take the lock over
    locked_ = true;
    return TLockAnswer::Cancel;
}

void TCliSession::ShowError(const QString& text)
{
    if (shownError_.isEmpty())
        shownError_ = OneLine(text);
}

void TCliSession::LanguageRead(int index)
{
    SetCurrentLanguage(index);
}

TCliExit TCliSession::load(TLoadResult result, const QString& lockFile)
{
    switch (result) {
    case TLoadResult::Refused:
        error = QStringLiteral("locked: ") + QDir::toNativeSeparators(lockFile);
        return locked_ ? kExitLocked : kExitIo;
    case TLoadResult::Damaged:
    case TLoadResult::NoMemory:
        error = shownError_;
        return kExitIo;
    case TLoadResult::Missing:
    case TLoadResult::Loaded:
        break;
    }
    return kExitOk;
}

TCliExit TCliSession::Open(const TSessionOptions& options)
{
    force_ = options.force;
    userStore = ReadUserStore();

    // The data folder: the one given, or the desktop program's start-up choice (without
    // creating the per-user folder: a folder that does not exist holds no roster).
    store.progpath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    if (options.data) {
        store.progpath = *options.data;
        if (!store.progpath.isEmpty() && !store.progpath.endsWith(QLatin1Char('/')))
            store.progpath += QLatin1Char('/');
    } else if (userStore.folderOption == TDataFolderOption::UserFolder) {
        store.progpath = store.GetProgramDir(false);
    } else {
        store.ChooseDataFolder(userStore.folderOption, userStore.directoryEdit);
    }
    const QString folder = store.progpath.isEmpty() ? QStringLiteral(".") : store.progpath;
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("Data folder not found: ") + QDir::toNativeSeparators(folder);
        return kExitIo;
    }

    // The translation table of the per-user folder, read only: this tool never writes it.
    if (options.texts) {
        SetTranslationErrorReporter(
            [](const QString& text) { std::fprintf(stderr, "warning: %s\n", qPrintable(OneLine(text))); });
        InitTranslations(store.GetProgramDir(false));
        Translations().fileName.clear();
    }

    // Defaults, the per-user values, then the slot's files, as at the program's start.
    roster.InitPersonenDienste();
    ApplyUserStore(userStore, roster.settings);
    store.SetNewLagerNr(1);
    if (options.slot)
        store.SetNewLagerNr(*options.slot);
    else
        store.FindALagerNr(userStore.ticked);

    // --force reads past another copy's lock without creating, asking about or deleting
    // any lock file.
    store.lockFree = options.force;
    const TLoadResult persons = store.loadPersons();
    if (const TCliExit rc = load(persons, store.personLockFile()); rc != kExitOk)
        return rc;
    // A mistyped --slot or --data would otherwise export a one-person plan without a word.
    if (persons == TLoadResult::Missing)
        std::fprintf(stderr, "rostelmark-cli: warning: %s does not exist; using the default roster\n",
            qPrintable(QDir::toNativeSeparators(store.personFile())));
    if (const TCliExit rc = load(store.loadDienste(), store.dutyLockFile()); rc != kExitOk)
        return rc;
    if (const TCliExit rc = load(store.loadRegeln(), store.rulesLockFile()); rc != kExitOk)
        return rc;
    if (options.texts)
        firstShowing();
    return kExitOk;
}

// What the program's first showing does to the values the outputs use: the messages and
// the language of the person file, the headings translated with the windows (their edit
// fields hold at most 32767 characters), the margin as its field holds it, and the
// weekday abbreviations in that language.
void TCliSession::firstShowing()
{
    RegisterMessages();
    SetCurrentLanguage(roster.settings.languagesetto);
    TPlanSettings& s = roster.settings;
    s.CaptionEd = s.CaptionEd.left(32767);
    s.Capt2Ed = s.Capt2Ed.left(32767);
    if (GetCurrentLanguage() != 0) {
        BeginTranslationBatch();
        s.CaptionEd = TranslateText(s.CaptionEd);
        s.Capt2Ed = TranslateText(s.Capt2Ed);
        EndTranslationBatch();
    }
    s.RandBreitEd = MarginFieldValue(s.RandBreitEd);
    FillWeekdayAbbrev();
}
