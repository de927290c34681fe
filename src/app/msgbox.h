#pragma once

#include "store/runerror.h"

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// Every modal message box of the program goes through here, so that tests can answer them while the logic
// around them runs for real.
namespace MsgBox {

enum class Icon { None, Information, Exclamation, Question, Critical };
enum class Buttons { Ok, OkCancel, YesNo };
enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct Request {
    Icon icon;
    QString title;
    QString text;
    Buttons buttons;
};

Answer show(QWidget *parent, Icon icon, const QString &title, const QString &text,
            Buttons buttons = Buttons::Ok);

// A box that does not wait for its answer, for an error the program goes on behind. It deletes itself when
// closed. A responder set by a test is told of it as well.
QMessageBox *notify(QWidget *parent, Icon icon, const QString &title, const QString &text);
// The report of a start-up step that failed: "Fehler <number>: <text>", titled "Fehler bei Programmstart".
void startError(QWidget *parent, const RunError &error);

// Replaces the real message box; an empty function restores it.
void setResponder(std::function<Answer(const Request &)> responder);

} // namespace MsgBox
