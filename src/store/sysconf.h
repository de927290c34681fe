#pragma once

#include "store/runerror.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The settings of the program: one member per column of tblSysConf, named like the column.
struct SysConfRecord {
    qint32 Provider = 0;
    qint32 Konfiguration = 0;
    qint32 MittInter = 0;
    bool MittelAktiv = false;
    bool MomAktiv = false;
    bool SaveMom = false;
    bool SaveMitt = false;
    qint32 MomTimeOut = 0;
    qint32 MittTimeOut = 0;
    qint32 maxTries = 0;
    bool Trennen = false;
    quint8 TrennZeichen = 0;
    QString datname;
    bool doKanal = false;
    bool doSensor = false;
    bool doUnit = false;
    bool doPlus = false;
    QString MailHost;
    QString MailSender;
    QString MailRec;
    QString MailMessage;
    QStringList MailRecList;
    QString MailSubject;
    // Switched in the menu "Datenexport": rewrite messwerte.html after every poll, write the intranet pages,
    // send the mail report after every fetch. All off in a new installation.
    bool HtmlAktiv = false;
    bool WebAktiv = false;
    bool MailAktiv = false;
    // Minutes without a valid telegram after which the data-stopped alarm is given; 0 switches it off.
    // Databases from before this setting have no column for it and get the default.
    qint32 AlarmMinuten = 0;

    // What applies while tblSysConf has no row.
    static SysConfRecord defaults();
};

// The process-wide settings, filled at start-up and changed by the settings dialogs.
extern SysConfRecord SysConf;

// MomInter is not kept as a member: it goes straight into the interval of the instantaneous-value timer.
inline constexpr qint32 defaultMomInter = 3000;

struct SysConfLoad {
    bool rowFound = false;
    std::optional<qint32> MomInter;
    // One entry per column that could not be read; the member keeps its previous value.
    QList<RunError> errors;
};

// Reads the first row of tblSysConf into `record` in the fixed column order, or sets the defaults when the
// table is empty. Nothing is written.
SysConfLoad loadSysConf(const QSqlDatabase &db, SysConfRecord &record);

// The recipients of the mail report: MailRec split at every ",", ";" and line break, no trimming. A blank
// line is skipped; an empty piece between separators is kept, so that a stray comma can be refused.
QStringList mailRecipients(const QString &mailRec);

// Writes the named columns of `record` (and "MomInter" from `momInter`) into the first row of tblSysConf,
// adding the row when the table is empty, unless `editOnly` is set; then nothing is saved without a row.
std::optional<RunError> saveSysConf(const QSqlDatabase &db, const SysConfRecord &record,
                                    const QStringList &columns, qint32 momInter = defaultMomInter,
                                    bool editOnly = false);
