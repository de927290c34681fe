#pragma once

#include <QDialog>

#include <memory>

class MainWindow;

namespace Ui {
class FcMittel;
}

// The dialog for the fetch of stored averages: on or off, its interval, and whether the averages are stored.
// Opened not modal; it deletes itself when closed.
class FcMittel : public QDialog {
    Q_OBJECT

public:
    explicit FcMittel(MainWindow &f);
    ~FcMittel() override;

    const Ui::FcMittel &controls() const { return *ui; }

private:
    void chkMomClick();
    void comOKClick();
    void changed();

    std::unique_ptr<Ui::FcMittel> ui;
    MainWindow &f;
};
