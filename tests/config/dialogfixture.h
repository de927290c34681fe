#pragma once

// A loaded main window on a fresh program directory, for driving its menus and dialogs as a user would.

#include "app/mainwindow.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/programdir.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

inline void execAll(const QSqlDatabase &db, const QStringList &sql) {
    QSqlQuery query(db);
    for (const QString &statement : sql)
        if (!statement.isEmpty() && !query.exec(statement))
            qFatal("%s", qPrintable(statement));
}

struct DialogFixture {
    // `sql`, then `prepare`, run on the data file before the program starts; every pair has had its first
    // start already. With `start` false the test starts it with load().
    explicit DialogFixture(const QStringList &sql = {},
                           const std::function<void(const QSqlDatabase &)> &prepare = {}, bool start = true) {
        pinGermanLocale();
        {
            const QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
            execAll(db, QStringList{QStringLiteral("UPDATE tblTemp SET Configured = 1")} + sql);
            if (prepare)
                prepare(db);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
        if (start)
            load();
    }

    MainWindow &load() {
        // A first start shows the set-up hint and then the modal serial dialog, closed as a user does.
        boxes.onShow = [](const MsgBox::Request &request) {
            if (request.title == "Erster Start...")
                QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        };
        f = std::make_unique<MainWindow>(dir.path());
        f->setClock([] { return QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)); });
        f->load();
        return *f;
    }

    // Every message box asked, as "title: text".
    QStringList asked() const {
        QStringList list;
        for (const MsgBox::Request &request : boxes.asked)
            list << request.title + ": " + request.text;
        return list;
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
            lines << values.join('|');
        }
        return lines;
    }

    // Everything the settings dialogs may change: the configurations and the settings rows.
    static QStringList snapshot() {
        return rows("SELECT * FROM tblConfiguration ORDER BY ProviderID, KonfigNr") + settingsRows();
    }

    // The snapshot after the statements, without keeping their effect.
    static QStringList snapshotAfter(const QStringList &statements) {
        QSqlDatabase db = Store::MainDb();
        db.transaction();
        execAll(db, statements);
        const QStringList result = snapshot();
        db.rollback();
        return result;
    }

    static QStringList settingsRows() { return rows("SELECT * FROM tblSysConf"); }

    template <typename Dialog> QPointer<Dialog> open() {
        auto *dialog = new Dialog(*f);
        dialog->show();
        return dialog;
    }

    ProgramDir dir;
    MessageBoxes boxes;
    std::unique_ptr<MainWindow> f;
};

// Clicks through a dialog, steps separated by ";": "list=entry" chooses an entry, "edit=text" replaces the
// text, "slider=Key" presses that key on it, a bare name clicks that button or box. Every step but the
// closing one is a change and must enable OK.
inline void run(QWidget *dialog, const QString &steps) {
    const QPushButton *ok = dialog->findChild<QPushButton *>(QStringLiteral("comOK"));
    for (const QString &step : steps.split(';', Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0), value = step.section('=', 1);
        QWidget *control = dialog->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto *list = qobject_cast<QComboBox *>(control)) {
            // As a user's click does: the selection changes, then "activated" follows.
            const int index = list->findText(value, Qt::MatchExactly);
            QVERIFY2(index >= 0, qPrintable(step));
            list->setCurrentIndex(index);
            emit list->activated(index);
        } else if (qobject_cast<QLineEdit *>(control)) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
            // Key by key, also characters that have no key of their own, such as "ü".
            for (const QChar c : value)
                QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
        } else if (qobject_cast<QSlider *>(control)) {
            QTest::keyClick(control, QKeySequence::fromString(value)[0].key());
        } else {
            QTest::mouseClick(control, Qt::LeftButton);
        }
        if (!QStringList{"comOK", "comAbbr", "comExit"}.contains(name))
            QVERIFY2(ok->isEnabled(), qPrintable(QStringLiteral("OK still disabled after ") + step));
    }
}
