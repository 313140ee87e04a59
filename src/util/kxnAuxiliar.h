#pragma once
// Fiscal helpers: text preparation for XML, digit filters, identifiers, access key, validators.

#include <string>
#include <string_view>

// Schema version of a document; it picks the layout version text and the key form.
enum TkxnSchema { TsPL005c, TsPL006, TsPL_CTe_103, TsPL_CTe_104 };
