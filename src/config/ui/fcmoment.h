#pragma once

#include <QDialog>

#include <memory>

class MainWindow;

namespace Ui {
class FcMoment;
}

// The dialog for the polling of instantaneous values: on or off, its interval in seconds, and whether the
// values are stored. Opened not modal; it deletes itself when closed.
class FcMoment : public QDialog {
    Q_OBJECT

public:
    explicit FcMoment(MainWindow &f);
    ~FcMoment() override;

    const Ui::FcMoment &controls() const { return *ui; }

private:
    void slidMomentChange(int seconds);
    // The interval and the storing only matter while polling is on.
    void enableInterval(bool on);
    void chkMomClick();
    void comOKClick();
    void changed();

    std::unique_ptr<Ui::FcMoment> ui;
    MainWindow &f;
};
