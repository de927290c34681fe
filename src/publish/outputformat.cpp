#include "publish/outputformat.h"

#include "store/sysconf.h"

#include <algorithm>

namespace OutputFormatChoice {

const QList<Separator> &separators() {
    static const QList<Separator> list{{QStringLiteral("Semikolon"), 59},
                                       {QStringLiteral("Komma"), 44},
                                       {QStringLiteral("Tabulator"), 9},
                                       {QStringLiteral("Leerzeichen"), 32},
                                       {QStringLiteral("Feldtrennteichen"), 124}};
    return list;
}

int separatorIndex(quint8 code) {
    const QList<Separator> &list = separators();
    const auto found = std::find_if(list.cbegin(), list.cend(),
                                    [code](const Separator &entry) { return entry.code == code; });
    return found == list.cend() ? 0 : int(found - list.cbegin());
}

QStringList fileFilters() {
    return {QStringLiteral("Textdateien (*.txt)"), QStringLiteral("Log-Dateien (*.log)"),
            QStringLiteral("Alle Dateien (*.*)")};
}

} // namespace OutputFormatChoice

namespace {

int holders = 0;

} // namespace

AverageFetchHold::AverageFetchHold() {
    ++holders;
}

AverageFetchHold::~AverageFetchHold() {
    release();
}

void AverageFetchHold::release() {
    if (!holding)
        return;
    holding = false;
    --holders;
}

bool AverageFetchHold::active() {
    return holders > 0;
}
