#pragma once

#include <ctime>
#include <string>
#include <vector>

// What the dialog knows about the run whose readings the grid holds: when it
// started, how many rows it wrote, what it told the user, and whether it is
// still filling the grid. The Measurement button stays enabled, so a run can
// start inside another one's message drain; the grid then holds rows of both.
class ReadingsRun {
public:
    void Begin(std::time_t startedAt);
    void End();
    void CountRow() { ++rows_; }
    void NoteMessage(const std::string& text) { messages_.push_back(text); }

    bool HasRun() const { return runs_ > 0; }
    bool IsFilling() const { return depth_ > 0; }
    // A run began while another was still filling: the grid mixes both.
    bool Overlapped() const { return overlapped_; }
    // WriteReadingRow calls since the latest run began; grid rows 1..RowCount().
    int RowCount() const { return rows_; }
    std::time_t StartedAt() const { return startedAt_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    // Counts every Begin, so a viewer can tell whether what it shows is current.
    unsigned long Serial() const { return runs_; }

private:
    int depth_ = 0;
    int rows_ = 0;
    bool overlapped_ = false;
    unsigned long runs_ = 0;
    std::time_t startedAt_ = 0;
    std::vector<std::string> messages_;
};
