#pragma once

#include <QString>

class LatestRun;

// The latest run's readings as Copy all and Save as CSV take them: from its
// record, and only when the run is over and the grid shows nothing else.
class ReadingsExport {
public:
    explicit ReadingsExport(const LatestRun& runs) : runs_(runs) {}

    // Why the readings cannot be taken now, or empty when they can.
    QString Refusal() const;

    // One "index<TAB>value" line a reading, as Copy gives a selection.
    QString TabSeparatedText() const;

private:
    const LatestRun& runs_;
};
