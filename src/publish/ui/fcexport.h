#pragma once

#include "eval/history.h"

#include <QDialog>
#include <QSqlDatabase>

class QDateEdit;
class QListWidget;
class QPushButton;

// The dialog "Exportieren": the averages of chosen channels and days into a CSV file.
class FcExport : public QDialog {
    Q_OBJECT

public:
    FcExport(const QSqlDatabase &db, qint32 provider, qint32 config, const QString &programDir,
             const QDate &today, QWidget *parent = nullptr);

    QListWidget *lstChannels;
    QDateEdit *txtFrom;
    QDateEdit *txtTo;
    QPushButton *comExport;
    QPushButton *comCancel;

private:
    void exportClick();

    QSqlDatabase db;
    qint32 provider;
    qint32 config;
    QString programDir;
    QList<History::Channel> channels;
};
