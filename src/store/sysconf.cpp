#include "store/sysconf.h"

#include "store/database.h"
#include "store/fields.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <variant>

SysConfRecord SysConf;

namespace {

using Member = std::variant<qint32 SysConfRecord::*, bool SysConfRecord::*, quint8 SysConfRecord::*,
                            QString SysConfRecord::*>;

struct Column {
    const char *name;
    Member member;
    // A column added in a later version: an older database without it loads the default.
    bool added = false;
};

// The columns in the order in which they are read.
const Column columns[] = {
    {"Provider", &SysConfRecord::Provider},       {"Konfiguration", &SysConfRecord::Konfiguration},
    {"MittInter", &SysConfRecord::MittInter},     {"MittelAktiv", &SysConfRecord::MittelAktiv},
    {"MomAktiv", &SysConfRecord::MomAktiv},       {"SaveMom", &SysConfRecord::SaveMom},
    {"SaveMitt", &SysConfRecord::SaveMitt},       {"MomTimeOut", &SysConfRecord::MomTimeOut},
    {"MittTimeOut", &SysConfRecord::MittTimeOut}, {"maxTries", &SysConfRecord::maxTries},
    {"Trennen", &SysConfRecord::Trennen},         {"TrennZeichen", &SysConfRecord::TrennZeichen},
    {"datname", &SysConfRecord::datname},         {"doKanal", &SysConfRecord::doKanal},
    {"doSensor", &SysConfRecord::doSensor},       {"doUnit", &SysConfRecord::doUnit},
    {"doPlus", &SysConfRecord::doPlus},           {"MailHost", &SysConfRecord::MailHost},
    {"MailSender", &SysConfRecord::MailSender},   {"MailRec", &SysConfRecord::MailRec},
    {"MailMessage", &SysConfRecord::MailMessage}, {"MailSubject", &SysConfRecord::MailSubject},
    {"HtmlAktiv", &SysConfRecord::HtmlAktiv},     {"WebAktiv", &SysConfRecord::WebAktiv},
    {"MailAktiv", &SysConfRecord::MailAktiv},     {"AlarmMinuten", &SysConfRecord::AlarmMinuten, true},
};

std::optional<RunError> readColumn(const QSqlRecord &row, const Column &column, SysConfRecord &record) {
    const QString name = QLatin1String(column.name);
    return std::visit(
        [&](auto member) -> std::optional<RunError> {
            auto &target = record.*member;
            using T = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<T, qint32>)
                return Fields::readLong(row, name, target);
            else if constexpr (std::is_same_v<T, bool>)
                return Fields::readBool(row, name, target);
            else if constexpr (std::is_same_v<T, quint8>)
                return Fields::readByte(row, name, target);
            else
                return Fields::readText(row, name, target);
        },
        column.member);
}

QVariant columnValue(const SysConfRecord &record, const Column &column) {
    return std::visit(
        [&](auto member) -> QVariant {
            const auto &value = record.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>)
                return value ? 1 : 0;
            else if constexpr (std::is_same_v<T, quint8>)
                return static_cast<int>(value);
            else
                return value;
        },
        column.member);
}

// Settings edited by hand in the table may hold values the program cannot work with: an interval of 0 polls
// as fast as the line allows, a negative one stops polling, a time-out of 0 fails every request, a control
// character as separator breaks the lines of the text output. Such a value is reported and replaced by the
// value of a new installation. A column that could not be read has been reported already and is only
// replaced.
void replaceUnusable(SysConfRecord &record, SysConfLoad &load, const QStringList &unreadable) {
    const SysConfRecord safe = SysConfRecord::defaults();
    const auto check = [&](const char *name, auto &value, const auto &safeValue, bool usable,
                           const QString &shown, const QString &allowed) {
        if (usable)
            return;
        if (!unreadable.contains(QLatin1String(name)))
            load.errors << RunError{380,
                                    QStringLiteral("Ungültiger Eigenschaftswert: %1 = %2 (zulässig: %3); "
                                                   "es gilt %4")
                                        .arg(QLatin1String(name), shown, allowed)
                                        .arg(safeValue)};
        value = safeValue;
    };
    struct Range {
        const char *name;
        qint32 &value;
        qint32 safeValue;
        qint32 low;
        qint32 high;
    };
    qint32 momInter = load.MomInter.value_or(0);
    // MittInter and MomInter as far as the dialogs offer them, MittInter down to one minute.
    const Range ranges[] = {
        {"MittInter", record.MittInter, safe.MittInter, 1, 50400},
        {"MomInter", momInter, defaultMomInter, 1000, 60000},
        {"MomTimeOut", record.MomTimeOut, safe.MomTimeOut, 100, 600000},
        {"MittTimeOut", record.MittTimeOut, safe.MittTimeOut, 100, 600000},
        {"maxTries", record.maxTries, safe.maxTries, 1, 10},
    };
    for (const Range &range : ranges)
        check(range.name, range.value, range.safeValue, range.value >= range.low && range.value <= range.high,
              QString::number(range.value), QStringLiteral("%1 bis %2").arg(range.low).arg(range.high));
    load.MomInter = momInter;
    check("TrennZeichen", record.TrennZeichen, safe.TrennZeichen,
          record.TrennZeichen == '\t' || record.TrennZeichen >= ' ', QString::number(record.TrennZeichen),
          QStringLiteral("9 oder 32 bis 255"));
    check("datname", record.datname, safe.datname, !record.datname.isEmpty(),
          QLatin1Char('"') + record.datname + QLatin1Char('"'), QStringLiteral("ein Dateiname"));
}

const Column *findColumn(const QString &name) {
    for (const Column &column : columns) {
        if (name.compare(QLatin1String(column.name), Qt::CaseInsensitive) == 0)
            return &column;
    }
    return nullptr;
}

} // namespace

SysConfRecord SysConfRecord::defaults() {
    SysConfRecord d;
    d.Provider = 1;
    d.Konfiguration = 1;
    d.MittInter = 60;
    d.SaveMitt = true;
    d.MomTimeOut = 2000;
    d.MittTimeOut = 3000;
    d.maxTries = 5;
    d.Trennen = true;
    d.TrennZeichen = 124;
    d.datname = QStringLiteral("Testlog.txt");
    d.doKanal = true;
    d.doSensor = true;
    d.doUnit = true;
    d.AlarmMinuten = 10;
    return d;
}

QStringList mailRecipients(const QString &mailRec) {
    QStringList recipients;
    for (const QString &line : mailRec.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        if (!line.trimmed().isEmpty())
            recipients << line.split(QRegularExpression(QStringLiteral("[,;]")), Qt::KeepEmptyParts);
    }
    return recipients;
}

SysConfLoad loadSysConf(const QSqlDatabase &db, SysConfRecord &record) {
    SysConfLoad load;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM tblSysConf"))) {
        load.errors << Store::fromSqlError(query.lastError());
        return load;
    }
    if (!query.next()) {
        record = SysConfRecord::defaults();
        load.MomInter = defaultMomInter;
        return load;
    }
    load.rowFound = true;
    const QSqlRecord row = query.record();
    QStringList unreadable;
    for (const Column &column : columns) {
        if (column.added && row.indexOf(QLatin1String(column.name)) < 0) {
            std::visit([&record](auto member) { record.*member = SysConfRecord::defaults().*member; },
                       column.member);
            continue;
        }
        if (auto error = readColumn(row, column, record)) {
            load.errors << *error;
            unreadable << QLatin1String(column.name);
        }
        if (column.member == Member(&SysConfRecord::MittelAktiv)) {
            qint32 momInter = 0;
            if (auto error = Fields::readLong(row, QStringLiteral("MomInter"), momInter)) {
                load.errors << *error;
                unreadable << QStringLiteral("MomInter");
            } else {
                load.MomInter = momInter;
            }
        }
        if (column.member == Member(&SysConfRecord::MailMessage))
            record.MailRecList = mailRecipients(record.MailRec);
    }
    replaceUnusable(record, load, unreadable);
    return load;
}

std::optional<RunError> saveSysConf(const QSqlDatabase &db, const SysConfRecord &record,
                                    const QStringList &names, qint32 momInter, bool editOnly) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT rowid FROM tblSysConf")))
        return Store::fromSqlError(query.lastError());
    const bool rowExists = query.next();
    const qint64 rowid = rowExists ? query.value(0).toLongLong() : 0;
    query.finish();
    if (!rowExists && editOnly)
        return std::nullopt;

    QVariantList values;
    for (const QString &name : names) {
        if (name.compare(QLatin1String("MomInter"), Qt::CaseInsensitive) == 0) {
            values << momInter;
            continue;
        }
        const Column *column = findColumn(name);
        if (!column)
            return RunError{RunError::itemNotFound().number,
                            RunError::itemNotFound().text + QLatin1Char(' ') + name};
        values << columnValue(record, *column);
    }

    QString sql;
    if (rowExists) {
        QStringList assignments;
        for (const QString &name : names)
            assignments << name + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE tblSysConf SET %1 WHERE rowid = %2")
                  .arg(assignments.join(QStringLiteral(", ")))
                  .arg(rowid);
    } else {
        sql = QStringLiteral("INSERT INTO tblSysConf (%1) VALUES (%2)")
                  .arg(names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    }
    if (!query.prepare(sql))
        return Store::fromSqlError(query.lastError());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}
