#pragma once

#include <string>

// One line on standard error (the journal, under systemd), whole even when threads log at once.
void ShareLog(const std::string& line);
