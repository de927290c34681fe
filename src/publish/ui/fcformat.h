#pragma once

#include "publish/outputformat.h"

#include <QDialog>

#include <memory>

class MainWindow;

namespace Ui {
class FcFormat;
}

// The output format dialog: how the text output file is laid out and where it is written. While it is open no
// fetch of averages starts. Opened not modal; it deletes itself when closed.
class FcFormat : public QDialog {
    Q_OBJECT

public:
    explicit FcFormat(MainWindow &f);
    ~FcFormat() override;

    const Ui::FcFormat &controls() const { return *ui; }

public slots:
    // Every way of closing ends here: OK, Abbrechen, Escape and the window's close button.
    void done(int result) override;

private:
    void selFormatClick();
    void comSelFileClick();
    void comOKClick();
    void changed();

    std::unique_ptr<Ui::FcFormat> ui;
    MainWindow &f;
    AverageFetchHold hold;
};
