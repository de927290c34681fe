#pragma once

// A loaded main window on a fresh program directory, for driving the settings dialogs as a user would.

#include "app/mainwindow.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/programdir.h"

#include <QComboBox>
#include <QDateTime>
#include <QMap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <memory>

struct DialogFixture {
    // `sql` runs on the data file before the program starts; every pair has had its first start already.
    explicit DialogFixture(const QStringList &sql = {}) {
        {
            QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
            QSqlQuery query(db);
            for (const QString &statement :
                 QStringList{QStringLiteral("UPDATE tblTemp SET Configured = 1")} + sql) {
                if (!query.exec(statement))
                    qFatal("%s", qPrintable(statement));
            }
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
        f = std::make_unique<MainWindow>(dir.path());
        f->setClock([] { return QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)); });
        f->load();
    }

    ~DialogFixture() {
        f.reset();
        Store::MainDb().close();
        SysConf = SysConfRecord();
    }

    // The rows of a table or query as text, one line per row, for comparing the database before and after.
    static QStringList rows(const QString &sql) {
        QStringList lines;
        QSqlQuery query(Store::MainDb());
        if (!query.exec(sql))
            qFatal("%s", qPrintable(sql));
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << (query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
            lines << values.join(QLatin1Char('|'));
        }
        return lines;
    }

    static QStringList settingsRows() { return rows(QStringLiteral("SELECT * FROM tblSysConf")); }

    // The columns of the settings rows whose value is not the column's declared default, as "name=value".
    static QStringList settingsOffDefaults() {
        QMap<QString, QString> defaults;
        QSqlQuery info(Store::MainDb());
        info.exec(QStringLiteral("PRAGMA table_info(tblSysConf)"));
        while (info.next()) {
            QString value = info.value(QStringLiteral("dflt_value")).toString();
            if (value.startsWith(QLatin1Char('\'')))
                value = value.mid(1, value.size() - 2);
            defaults.insert(info.value(QStringLiteral("name")).toString(), value);
        }
        QStringList changed;
        QSqlQuery query(Store::MainDb());
        query.exec(QStringLiteral("SELECT * FROM tblSysConf"));
        while (query.next()) {
            const QSqlRecord row = query.record();
            for (int i = 0; i < row.count(); ++i) {
                const QString value = row.isNull(i) ? QString() : row.value(i).toString();
                if (value != defaults.value(row.fieldName(i)))
                    changed << row.fieldName(i) + QLatin1Char('=') + value;
            }
        }
        return changed;
    }

    ProgramDir dir;
    MessageBoxes boxes;
    std::unique_ptr<MainWindow> f;
};

// Chooses an entry of a list the way a user's click does: the selection changes, then "activated" follows.
inline void choose(QComboBox *list, const QString &text) {
    const int index = list->findText(text, Qt::MatchExactly);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

inline QStringList items(const QComboBox *list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// Types text into the focused control key by key; also characters that have no key of their own, such as "ü".
inline void typeText(QWidget *control, const QString &text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
