#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The window "Fehlerprotokoll": the error log, newest entry first, narrowed by a filter text.
class FLog : public QWidget {
    Q_OBJECT

public:
    explicit FLog(const QString &programDir, QWidget *parent = nullptr);

    // Reads the log again.
    void reload();

    QLineEdit *txtFilter;
    QPlainTextEdit *txtLog;
    QLabel *labCount;

private:
    void showLines();

    QString programDir;
    QStringList lines;
};
