// QXxSProc.h — small number and string helpers.
#pragma once

#include <QString>
#include <QStringList>

// Starts from fmt and replaces, for each argument in order, the first remaining "%s" by it. Surplus
// arguments are dropped, surplus "%s" stay; no other placeholder is interpreted. An argument that
// itself contains "%s" is inserted unchanged (the search goes on after the inserted text).
QString FormatW(const QString& fmt, const QStringList& args);
