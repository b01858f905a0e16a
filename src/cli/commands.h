#pragma once
// The command line of rostelmark-cli and its commands.
//
//   rostelmark-cli [--data DIR] [--slot N] [--force] COMMAND [OPTIONS]

#include "session.h"

#include <QMap>
#include <QString>
#include <QStringList>

struct TCliRequest {
    TSessionOptions session;
    QString command; // empty: none given
    QString kind; // render: month, day or year
    QMap<QString, QString> values; // command options with a value, by name ("month", "o", …)
    QStringList flags; // command options without a value ("all", "portrait", …)
    bool help = false;
    bool version = false;

    bool has(const QString& name) const { return values.contains(name) || flags.contains(name); }
    int number(const QString& name, int fallback) const;
};

// Splits and checks the arguments (names, values, ranges, required options). False with a
// message for a usage error.
bool ParseCommandLine(const QStringList& args, TCliRequest& request, QString& error);
// The help of the tool (command empty) or of one command.
QString UsageText(const QString& command);
bool CommandNeedsFonts(const TCliRequest& request);
// The picture format a file name asks for: "png" (also without extension), "jpeg", or
// empty for an extension the tool cannot write.
QByteArray PictureFormat(const QString& fileName);
// Runs a parsed command; returns the exit code, with a one-line message in `error` when
// it is not 0.
int RunCommand(const TCliRequest& request, QString& error);
