#pragma once

#include "store/runerror.h"

#include <QString>

#include <array>
#include <optional>

// The page writers run at every poll; a missing or unwritable folder must not give a line in the error log
// each time. A failing output is reported once, and once more when it works again.
class OutputLatch {
public:
    enum class Output { MeasurementPage, IntranetMeasurementPage, IntranetPageSet };

    struct Report {
        QString text;
        int kind = 0;
    };

    // What the error log gets after one attempt to write `output`: the error (kind -3) when the output
    // worked before or failed with another error; the notice that it works again (kind -1) after a
    // failure; otherwise nothing.
    std::optional<Report> attempt(Output output, const std::optional<RunError> &error);

private:
    // The error last reported per output; none while it works.
    std::array<std::optional<QString>, 3> reported;
};
