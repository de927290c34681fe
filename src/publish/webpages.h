#pragma once

#include "store/runerror.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The folder of the intranet pages; see resolveDosPath for systems without drive letters.
inline const QString intranetFolder = QStringLiteral("P:\\Intranet\\");

// One entry of a page's navigation column.
class WSite {
public:
    // 1 another root page, 2 the current root page, 4 a child of the current root page.
    qint32 LinkColor = 0;
    // The page's file name in the intranet folder: stem + ".htm".
    QString LinkTo;
    // The link text, already escaped.
    QString LinkName;
};

// What a run of the page writers works with: the database holding tblWebRoots, the program directory (the
// files the program names without a path, and the drive letters), the clock and the locale of the texts.
struct PageContext {
    QSqlDatabase db;
    QString programDir;
    QDateTime now;
    QLocale locale;
};

// The lines of the navigation column: root pages as separate tables, the children of the current root in
// one cell below it.
QStringList navigationLines(const QList<WSite> &sites);

// The seasonal greeting of the day (three lines), or none.
QStringList greetingLines(const QDate &date);

// The lines of one page of the intranet set.
QStringList pageLines(const QString &headline, const QString &body, const QString &bodyExtra,
                      const QList<WSite> &sites, const QDateTime &now, const QLocale &loc = QLocale());

// Writes one page; a path with a drive letter is resolved in the program directory of the context.
std::optional<RunError> WritePage(const PageContext &context, const QString &path, const QString &headline,
                                  const QString &body, const QString &bodyExtra, const QList<WSite> &sites);

// Writes the pages of the active entries of tblWebRoots into the intranet folder. Mode 1 writes only the
// first active page of kind 1, the one that carries the measurement table given as content; any other mode
// writes every active page, the kind-1 page with the content. The first failure ends the run; pages
// written before it stay.
std::optional<RunError> WriteWebPages(const PageContext &context, qint32 mode, const QString &content);
