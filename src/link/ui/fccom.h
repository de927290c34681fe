#pragma once

#include "link/comconfig.h"

#include <QDialog>
#include <QSqlDatabase>

#include <memory>

namespace Ui {
class FcCOM;
}

// The serial configurations dialog. Its controls are also the working copy of the active configuration:
// connecting reads the port parameters straight from them.
class FcCOM : public QDialog {
    Q_OBJECT

public:
    explicit FcCOM(const QSqlDatabase &db, QWidget *parent = nullptr);
    ~FcCOM() override;

    const Ui::FcCOM &controls() const { return *ui; }
    // The parameters shown in the lists and check boxes (ID and name of the selected configuration, if any).
    ComConfig::Entry shownEntry() const;

signals:
    // A database error, for the error log.
    void failed(const QString &text);

private:
    void loadTable();
    void showEntry(const ComConfig::Entry &entry);
    void selConfClicked(int index);
    bool entrySelected() const;
    void changed();
    void comOKClicked();

    std::unique_ptr<Ui::FcCOM> ui;
    QSqlDatabase db;
};
