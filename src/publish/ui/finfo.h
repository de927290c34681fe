#pragma once

#include <QWidget>

#include <array>
#include <memory>

class QLabel;

namespace Ui {
class FInfo;
}

// The info window: program name and version and the publisher's address on a blue-to-black gradient. A
// click on the web address opens the browser window.
class FInfo : public QWidget {
    Q_OBJECT

public:
    explicit FInfo(QWidget *parent = nullptr);
    ~FInfo() override;

    // The blue of gradient line i (0 at the top) of an area h lines high: 253 at the top, 0 at the bottom.
    static int gradientBlue(int i, int h);

    // Element 0 ... 5: name, street, town, program and version, mail address, web address.
    std::array<QLabel *, 6> labInfo{};
    QLabel *Image1;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::FInfo> ui;
};
