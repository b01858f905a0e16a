#pragma once
// Windows-1252, the 8-bit code page of the data files, the CSV export and PDF text.
#include <QByteArray>
#include <QString>

// Characters outside the code page become '?'.
QByteArray ToAnsi(const QString& text);
QString FromAnsi(const char* data, qsizetype length);
inline QString FromAnsi(const QByteArray& bytes)
{
    return FromAnsi(bytes.constData(), bytes.size());
}
