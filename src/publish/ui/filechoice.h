#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The file choice dialog of the program goes through here, so that tests can answer it while the logic around
// it runs for real.
namespace FileChoice {

struct Request {
    QString title;
    // The file proposed, with its full path; the dialog opens in its folder.
    QString proposedFile;
    QStringList filters;
};

// Asks for a file to write to, asking before an existing file is chosen. Gives the full path of the chosen
// file, or an empty text when the user cancels.
QString saveFile(QWidget *parent, const Request &request);

// Replaces the real dialog; an empty function restores it.
void setResponder(std::function<QString(const Request &)> responder);

} // namespace FileChoice
