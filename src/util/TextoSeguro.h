#pragma once
// Text from pages, files and the network on its way to a terminal or a log:
// nothing in it may act as a control sequence or break a line.

#include <string>
#include <string_view>

// `utf8` with every control character (C0, DEL and the C1 range, so also ESC
// and CSI), every byte that is not valid UTF-8 and the backslash itself
// written as escapes ("\x1B", "\u009B", "\\"); everything else as it is. The
// result is one line whatever the input holds.
std::string EscaparControles(std::string_view utf8);
