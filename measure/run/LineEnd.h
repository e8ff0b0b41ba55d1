#pragma once

#include <string_view>

// `text` without the line feeds and carriage returns it ends in. Replies and
// commands end in one; a line made of them must not.
std::string_view WithoutLineEnd(std::string_view text);
