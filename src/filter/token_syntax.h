// Typed tokens: the stored text form ("rating|0|48|||") or a shorter form for people
// ("rating>=4", "iso=100-800", "lens=RF24-105mm F4 L IS USM"). Each argument gives exactly one
// token, so anything typed can be written back in the text form.
#pragma once
#include <string>
#include <string_view>

#include "filter/filter.h"

namespace lv {

// False with a message naming what is wrong; *out is unchanged then.
bool parseTokenArgument(std::string_view arg, FilterToken* out, std::string* error);
// The syntax, for --help.
const char* tokenSyntaxHelp();

}  // namespace lv
