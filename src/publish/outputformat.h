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

// While the output format is being edited no fetch of averages may start. The first hold remembers
// SysConf.MittelAktiv and switches it off; when the last hold ends, the remembered value is put back. Until
// then the remembered value is the one the user sees and changes.
class AverageFetchHold {
public:
    AverageFetchHold();
    ~AverageFetchHold();
    AverageFetchHold(const AverageFetchHold &) = delete;
    AverageFetchHold &operator=(const AverageFetchHold &) = delete;

    // Ends this hold early; the destructor then does nothing.
    void release();

    static bool active();
    // MittelAktiv as the user set it, held or not.
    static bool mittelAktiv();
    static void setMittelAktiv(bool on);

private:
    bool holding = true;
};
