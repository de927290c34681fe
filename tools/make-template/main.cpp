// Builds the template database from SQL text: make-template OUTPUT.db SCRIPT.sql...
// Statements end with a ";" at the end of a line; lines starting with "--" are comments.
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

QStringList statementsOf(const QString &script) {
    QStringList statements;
    QString current;
    for (const QString &line : script.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (trimmed.endsWith(QLatin1Char(';'))) {
            statements << current.trimmed();
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

int fail(const QString &message) {
    std::fprintf(stderr, "make-template: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return fail(QStringLiteral("usage: make-template OUTPUT.db SCRIPT.sql..."));

    const QString output = args.first();
    const QString partial = output + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("template"));
        db.setDatabaseName(partial);
        if (!db.open())
            return fail(db.lastError().text());
        QSqlQuery query(db);
        for (const QString &scriptName : args.mid(1)) {
            QFile script(scriptName);
            if (!script.open(QIODevice::ReadOnly | QIODevice::Text))
                return fail(scriptName + QStringLiteral(": ") + script.errorString());
            const QString text = QString::fromUtf8(script.readAll());
            for (const QString &statement : statementsOf(text)) {
                if (!query.exec(statement))
                    return fail(scriptName + QStringLiteral(": ") + query.lastError().text() +
                                QStringLiteral("\n") + statement);
            }
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("template"));
    QFile::remove(output);
    if (!QFile::rename(partial, output))
        return fail(QStringLiteral("cannot write ") + output);
    return 0;
}
