#include "eval/errorlog.h"

#include "eval/messages.h"

#include <QDir>
#include <QFile>

#include <algorithm>

QStringList readErrorLog(const QString &programDir) {
    QFile file(QDir(programDir).filePath(QString(errorLogName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Written as ISO-8859-1 with CR LF, one line per entry, appended: the newest entry is the last line.
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    std::reverse(lines.begin(), lines.end());
    return lines;
}
