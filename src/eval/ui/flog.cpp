#include "eval/ui/flog.h"

#include "eval/errorlog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

FLog::FLog(const QString &dir, QWidget *parent) : QWidget(parent, Qt::Window), programDir(dir) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Fehlerprotokoll"));
    resize(760, 460);
    txtFilter = new QLineEdit;
    txtFilter->setPlaceholderText(QStringLiteral("Filter: nur Einträge mit diesem Text"));
    txtFilter->setClearButtonEnabled(true);
    auto *comReload = new QPushButton(QStringLiteral("&Aktualisieren"));
    txtLog = new QPlainTextEdit;
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    labCount = new QLabel;

    auto *top = new QHBoxLayout;
    auto *labFilter = new QLabel(QStringLiteral("&Filter:"));
    labFilter->setBuddy(txtFilter);
    top->addWidget(labFilter);
    top->addWidget(txtFilter, 1);
    top->addWidget(comReload);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(txtLog, 1);
    layout->addWidget(labCount);

    connect(txtFilter, &QLineEdit::textChanged, this, &FLog::showLines);
    connect(comReload, &QPushButton::clicked, this, &FLog::reload);
    reload();
}

void FLog::reload() {
    lines = readErrorLog(programDir);
    showLines();
}

void FLog::showLines() {
    const QString filter = txtFilter->text().trimmed();
    QStringList shown;
    for (const QString &line : lines) {
        if (line.contains(filter, Qt::CaseInsensitive))
            shown.append(line);
    }
    txtLog->setPlainText(shown.join(QLatin1Char('\n')));
    labCount->setText(lines.isEmpty()
                          ? QStringLiteral("Das Fehlerprotokoll ist leer.")
                          : QStringLiteral("%1 von %2 Einträgen")
                                .arg(QLocale().toString(shown.size()), QLocale().toString(lines.size())));
}
