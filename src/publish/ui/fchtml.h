#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FcHtml;
}

// The HTML output dialog. It keeps no settings: its check box only enables the page list.
class FcHtml : public QDialog {
    Q_OBJECT

public:
    explicit FcHtml(QWidget *parent = nullptr);
    ~FcHtml() override;

    const Ui::FcHtml &controls() const { return *ui; }

private:
    void chkHtmlClicked(bool checked);

    std::unique_ptr<Ui::FcHtml> ui;
};
