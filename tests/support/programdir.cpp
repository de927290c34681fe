#include "programdir.h"

#include <QtCore>
#include <QtSql>

ProgramDir::ProgramDir() {
    if (!QFile::copy(SKYLOG_TEMPLATE_DB, file("SkylogIni.db")))
        qFatal("template database %s missing", SKYLOG_TEMPLATE_DB);
    QFile::setPermissions(file("SkylogIni.db"), QFile::ReadOwner | QFile::WriteOwner);
}

QByteArray ProgramDir::readFile(const QString &name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ProgramDir::writeFile(const QString &name, const QByteArray &bytes) const {
    QFile f(file(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QSqlDatabase ProgramDir::createDataFile(const QString &connection) {
    QFile::copy(file("SkylogIni.db"), file("Skylog.db"));
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
    db.setDatabaseName(file("Skylog.db"));
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

void pinGermanLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

QByteArray expectedFile(const QString &name) {
    QFile file(QStringLiteral(SKYLOG_TEST_SOURCE_DIR "/publish/expected/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant sqlValue(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}
