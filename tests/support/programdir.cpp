#include "programdir.h"

#include <QFile>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

ProgramDir::ProgramDir() {
    if (!QFile::copy(QStringLiteral(SKYLOG_TEMPLATE_DB), file(QStringLiteral("SkylogIni.db"))))
        qFatal("template database %s missing", SKYLOG_TEMPLATE_DB);
    QFile::setPermissions(file(QStringLiteral("SkylogIni.db")), QFile::ReadOwner | QFile::WriteOwner);
}

QString ProgramDir::file(const QString &name) const {
    return dir.filePath(name);
}

QByteArray ProgramDir::readFile(const QString &name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QSqlDatabase ProgramDir::createDataFile(const QString &connection) {
    QFile::copy(file(QStringLiteral("SkylogIni.db")), file(QStringLiteral("Skylog.db")));
    QFile::setPermissions(file(QStringLiteral("Skylog.db")), QFile::ReadOwner | QFile::WriteOwner);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(file(QStringLiteral("Skylog.db")));
    if (!db.open())
        qFatal("cannot open test database");
    return db;
}

MessageBoxes::MessageBoxes() {
    MsgBox::setResponder([this](const MsgBox::Request &request) {
        asked << request;
        if (onShow)
            onShow(request);
        return answers.isEmpty() ? MsgBox::Ok : answers.takeFirst();
    });
}

MessageBoxes::~MessageBoxes() {
    MsgBox::setResponder({});
}

void pinGermanLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

QVariant sqlValue(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}
