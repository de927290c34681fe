#pragma once

#include "app/msgbox.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

// A fresh program directory holding the generated template "SkylogIni.db", as the build lays it out.
class ProgramDir {
public:
    ProgramDir();

    QString path() const { return dir.path(); }
    QString file(const QString &name) const { return dir.filePath(name); }
    QByteArray readFile(const QString &name) const;
    bool writeFile(const QString &name, const QByteArray &bytes) const;
    // Copies the template to "Skylog.db" and opens it under its own connection name for the test to inspect.
    QSqlDatabase createDataFile(const QString &connection = QStringLiteral("test"));

private:
    QTemporaryDir dir;
};

// Answers every message box with the answers queued (Ok when the queue is empty) and records what was asked.
class MessageBoxes {
public:
    MessageBoxes();
    ~MessageBoxes() { MsgBox::setResponder({}); }

    QList<MsgBox::Request> asked;
    QList<MsgBox::Answer> answers;
    // Runs while a box is "open", for boxes after which the program shows a modal dialog.
    std::function<void(const MsgBox::Request &)> onShow;
};

void pinGermanLocale();

// A file of the expected output in tests/publish/expected, byte for byte; empty when it is missing.
QByteArray expectedFile(const QString &name);

// Runs an SQL statement, warning on an error; gives the first column of the first row.
QVariant sqlValue(const QSqlDatabase &db, const QString &sql);
