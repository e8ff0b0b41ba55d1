#pragma once

#include <QString>
#include <string_view>

// Bytes from the meter or the run as the window shows them: each byte one
// character, 0x80-0xFF as Latin-1, line feeds kept.
QString Latin1Text(std::string_view bytes);
