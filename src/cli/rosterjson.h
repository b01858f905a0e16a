#pragma once
// The roster of a plan slot as one JSON object: persons with their entries and monthly
// tables, duties, and the plan settings kept in the person and duty files. Numbers are
// written so that reading them back gives the stored values exactly.

#include <QByteArray>

class TRoster;

QByteArray RosterJson(const TRoster& roster);

// The shortest text that reads back as exactly `v`, always with a decimal point or an
// exponent ("45292.0"). JSON has no numbers for them, so NaN and the infinities become the
// strings "NaN", "Infinity" and "-Infinity".
QByteArray JsonDouble(double v);
