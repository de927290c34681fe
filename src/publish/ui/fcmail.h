#pragma once

#include <QDialog>

#include <memory>

class MainWindow;

namespace Ui {
class FcMail;
}

// The mail settings dialog: SMTP host, sender, recipients, subject and message of the mail report. Opened not
// modal; it deletes itself when closed.
class FcMail : public QDialog {
    Q_OBJECT

public:
    explicit FcMail(MainWindow &f);
    ~FcMail() override;

    const Ui::FcMail &controls() const { return *ui; }

private:
    void changed();
    void comOKClicked();

    std::unique_ptr<Ui::FcMail> ui;
    MainWindow &f;
};
