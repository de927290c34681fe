#pragma once

#include "config/configlist.h"

#include <QDialog>
#include <QMap>

#include <memory>

class MainWindow;

namespace Ui {
class FcMess;
}

// The measuring station dialog: chooses the data logger and the station configuration the program works with
// and edits the configurations (description, station number) of the loggers. Opened not modal; it deletes
// itself when closed.
class FcMess : public QDialog {
    Q_OBJECT

public:
    explicit FcMess(MainWindow &f);
    ~FcMess() override;

    const Ui::FcMess &controls() const { return *ui; }

private:
    // The configurations of one logger and which of them the list shows selected.
    struct LoggerLists {
        ConfigList configs;
        qint32 selected = 0;
    };

    void FillLists();
    LoggerLists &listsOf(qint32 provider);
    void showConfigurations(qint32 provider);
    void showConfiguration(qint32 number);
    qint32 selectedProvider() const;
    void cmbProviderClick();
    void cmbConfNrClick();
    void txtNameChange(const QString &text);
    void selStatClick();
    void comNeuKonfClick();
    void comOKClick();
    void changed();

    std::unique_ptr<Ui::FcMess> ui;
    MainWindow &f;
    // The lists of every logger shown since the dialog opened, by logger Id; each is stored under its own Id.
    QMap<qint32, LoggerLists> lists;
    // The logger whose configurations the list shows.
    qint32 shownProvider = 0;
};
