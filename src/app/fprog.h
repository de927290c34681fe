#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QProgressBar;

namespace Ui {
class FProg;
}

// The small window that accompanies a fetch of stored averages.
class FProg : public QWidget {
    Q_OBJECT

public:
    // `mainProgress` is the main window's progress bar, shown instead when the user closes this window but
    // lets the fetch go on.
    explicit FProg(QProgressBar *mainProgress, QWidget *parent = nullptr);
    ~FProg() override;

    QProgressBar *prbMittel() const;
    void setReadDate(const QString &text);
    // Closes the window from the program (end of the fetch, shutdown). Any other close is the user's close
    // box, which asks whether to stop the fetch.
    void unload();

signals:
    // The user confirmed that the fetch is to stop.
    void abortRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void tick();

    std::unique_ptr<Ui::FProg> ui;
    QProgressBar *mainProgress;
    QTimer animation;
    std::array<QPixmap, 8> aniImg;
    int frame = 0;
    bool closedByCode = false;
};
