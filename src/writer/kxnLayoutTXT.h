#pragma once
// Layout of the NF-e TXT form: for each group ID of the XML writers, the TXT
// records that group opens and the field markers they hold.

#include <string>
#include <string_view>

// Field marker: the field name followed by this character (Windows-1252 diaeresis).
inline constexpr char kMarcadorCampoTXT = '\xA8';

// The layout text of version "1.10" or "2.00" (empty for any other version):
// each line upper-cased and followed by LF CR. A line reads "<ID>", blanks,
// the record name, then "|" and a field marker (or a fixed value) per field;
// the fixed value "^ID^" stands for the document's Id.
std::string LeiauteTXT(std::string_view Versao);
