#pragma once
// Power-loss states of a save. A recording file system (the seam of core/fsops.h) logs
// what a save does in one folder; from that log every state a POSIX file system may show
// after a power cut is rebuilt: every prefix of the operations, and at each one any
// subset of the writes not yet synced (per file) and of the name changes not yet made
// durable by a folder sync. Each distinct state is written into a fresh folder and handed
// to a checker, which reads it with the program's own reader.

#include "core/fsops.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <functional>

// The real file system without syncs: the states are checked by the thousand, and
// durability of the checker's own writes does not matter.
class TNoSyncFs : public TFsOps {
public:
    int fsync(int) override { return 0; }
    int fsyncFolder(const char*) override { return 0; }
};

class TRecordingFs : public TFsOps {
public:
    struct Op {
        enum Kind { Create, Write, Truncate, Sync, Rename, Unlink, FolderSync } kind;
        int ino = 0;
        QString name, to;
        qint64 offset = 0;
        QByteArray data;
    };

    // Starts recording saves into `folder`; what it holds now is the durable start.
    explicit TRecordingFs(const QString& folder)
        : dir(QDir(folder).absolutePath() + QLatin1Char('/'))
    {
        const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        for (const QString& f : files) {
            QFile file(dir + f);
            file.open(QIODevice::ReadOnly);
            start.insert(nextIno, file.readAll());
            startNames.insert(f, nextIno);
            names.insert(f, nextIno++);
        }
        SetFs(this);
    }
    ~TRecordingFs() override { SetFs(nullptr); }

    QList<Op> ops;
    // Renames onto this name fail with EPERM, as over another user's file in a sticky
    // folder.
    QString refuseRenameOnto;

    int open(const char* path, int flags, mode_t mode) override
    {
        const int fd = TFsOps::open(path, flags, mode);
        const QString name = inFolder(path);
        if (fd < 0 || name.isEmpty())
            return fd;
        if (!names.contains(name)) {
            names.insert(name, nextIno);
            ops.append({Op::Create, nextIno++, name, {}, 0, {}});
        }
        fds.insert(fd, names.value(name));
        if (flags & O_TRUNC)
            ops.append({Op::Truncate, names.value(name), {}, {}, 0, {}});
        return fd;
    }
    int close(int fd) override
    {
        fds.remove(fd);
        return TFsOps::close(fd);
    }
    ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) override
    {
        const ssize_t n = TFsOps::pwrite(fd, data, size, offset);
        if (n > 0 && fds.contains(fd))
            ops.append({Op::Write, fds.value(fd), {}, {}, offset, QByteArray(static_cast<const char*>(data), n)});
        return n;
    }
    int ftruncate(int fd, off_t length) override
    {
        const int r = TFsOps::ftruncate(fd, length);
        if (r == 0 && fds.contains(fd))
            ops.append({Op::Truncate, fds.value(fd), {}, {}, length, {}});
        return r;
    }
    int fsync(int fd) override
    {
        const int r = TFsOps::fsync(fd);
        if (r == 0 && fds.contains(fd))
            ops.append({Op::Sync, fds.value(fd), {}, {}, 0, {}});
        return r;
    }
    int rename(const char* from, const char* to) override
    {
        const QString a = inFolder(from), b = inFolder(to);
        if (!refuseRenameOnto.isEmpty() && b == refuseRenameOnto) {
            errno = EPERM;
            return -1;
        }
        const int r = TFsOps::rename(from, to);
        if (r == 0 && !a.isEmpty() && !b.isEmpty()) {
            names.insert(b, names.take(a));
            ops.append({Op::Rename, 0, a, b, 0, {}});
        }
        return r;
    }
    int unlink(const char* path) override
    {
        const int r = TFsOps::unlink(path);
        const QString name = inFolder(path);
        if (r == 0 && !name.isEmpty()) {
            names.remove(name);
            ops.append({Op::Unlink, 0, name, {}, 0, {}});
        }
        return r;
    }
    int fsyncFolder(const char* folder) override
    {
        const int r = TFsOps::fsyncFolder(folder);
        if (r == 0 && QDir(QFile::decodeName(folder)).absolutePath() + QLatin1Char('/') == dir)
            ops.append({Op::FolderSync, 0, {}, {}, 0, {}});
        return r;
    }

    // Builds every distinct power-loss state of the recorded operations and calls
    // `check` with a folder holding it; returns {states checked, states the check
    // refused}. Crash points with more than `maxBits` open choices are sampled.
    QPair<int, int> replay(const std::function<bool(const QString& folder)>& check, int maxBits = 12) const
    {
        QMap<QString, int> durableNames = startNames;
        QHash<int, QByteArray> durable = start;
        QHash<int, QList<int>> pendingData; // per inode, ops not yet synced
        QList<int> pendingNames; // name ops not yet made durable
        QSet<QByteArray> seen;
        int checked = 0, bad = 0;
        auto visit = [&](int upto) {
            QList<QPair<int, int>> choices; // (inode or -1 for names, op index)
            for (auto it = pendingData.cbegin(); it != pendingData.cend(); ++it)
                for (int op : it.value())
                    choices.append({it.key(), op});
            for (int op : pendingNames)
                choices.append({-1, op});
            const int bits = int(choices.size());
            QList<quint64> masks;
            if (bits <= maxBits) {
                for (quint64 m = 0; m < (quint64(1) << bits); ++m)
                    masks.append(m);
            } else {
                QRandomGenerator rng(quint32(upto) * 7919u + 17u);
                for (int i = 0; i <= bits; ++i)
                    masks.append(i == 64 ? ~quint64(0) : (quint64(1) << i) - 1); // prefixes
                for (int i = 0; i < (1 << maxBits); ++i)
                    masks.append(rng.generate64());
            }
            for (const quint64 mask : masks) {
                QHash<int, QByteArray> content = durable;
                QMap<QString, int> nameMap = durableNames;
                for (int c = 0; c < bits; ++c) {
                    if (!(c < 64 && (mask >> c) & 1))
                        continue;
                    const Op& op = ops[choices[c].second];
                    if (choices[c].first >= 0)
                        applyData(content[op.ino], op);
                    else
                        applyName(nameMap, op);
                }
                QByteArray key;
                for (auto it = nameMap.cbegin(); it != nameMap.cend(); ++it)
                    key += it.key().toUtf8() + '\0' + content.value(it.value()) + '\1';
                if (seen.contains(key))
                    continue;
                seen.insert(key);
                QTemporaryDir state;
                for (auto it = nameMap.cbegin(); it != nameMap.cend(); ++it) {
                    QFile f(state.path() + QLatin1Char('/') + it.key());
                    f.open(QIODevice::WriteOnly);
                    f.write(content.value(it.value()));
                }
                ++checked;
                TNoSyncFs noSync;
                SetFs(&noSync);
                if (!check(state.path()))
                    ++bad;
                SetFs(nullptr);
            }
        };
        visit(0);
        for (int i = 0; i < ops.size(); ++i) {
            const Op& op = ops[i];
            switch (op.kind) {
            case Op::Create:
            case Op::Rename:
            case Op::Unlink:
                pendingNames.append(i);
                break;
            case Op::FolderSync:
                for (int p : pendingNames)
                    applyName(durableNames, ops[p]);
                pendingNames.clear();
                break;
            case Op::Write:
            case Op::Truncate:
                pendingData[op.ino].append(i);
                break;
            case Op::Sync:
                for (int p : pendingData.take(op.ino))
                    applyData(durable[op.ino], ops[p]);
                break;
            }
            visit(i + 1);
        }
        return {checked, bad};
    }

private:
    QString dir;
    QHash<QString, int> names;
    QHash<int, int> fds;
    QHash<int, QByteArray> start;
    QMap<QString, int> startNames;
    int nextIno = 1;

    QString inFolder(const char* path) const
    {
        const QString p = QFile::decodeName(path);
        const int slash = int(p.lastIndexOf(QLatin1Char('/')));
        const QString folder = slash < 0 ? QDir::currentPath() : QDir(p.left(slash + 1)).absolutePath();
        return folder + QLatin1Char('/') == dir ? p.mid(slash + 1) : QString();
    }
    static void applyData(QByteArray& content, const Op& op)
    {
        if (op.kind == Op::Truncate) {
            content.resize(qsizetype(op.offset), '\0');
            return;
        }
        if (content.size() < op.offset + op.data.size())
            content.resize(qsizetype(op.offset + op.data.size()), '\0');
        std::memcpy(content.data() + op.offset, op.data.constData(), size_t(op.data.size()));
    }
    void applyName(QMap<QString, int>& map, const Op& op) const
    {
        if (op.kind == Op::Create)
            map.insert(op.name, op.ino);
        else if (op.kind == Op::Rename && map.contains(op.name))
            map.insert(op.to, map.take(op.name));
        else if (op.kind == Op::Unlink)
            map.remove(op.name);
    }
};
