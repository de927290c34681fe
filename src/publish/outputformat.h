#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the output format dialog offers for the text output file.
namespace OutputFormatChoice {

struct Separator {
    QString text;
    quint8 code;
};

// The separators in list order: "Semikolon", "Komma", "Tabulator", "Leerzeichen", "Feldtrennteichen".
const QList<Separator> &separators();

// The list position for a stored separator code: the first entry with that code, or the first entry
// ("Semikolon") when no entry has it.
int separatorIndex(quint8 code);

// The file types offered when choosing the output file.
QStringList fileFilters();

} // namespace OutputFormatChoice

// While the output format is being edited no fetch of averages may start. SysConf.MittelAktiv keeps the
// operator's own setting meanwhile; the acquisition asks whether a hold is active.
class AverageFetchHold {
public:
    AverageFetchHold();
    ~AverageFetchHold();
    AverageFetchHold(const AverageFetchHold &) = delete;
    AverageFetchHold &operator=(const AverageFetchHold &) = delete;

    // Ends this hold early; the destructor then does nothing.
    void release();

    static bool active();

private:
    bool holding = true;
};
