#pragma once

#include <QDialog>
#include <QSqlDatabase>

#include <memory>

namespace Ui {
class FcMail;
}

// The mail settings dialog: SMTP host, sender, recipients, subject and message of the mail report.
class FcMail : public QDialog {
    Q_OBJECT

public:
    explicit FcMail(const QSqlDatabase &db, QWidget *parent = nullptr);
    ~FcMail() override;

    const Ui::FcMail &controls() const { return *ui; }

signals:
    // A database error, for the error log.
    void failed(const QString &text);

private:
    void changed();
    void comOKClicked();

    std::unique_ptr<Ui::FcMail> ui;
    QSqlDatabase db;
};
