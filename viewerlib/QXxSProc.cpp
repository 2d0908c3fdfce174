// QXxSProc.cpp — small number and string helpers.
#include "QXxSProc.h"

QString FormatW(const QString& fmt, const QStringList& args) {
    QString result = fmt;
    qsizetype from = 0;
    for (const QString& arg : args) {
        const qsizetype at = result.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        result.replace(at, 2, arg);
        from = at + arg.size();
    }
    return result;
}
