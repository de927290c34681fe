#include "store/upgrade.h"

#include "store/database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Store {

std::optional<RunError> upgradeSchema(const QSqlDatabase &db) {
    // A file that could not be opened has been reported already.
    if (!db.isOpen())
        return std::nullopt;
    // The plots and the gap monitor read one kind of row of one logger over a period.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS idxMesswerteKind ON tblMesswerte "
                                   "(Provider, Konfiguration, was, MeasTime)")))
        return fromSqlError(query.lastError());
    return std::nullopt;
}

} // namespace Store
