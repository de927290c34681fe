#pragma once

#include "store/runerror.h"

#include <QSqlDatabase>

#include <optional>

namespace Store {

// Brings a data file made from an older template up to the current schema; what exists already is left as
// it is, so it runs at every start.
std::optional<RunError> upgradeSchema(const QSqlDatabase &db);

} // namespace Store
